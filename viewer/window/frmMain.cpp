#include "viewer/window/frmMain.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>
#include <exception>

#include "platform/AsciiText.h"
#include "platform/Files.h"
#include "viewer/EditorHandOff.h"
#include "viewer/ModFile.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/support/ClsIni.h"
#include "viewer/support/RunTimeError.h"
#include "viewer/support/TextFunctions.h"
#include "viewer/window/AnsiText.h"
#include "viewer/control/FindDialog.h"
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

const QString kNoFileSelected = QStringLiteral("未选择文件。请在左边的文件列表中选择一个文件。");

void Place(QWidget* widget, const TwipsRect& rect) {
  const double dpiX = widget->logicalDpiX(), dpiY = widget->logicalDpiY();
  widget->setGeometry(TwipsToPixels(rect.Left, dpiX), TwipsToPixels(rect.Top, dpiY), TwipsToPixels(rect.Width, dpiX),
                      TwipsToPixels(rect.Height, dpiY));
}

// A step of loading that fails on an unusable value is skipped.
void Step(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

QString ProblemText(const std::exception& error) { return QString::fromUtf8(error.what()); }

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
}

frmMain::~frmMain() = default;

void frmMain::Guarded(const char* what, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Tallyview: %s ended: %s\n", what, error.what());
  }
}

bool frmMain::AnchorMode() const { return OptLocateByMiao[0]->isChecked(); }

std::string frmMain::SelectedFile() const {
  const int row = lstFileName->ListIndex();
  return row < 0 ? std::string() : lstFileNameItems->Item(row);
}

void frmMain::Form_Load() {
  if (!gIni) gIni = std::make_unique<ClsIni>();
  ClsIni& ini = *gIni;
  Step([&] { TxtUltraEdit->setText(FromAnsi(ini.ReadString("Path", "UltraEdit", ""))); });
  Step([&] {
    if (TxtUltraEdit->text().isEmpty()) TxtUltraEdit->setText(FromAnsi(kDefaultEditorPath));
  });
  Step([&] { ChkUseUltraEdit->SetValue(ini.ReadNum("Option", "UseUltraEdit", ChkUseUltraEdit->Value())); });
  Step([&] {
    // A checked button of a group cannot be cleared alone: clearing index 0
    // means checking index 1.
    const bool anchorMode = ini.ReadNum("Option", "UseMao", AnchorMode() ? -1 : 0) != 0;
    OptLocateByMiao[anchorMode ? 0 : 1]->setChecked(true);
  });
  Step([&] { OptLocateByMiao[1]->setChecked(!OptLocateByMiao[0]->isChecked()); });
  Guarded("refresh", [this] { CmdRefresh_Click(); });

  const double dpiX = logicalDpiX(), dpiY = logicalDpiY();
  Step([&] {
    if (const auto left = ParseTwips(ini.ReadString("WINDOW", "Left", ""))) move(TwipsToPixels(*left, dpiX), y());
  });
  Step([&] {
    if (const auto top = ParseTwips(ini.ReadString("WINDOW", "Top", ""))) move(x(), TwipsToPixels(*top, dpiY));
  });
  // Width and height are outer sizes, frame and title bar included. Before
  // the first show the frame is not known yet: it is taken off then.
  Step([&] {
    if (const auto width = ParseTwips(ini.ReadString("WINDOW", "Width", ""))) {
      const int outer = TwipsToPixels(*width, dpiX);
      if (outer < 0) return;
      resize(std::max(0, outer - (frameGeometry().width() - this->width())), height());
      if (!isVisible()) pendingOuterWidth_ = outer;
    }
  });
  Step([&] {
    if (const auto height = ParseTwips(ini.ReadString("WINDOW", "Height", ""))) {
      const int outer = TwipsToPixels(*height, dpiY);
      if (outer < 0) return;
      resize(width(), std::max(0, outer - (frameGeometry().height() - this->height())));
      if (!isVisible()) pendingOuterHeight_ = outer;
    }
  });
}

