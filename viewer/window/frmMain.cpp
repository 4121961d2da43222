#include "viewer/window/frmMain.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstdio>
#include <exception>

#include "platform/AsciiText.h"
#include "platform/Files.h"
#include "platform/ReportFormat.h"
#include "platform/qt/SystemText.h"
#include "viewer/EditorHandOff.h"
#include "viewer/ModFile.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/support/ClsIni.h"
#include "viewer/support/RunTimeError.h"
#include "viewer/support/TextFunctions.h"
#include "viewer/window/QtWindowAutomation.h"

int ValueCheckBox::Value() const {
  switch (checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
  }
}

bool ValueCheckBox::SetValue(int value) {
  static constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
  if (value < 0 || value > 2) return false;
  setCheckState(kStates[value]);
  return true;
}

void ValueCheckBox::nextCheckState() { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }

namespace {

// The designed client area and control places, in twips; places inside a
// frame are relative to the frame.
constexpr double kDesignedWidth = 12660, kDesignedHeight = 7980;
constexpr TwipsRect klstFileName{240, 720, 2295, 6900};
constexpr TwipsRect kLblFileName{240, 360, 720, 180};
constexpr TwipsRect kTxtUltraEdit{2280, 120, 6015, 375};
constexpr TwipsRect kCmdRefresh{1080, 120, 1095, 495};
constexpr TwipsRect kFrameRight{3000, 1560, 5655, 6015};
constexpr TwipsRect kLstRowNum{240, 600, 1695, 4200};
constexpr TwipsRect kWebBrowser1{2520, 720, 2655, 3735};
constexpr TwipsRect kChkUseUltraEdit{8520, 120, 2055, 375};
constexpr TwipsRect kTxtFileName{2640, 600, 7335, 375};
constexpr TwipsRect kFrame1{10680, 120, 1815, 855};
constexpr TwipsRect kOptLocateByMiao[2] = {{120, 240, 1455, 255}, {120, 480, 1455, 255}};
// The smallest window still lists this many entries.
constexpr int kMinimumListedEntries = 8;

const QString kNoFileSelected = QStringLiteral("未选择文件。");

void Place(QWidget* widget, const TwipsRect& rect) {
  const double dpiX = widget->logicalDpiX(), dpiY = widget->logicalDpiY();
  widget->setGeometry(TwipsToPixels(rect.Left, dpiX), TwipsToPixels(rect.Top, dpiY), TwipsToPixels(rect.Width, dpiX),
                      TwipsToPixels(rect.Height, dpiY));
}

QString ProblemText(const std::exception& error) {
  return QStringLiteral("无法显示这个文件：") + QString::fromUtf8(error.what());
}

}  // namespace

frmMain::frmMain(const Services& services) : services_(services) {
  setWindowTitle(QStringLiteral("岚桥检字器之中文字符浏览器 V0.80"));
  resize(TwipsToPixels(kDesignedWidth, logicalDpiX()), TwipsToPixels(kDesignedHeight, logicalDpiY()));

  // Made in tab order.
  lstFileName = new ListBoxView(this);
  LblFileName = new QLabel(QStringLiteral("文件列表"), this);
  TxtUltraEdit = new QLineEdit(this);
  CmdRefresh = new QPushButton(QStringLiteral("刷新"), this);
  FrameRight = new QGroupBox(this);
  LstRowNum = new ListBoxView(FrameRight);
  WebBrowser1 = services_.makeBrowser(FrameRight);
  ChkUseUltraEdit = new ValueCheckBox(QStringLiteral("使用 UltraEdit 打开"), this);
  TxtFileName = new QLineEdit(this);
  Frame1 = new QGroupBox(QStringLiteral("定位方法"), this);
  OptLocateByMiao[0] = new QRadioButton(QStringLiteral("使用锚点"), Frame1);
  OptLocateByMiao[1] = new QRadioButton(QStringLiteral("使用IE搜索框"), Frame1);
  OptLocateByMiao[0]->setChecked(true);

  lstFileNameItems = new ListBoxModel(this);
  LstRowNumItems = new ListBoxModel(this);
  lstFileName->setModel(lstFileNameItems);
  LstRowNum->setModel(LstRowNumItems);
  // A list 150 pixels wide shows the end of a long path, where its file name is.
  lstFileName->setItemDelegate(new PathItemDelegate(lstFileName));

  Place(lstFileName, klstFileName);
  Place(LblFileName, kLblFileName);
  Place(TxtUltraEdit, kTxtUltraEdit);
  Place(CmdRefresh, kCmdRefresh);
  Place(FrameRight, kFrameRight);
  Place(LstRowNum, kLstRowNum);
  Place(WebBrowser1, kWebBrowser1);
  Place(ChkUseUltraEdit, kChkUseUltraEdit);
  Place(TxtFileName, kTxtFileName);
  Place(Frame1, kFrame1);
  Place(OptLocateByMiao[0], kOptLocateByMiao[0]);
  Place(OptLocateByMiao[1], kOptLocateByMiao[1]);
  layout_ = {klstFileName, kFrameRight, kLstRowNum, kWebBrowser1};
  FitFixedControls();

  QWidget* const tabOrder[] = {lstFileName,     TxtUltraEdit, CmdRefresh,         LstRowNum,         WebBrowser1,
                               ChkUseUltraEdit, TxtFileName,  OptLocateByMiao[0], OptLocateByMiao[1]};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
  lstFileName->setFocus();

  connect(CmdRefresh, &QPushButton::clicked, this, [this] { Guarded("refresh", [this] { CmdRefresh_Click(); }); });
  const auto fileClick = [this] { Guarded("file selection", [this] { lstFileName_Click(); }); };
  connect(lstFileName, &ListBoxView::selectionMoved, this, fileClick);
  const auto rowClick = [this] { Guarded("row selection", [this] { LstRowNum_Click(); }); };
  connect(LstRowNum, &ListBoxView::selectionMoved, this, rowClick);
  connect(LstRowNum, &ListBoxView::reselected, this, rowClick);
  for (int index = 0; index < 2; ++index)
    connect(OptLocateByMiao[index], &QRadioButton::clicked, this,
            [this, index] { Guarded("mode switch", [this, index] { OptLocateByMiao_Click(index); }); });
  // The find dialog belongs to the mode that drives it.
  connect(OptLocateByMiao[0], &QRadioButton::toggled, this, [this] { WebBrowser1->CloseFindDialog(); });
}

frmMain::~frmMain() = default;

void frmMain::Guarded(const char* what, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Tallyview: %s ended: %s\n", what, error.what());
  }
}

void frmMain::FitFixedControls() {
  // The design's sizes were made for another font: a text that needs more
  // room gets it, to the right, where the design leaves space.
  // (A button's size hint is the style's smallest button, not its text.)
  for (QWidget* control :
       std::initializer_list<QWidget*>{LblFileName, ChkUseUltraEdit, OptLocateByMiao[0], OptLocateByMiao[1]}) {
    const QSize needed = control->sizeHint();
    control->resize(std::max(control->width(), needed.width()), std::max(control->height(), needed.height()));
  }
  const int optionsRight = std::max(OptLocateByMiao[0]->geometry().right(), OptLocateByMiao[1]->geometry().right());
  const int optionsBottom = OptLocateByMiao[1]->geometry().bottom();
  const int inset = OptLocateByMiao[0]->x();
  Frame1->resize(std::max(Frame1->width(), optionsRight + 1 + inset),
                 std::max(Frame1->height(), optionsBottom + 1 + inset / 2));

  // Every fixed control whole, with the design's margin on the right, and a
  // file list that still shows a few entries.
  int right = 0;
  for (QWidget* control :
       std::initializer_list<QWidget*>{LblFileName, TxtUltraEdit, CmdRefresh, ChkUseUltraEdit, TxtFileName, Frame1})
    right = std::max(right, control->geometry().right() + 1);
  const int margin = TwipsToPixels(kDesignedWidth - (kFrame1.Left + kFrame1.Width), logicalDpiX());
  const int listHeight = kMinimumListedEntries * lstFileName->fontMetrics().height();
  // The file list ends 700 twips above the window's outer bottom edge.
  const int bottom = lstFileName->y() + listHeight + TwipsToPixels(700, logicalDpiY());
  setMinimumSize(right + margin, std::max(bottom, Frame1->geometry().bottom() + 1));
}

bool frmMain::AnchorMode() const { return OptLocateByMiao[0]->isChecked(); }

std::string frmMain::SelectedFile() const {
  const int row = lstFileName->ListIndex();
  return row < 0 ? std::string() : lstFileNameItems->Item(row);
}

ViewerOptions frmMain::Options() const {
  return {platform::SystemTextFromQString(TxtUltraEdit->text()), ChkUseUltraEdit->Value(), AnchorMode()};
}