void frmMain::CmdRefresh_Click() {
  lstFileNameItems->Clear();
  LstRowNumItems->Clear();
  WebBrowser1->Navigate2("");
  // The entries go to the list in one piece: a million of them one by one
  // would keep the view busy.
  ListBoxBuffer entries;
  lastRefresh_ = RefreshReport(kReportPath, mapFiles, entries);
  if (lastRefresh_.reportOpened) lstFileNameItems->SetItems(std::move(entries.items));
  if (!lastRefresh_.loadError.empty()) {
    std::fprintf(stderr, "Tallyview: the report was read only in part: %s\n", lastRefresh_.loadError.c_str());
    WebBrowser1->ShowNotice(QStringLiteral("结果报告没有读完，只列出了出错之前的文件：") +
                            QString::fromUtf8(lastRefresh_.loadError));
  }
}

void frmMain::lstFileName_Click() {
  bAnchorPageReady = false;
  const std::string s = SelectedFile();
  TxtFileName->setText(FromAnsi(s));
  const std::shared_ptr<ClsMap> m = mapFiles.GetValue(s);
  if (!m || !AnchorMode())
    WebBrowser1->Navigate2(s);
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

void frmMain::ShowAnchorPage() {
  if (lstFileName->ListIndex() < 0) {
    WebBrowser1->ShowNotice(kNoFileSelected);
    return;
  }
  const std::string s = SelectedFile();
  const std::shared_ptr<ClsMap> m = mapFiles.GetValue(s);
  if (!m) {
    // No rows, so no anchors: the file itself, as file selection shows it.
    WebBrowser1->Navigate2(s);
    bAnchorPageReady = true;
    return;
  }
  try {
    BuildAnchorPage(s, kAnchorPagePath, *m);
  } catch (const RunTimeError& error) {
    anchorPageProblem_ = QStringLiteral("无法显示这个文件：") + ProblemText(error);
    WebBrowser1->ShowNotice(anchorPageProblem_);
    return;
  }
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
  if (ChkUseUltraEdit->Value() != 0 && IsNumeric(R)) {
    const std::string editor = ToAnsi(TxtUltraEdit->text());
    if (!OpenInEditor(*services_.starter, editor, SelectedFile(), R))
      std::fprintf(stderr, "Tallyview: cannot start the editor \"%s\"\n", TxtUltraEdit->text().toUtf8().constData());
  }
  if (AnchorMode()) {
    // Without a page for this file (it could not be built) a jump would show
    // an empty or another file's page; the reason stays on view instead.
    if (bAnchorPageReady)
      WebBrowser1->Navigate2(std::string(kAnchorPagePath) + "#mao_Line" + std::string(R));
    else
      WebBrowser1->ShowNotice(lstFileName->ListIndex() < 0 ? kNoFileSelected : anchorPageProblem_);
  } else {
    FindInBrowser(*services_.automation, QtWindowAutomation::Handle(WebBrowser1), std::string(X));
  }
}

void frmMain::OptLocateByMiao_Click(int /*Index*/) {
  if (AnchorMode() && !bAnchorPageReady) ShowAnchorPage();
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
  if (WebBrowser1->Dialog()) WebBrowser1->Dialog()->close();
  if (gIni) {
    ClsIni& ini = *gIni;
    const QRect outer = frameGeometry();
    const double dpiX = logicalDpiX(), dpiY = logicalDpiY();
    Step([&] { ini.WriteString("Path", "UltraEdit", ToAnsi(TxtUltraEdit->text())); });
    Step([&] { ini.WriteNum("Option", "UseUltraEdit", ChkUseUltraEdit->Value()); });
    Step([&] { ini.WriteNum("Option", "UseMao", AnchorMode() ? -1 : 0); });
    Step([&] { ini.WriteString("WINDOW", "Left", FormatTwips(PixelsToTwips(outer.x(), dpiX))); });
    Step([&] { ini.WriteString("WINDOW", "Top", FormatTwips(PixelsToTwips(outer.y(), dpiY))); });
    Step([&] { ini.WriteString("WINDOW", "Width", FormatTwips(PixelsToTwips(outer.width(), dpiX))); });
    Step([&] { ini.WriteString("WINDOW", "Height", FormatTwips(PixelsToTwips(outer.height(), dpiY))); });
  }
  gIni.reset();
  platform::RemoveFile(kAnchorPagePath);
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