void frmMain::Form_Load() {
  if (!gIni) gIni = std::make_unique<ClsIni>();
  ViewerSettings settings(*gIni, logicalDpiX(), logicalDpiY());
  // Applying the stored mode builds no page: no file is selected yet.
  const ViewerOptions options = settings.ReadOptions(Options());
  TxtUltraEdit->setText(platform::SystemTextToQString(options.editorPath));
  ChkUseUltraEdit->SetValue(options.useEditor);
  OptLocateByMiao[options.anchorMode ? 0 : 1]->setChecked(true);

  Guarded("refresh", [this] { CmdRefresh_Click(); });

  // Width and height are outer sizes, frame and title bar included. Before
  // the first show the frame is not known yet: it is taken off then.
  const StoredPlacement placement = settings.ReadPlacement();
  if (placement.left) move(*placement.left, y());
  if (placement.top) move(x(), *placement.top);
  const QSize frame = frameGeometry().size() - size();
  if (placement.width) {
    resize(std::max(0, *placement.width - frame.width()), height());
    if (!isVisible()) pendingOuterWidth_ = placement.width;
  }
  if (placement.height) {
    resize(width(), std::max(0, *placement.height - frame.height()));
    if (!isVisible()) pendingOuterHeight_ = placement.height;
  }
}

void frmMain::CmdRefresh_Click() {
  lstFileNameItems->Clear();
  LstRowNumItems->Clear();
  TxtFileName->clear();
  sourceText_.clear();
  sourceTextProblem_.clear();
  // The entries go to the list in one piece: a million of them one by one
  // would keep the view busy.
  ListBoxBuffer entries;
  const RefreshResult refresh = RefreshReport(kReportPath, mapFiles, entries);
  if (refresh.reportOpened) lstFileNameItems->SetItems(std::move(entries.items));
  // The empty address shows what to do next.
  if (!refresh.reportOpened)
    noFileNotice_ = kNoFileSelected + QStringLiteral("结果报告 ") + platform::SystemTextToQString(kReportPath) +
                    QStringLiteral(" 不存在，或检字器正在写它：请先搜索，搜索结束后按“刷新”。");
  else if (!refresh.loadError.empty())
    noFileNotice_ = kNoFileSelected + QStringLiteral("结果报告没有读完，只列出了出错之前的文件：") +
                    QString::fromUtf8(refresh.loadError);
  else if (lstFileNameItems->Count() == 0)
    noFileNotice_ = kNoFileSelected + QStringLiteral("结果报告中没有文件。");
  else
    noFileNotice_ = kNoFileSelected + QStringLiteral("请在左边的文件列表中选择一个文件。");
  WebBrowser1->ShowNotice(noFileNotice_);
}

void frmMain::lstFileName_Click() {
  bAnchorPageReady = false;
  if (AnchorMode()) WebBrowser1->CloseFindDialog();
  const std::string s = SelectedFile();
  TxtFileName->setText(platform::SystemTextToQString(s));
  // A Word document is converted here, once per pick, as the finder did
  // before it counted the lines.
  sourceText_.clear();
  sourceTextProblem_.clear();
  try {
    sourceText_ = SourceTextPath(s, *services_.converter);
  } catch (const RunTimeError& error) {
    sourceTextProblem_ = ProblemText(error);
  }
  const std::shared_ptr<ClsMap> m = mapFiles.GetValue(s);
  if (!m || !AnchorMode())
    ShowSourceText();
  else
    ShowAnchorPage();

  if (m) {
    std::vector<std::string> entries;
    entries.reserve(m->GetObject().Count());
    for (const auto& entry : m->GetObject()) entries.push_back(entry.key + " " + entry.value);
    LstRowNumItems->SetItems(std::move(entries));
  } else {
    // A file without rows: the rows of the file picked before must not stay
    // listed under this one.
    LstRowNumItems->Clear();
  }
  LstRowNum->SetListIndex(0);
}

void frmMain::ShowSourceText() {
  if (sourceTextProblem_.isEmpty())
    WebBrowser1->Navigate2(sourceText_);
  else
    WebBrowser1->ShowNotice(sourceTextProblem_);
}

void frmMain::ShowAnchorPage() {
  if (lstFileName->ListIndex() < 0) {
    WebBrowser1->ShowNotice(noFileNotice_);
    return;
  }
  const std::string s = SelectedFile();
  const std::shared_ptr<ClsMap> m = mapFiles.GetValue(s);
  if (!m || !sourceTextProblem_.isEmpty()) {
    // No rows, so no anchors: the text itself, as file selection shows it.
    ShowSourceText();
    anchorPageProblem_ = sourceTextProblem_;
    bAnchorPageReady = sourceTextProblem_.isEmpty();
    return;
  }
  try {
    BuildAnchorPage(sourceText_, kAnchorPagePath, *m);
  } catch (const RunTimeError& error) {
    anchorPageProblem_ = ProblemText(error);
    WebBrowser1->ShowNotice(anchorPageProblem_);
    return;
  }
  WebBrowser1->SetPageSource(kAnchorPagePath, s);
  WebBrowser1->Navigate2(kAnchorPagePath);
  bAnchorPageReady = true;
}

void frmMain::LstRowNum_Click() {
  const int row = LstRowNum->ListIndex();
  // A copy: a handler that runs during the find box's waits may refill the list.
  const std::string e = row < 0 ? std::string() : LstRowNumItems->Item(row);
  std::string_view R, X;
  if (const std::size_t p = e.find(' '); p != std::string::npos) {
    R = platform::TrimSpaces(std::string_view(e).substr(0, p));
    X = platform::TrimSpaces(std::string_view(e).substr(p + 1));
  }
  // The editor gets the text the line numbers count: a Word document's
  // converted text, never the document.
  if (ChkUseUltraEdit->Value() != 0 && IsNumeric(R) && !sourceText_.empty()) {
    const std::string editor = platform::SystemTextFromQString(TxtUltraEdit->text());
    if (!OpenInEditor(*services_.starter, editor, sourceText_, R))
      std::fprintf(stderr, "Tallyview: cannot start the editor \"%s\"\n", TxtUltraEdit->text().toUtf8().constData());
  }
  if (AnchorMode()) {
    // Without a page for this file (it could not be built) a jump would show
    // an empty or another file's page; the reason stays on view instead.
    if (bAnchorPageReady)
      WebBrowser1->Navigate2(std::string(kAnchorPagePath) + "#" + std::string(platform::kAnchorPrefix) +
                             std::string(R));
    else
      WebBrowser1->ShowNotice(lstFileName->ListIndex() < 0 ? noFileNotice_ : anchorPageProblem_);
  } else {
    FindInBrowser(*services_.automation, QtWindowAutomation::Handle(WebBrowser1), std::string(X));
  }
}

void frmMain::OptLocateByMiao_Click(int /*Index*/) {
  if (AnchorMode() && !bAnchorPageReady) ShowAnchorPage();
}

void frmMain::BringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void frmMain::Form_Resize() {
  const QSize outer = frameGeometry().size();
  ResizeSteps(PixelsToTwips(outer.width(), logicalDpiX()), PixelsToTwips(outer.height(), logicalDpiY()), layout_);
  PlaceControls();
}

void frmMain::PlaceControls() {
  Place(lstFileName, layout_.lstFileName);
  Place(FrameRight, layout_.FrameRight);
  Place(LstRowNum, layout_.LstRowNum);
  Place(WebBrowser1, layout_.WebBrowser1);
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  WebBrowser1->CloseFindDialog();
  if (gIni) {
    const QRect outer = frameGeometry();
    ViewerSettings(*gIni, logicalDpiX(), logicalDpiY())
        .Write(Options(), {outer.x(), outer.y(), outer.width(), outer.height()});
  }
  gIni.reset();
  platform::RemoveFile(kAnchorPagePath);
  platform::RemoveFile(kConvertedTextPath);
}

void frmMain::ApplyPendingOuterSize() {
  const QSize frame = frameGeometry().size() - size();
  if ((!pendingOuterWidth_ && !pendingOuterHeight_) || frame.isNull()) return;
  const int newWidth = pendingOuterWidth_ ? std::max(0, *pendingOuterWidth_ - frame.width()) : width();
  const int newHeight = pendingOuterHeight_ ? std::max(0, *pendingOuterHeight_ - frame.height()) : height();
  pendingOuterWidth_.reset();
  pendingOuterHeight_.reset();
  resize(newWidth, newHeight);
}

void frmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ApplyPendingOuterSize();
  lastFrameSize_ = frameGeometry().size();
  Form_Resize();
}

void frmMain::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  ApplyPendingOuterSize();
  // The window system's frame arrives after the first show: the outer size
  // changes without a new client size.
  if (frameGeometry().size() != lastFrameSize_) {
    lastFrameSize_ = frameGeometry().size();
    Form_Resize();
  }
}

void frmMain::closeEvent(QCloseEvent* event) {
  Guarded("close", [this] { Form_Unload(); });
  event->accept();
}
