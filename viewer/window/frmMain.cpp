#include "viewer/window/frmMain.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <exception>

#include "platform/qt/SystemText.h"
#include "viewer/ModMain.h"
#include "viewer/window/ListBoxModel.h"
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

int X(const QWidget* widget, double twips) { return TwipsToPixels(twips, widget->logicalDpiX()); }
int Y(const QWidget* widget, double twips) { return TwipsToPixels(twips, widget->logicalDpiY()); }

void Place(QWidget* widget, const TwipsRect& rect) {
  widget->setGeometry(X(widget, rect.Left), Y(widget, rect.Top), X(widget, rect.Width), Y(widget, rect.Height));
}

}  // namespace

frmMain::frmMain(const Services& services)
    : services_(services),
      controller_(*this, *services.settings, {services.automation, services.starter, services.converter},
                  logicalDpiX(), logicalDpiY()) {
  setWindowTitle(QStringLiteral("岚桥检字器之中文字符浏览器 V0.80"));
  resize(X(this, kDesignedWidth), Y(this, kDesignedHeight));

  // The file list and the right frame share the window through a splitter,
  // the row list and the browser share the frame through another; the
  // browser takes what the window gains.
  panes_ = new QSplitter(Qt::Horizontal, this);
  auto* filePane = new QWidget(panes_);
  auto* framePane = new QWidget(panes_);

  // Made in tab order.
  lstFileName = new ListBoxView(filePane);
  LblFileName = new QLabel(QStringLiteral("文件列表"), this);
  TxtUltraEdit = new QLineEdit(this);
  CmdRefresh = new QPushButton(QStringLiteral("刷新"), this);
  FrameRight = new QGroupBox(framePane);
  rowPanes_ = new QSplitter(Qt::Horizontal, FrameRight);
  LstRowNum = new ListBoxView(rowPanes_);
  WebBrowser1 = services_.makeBrowser(rowPanes_);
  ChkUseUltraEdit = new ValueCheckBox(QStringLiteral("使用 UltraEdit 打开"), this);
  TxtFileName = new QLineEdit(this);
  Frame1 = new QGroupBox(QStringLiteral("定位方法"), this);
  OptLocateByMiao[0] = new QRadioButton(QStringLiteral("使用锚点"), Frame1);
  OptLocateByMiao[1] = new QRadioButton(QStringLiteral("使用IE搜索框"), Frame1);
  OptLocateByMiao[0]->setChecked(true);
  statusLine_ = new QLabel(this);
  statusLine_->setTextFormat(Qt::PlainText);

  for (const auto& [widget, name] : std::initializer_list<std::pair<QWidget*, const char*>>{
           {lstFileName, "lstFileName"}, {LblFileName, "LblFileName"}, {TxtUltraEdit, "TxtUltraEdit"},
           {CmdRefresh, "CmdRefresh"}, {FrameRight, "FrameRight"}, {LstRowNum, "LstRowNum"},
           {WebBrowser1, "WebBrowser1"}, {ChkUseUltraEdit, "ChkUseUltraEdit"}, {TxtFileName, "TxtFileName"},
           {Frame1, "Frame1"}, {OptLocateByMiao[0], "OptLocateByMiao0"}, {OptLocateByMiao[1], "OptLocateByMiao1"},
           {panes_, "Panes"}, {rowPanes_, "RowPanes"}, {statusLine_, "StatusLine"}})
    widget->setObjectName(QString::fromLatin1(name));

  lstFileNameItems = new ListBoxModel(
      this, [this] { return controller_.FileCount(); }, [this](std::size_t row) { return controller_.FileEntry(row); });
  LstRowNumItems = new ListBoxModel(
      this, [this] { return controller_.RowCount(); }, [this](std::size_t row) { return controller_.RowEntry(row); });
  lstFileName->setModel(lstFileNameItems);
  LstRowNum->setModel(LstRowNumItems);
  // A narrow list keeps in view what tells a file apart from the others.
  lstFileName->setItemDelegate(new PathItemDelegate(lstFileName));
  lstFileName->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  // The panes stand where the design put the lists and the frame: the file
  // list from its top, the frame 250 twips lower, the row list and the
  // browser at their places inside the frame. Their gaps are the handles.
  auto* fileLayout = new QVBoxLayout(filePane);
  fileLayout->setContentsMargins(0, 0, 0, Y(this, 250));
  fileLayout->addWidget(lstFileName);
  auto* frameLayout = new QVBoxLayout(framePane);
  frameLayout->setContentsMargins(0, Y(this, 250), 0, 0);
  frameLayout->addWidget(FrameRight);
  auto* rowLayout = new QHBoxLayout(FrameRight);
  rowLayout->setContentsMargins(X(this, 100), Y(this, 200), X(this, 250), Y(this, 100));
  rowLayout->addWidget(rowPanes_);
  panes_->setHandleWidth(std::max(X(this, 100), 6));
  rowPanes_->setHandleWidth(std::max(X(this, 50), 6));
  for (QSplitter* splitter : {panes_, rowPanes_}) {
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
  }
  // Small enough for any window the fixed controls allow: a scroll bar
  // that appears must not make a pane taller than the window.
  lstFileName->setMinimumSize(X(this, 600), Y(this, 600));
  LstRowNum->setMinimumSize(X(this, 600), Y(this, 600));
  WebBrowser1->setMinimumSize(X(this, 900), Y(this, 600));
  pendingPanes_ = PaneWidths{X(this, klstFileName.Width), X(this, 1500)};

  Place(LblFileName, kLblFileName);
  Place(TxtUltraEdit, kTxtUltraEdit);
  Place(CmdRefresh, kCmdRefresh);
  Place(ChkUseUltraEdit, kChkUseUltraEdit);
  Place(TxtFileName, kTxtFileName);
  Place(Frame1, kFrame1);
  Place(OptLocateByMiao[0], kOptLocateByMiao[0]);
  Place(OptLocateByMiao[1], kOptLocateByMiao[1]);
  // The design's resize steps, for the outer size of the designed client area.
  layout_ = {klstFileName, kFrameRight, kLstRowNum, kWebBrowser1};
  // The file name box overlaps the right pane's top margin.
  TxtFileName->raise();
  FitFixedControls();

  QWidget* const tabOrder[] = {lstFileName,     TxtUltraEdit, CmdRefresh,         LstRowNum,         WebBrowser1,
                               ChkUseUltraEdit, TxtFileName,  OptLocateByMiao[0], OptLocateByMiao[1]};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
  lstFileName->setFocus();

  connect(CmdRefresh, &QPushButton::clicked, this,
          [this] { Guarded("refresh", [this] { controller_.CmdRefresh_Click(); }); });
  connect(lstFileName, &ListBoxView::selectionMoved, this,
          [this] { Guarded("file selection", [this] { controller_.lstFileName_Click(); }); });
  const auto rowClick = [this] { Guarded("row selection", [this] { controller_.LstRowNum_Click(); }); };
  connect(LstRowNum, &ListBoxView::selectionMoved, this, rowClick);
  connect(LstRowNum, &ListBoxView::reselected, this, rowClick);
  for (int index = 0; index < 2; ++index)
    connect(OptLocateByMiao[index], &QRadioButton::clicked, this,
            [this, index] { Guarded("mode switch", [this, index] { controller_.OptLocateByMiao_Click(index); }); });
  // The find dialog belongs to the mode that drives it.
  connect(OptLocateByMiao[0], &QRadioButton::toggled, this, [this] { WebBrowser1->CloseFindDialog(); });
  for (QSplitter* splitter : {panes_, rowPanes_})
    connect(splitter, &QSplitter::splitterMoved, this, [this] {
      controller_.PanesMoved();
      PlaceFileNameBox();
    });
  connect(WebBrowser1, &BrowserControl::found, this, [this](const QString& text, int matches) {
    controller_.FindFinished(platform::SystemTextFromQString(text), matches);
  });
  connect(WebBrowser1, &BrowserControl::pageLoadProgress, this,
          [this](int percent) { controller_.PageLoadProgress(percent); });
  connect(WebBrowser1, &BrowserControl::pageLoaded, this, [this] { controller_.PageLoadFinished(); });
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
  // file list that still shows a few entries above the status line.
  int right = 0;
  for (QWidget* control :
       std::initializer_list<QWidget*>{LblFileName, TxtUltraEdit, CmdRefresh, ChkUseUltraEdit, TxtFileName, Frame1})
    right = std::max(right, control->geometry().right() + 1);
  const int margin = X(this, kDesignedWidth - (kFrame1.Left + kFrame1.Width));
  const int listHeight = kMinimumListedEntries * lstFileName->fontMetrics().height();
  // The file list ends 700 twips above the window's outer bottom edge.
  const int bottom = Y(this, klstFileName.Top) + listHeight + Y(this, 700) + StatusHeight();
  setMinimumSize(right + margin, std::max(bottom, Frame1->geometry().bottom() + 1));
}

void frmMain::Form_Load() {
  const ViewerController::StoredWindow stored = controller_.Form_Load();
  if (stored.panes) pendingPanes_ = stored.panes;

  // Width and height are outer sizes, frame and title bar included. Before
  // the first show the frame is not known yet: it is taken off then.
  const StoredPlacement& placement = stored.placement;
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
  Form_Resize();
}

void frmMain::StartedAgain(const QByteArray& nativeReport) {
  if (!nativeReport.isEmpty())
    Guarded("open report", [&] { controller_.OpenReport(ReportPathFromArgument(nativeReport.toStdString())); });
  BringToFront();
}

void frmMain::BringToFront() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void frmMain::Form_Resize() {
  // The status line takes its height off the bottom; the design's steps
  // share out the rest.
  const QSize outer = frameGeometry().size();
  const int statusHeight = StatusHeight();
  ResizeSteps(PixelsToTwips(outer.width(), logicalDpiX()), PixelsToTwips(outer.height() - statusHeight, logicalDpiY()),
              layout_);
  PlaceControls();
}

void frmMain::PlaceControls() {
  // The panes span the design's file list and right frame.
  const TwipsRect& list = layout_.lstFileName;
  const TwipsRect& frame = layout_.FrameRight;
  const int left = X(this, list.Left), top = Y(this, list.Top);
  panes_->setGeometry(left, top, std::max(0, X(this, frame.Left + frame.Width) - left),
                      std::max(0, Y(this, frame.Top + frame.Height) - top));
  const int statusHeight = StatusHeight();
  statusLine_->setGeometry(left, height() - statusHeight, std::max(0, width() - 2 * left), statusHeight);
  ShowStatusText();
  ApplyPaneWidths();
  PlaceFileNameBox();
}

void frmMain::ApplyPaneWidths() {
  if (!pendingPanes_ || panes_->width() <= 0) return;
  const PaneWidths panes = *std::exchange(pendingPanes_, std::nullopt);
  panes_->setSizes({panes.fileList, std::max(1, panes_->width() - panes.fileList - panes_->handleWidth())});
  // The frame's inner width follows from the outer split.
  panes_->widget(1)->layout()->activate();
  FrameRight->layout()->activate();
  rowPanes_->setSizes({panes.rowList, std::max(1, rowPanes_->width() - panes.rowList - rowPanes_->handleWidth())});
}

PaneWidths frmMain::CurrentPaneWidths() const { return {lstFileName->width(), LstRowNum->width()}; }

void frmMain::PlaceFileNameBox() {
  // Beside the design's margin from the frame, never under the mode frame.
  const int left = panes_->x() + panes_->widget(1)->x() + X(this, kTxtFileName.Left - (klstFileName.Left +
                                                                                      klstFileName.Width + 100));
  const int width = std::min({X(this, kTxtFileName.Width), Frame1->x() - X(this, 100) - left,
                              panes_->geometry().right() - left});
  TxtFileName->setGeometry(left, Y(this, kTxtFileName.Top), std::max(0, width), Y(this, kTxtFileName.Height));
}

// ViewerView

void frmMain::FilesChanged() { lstFileNameItems->Reset(); }
void frmMain::RowsChanged() { LstRowNumItems->Reset(); }
int frmMain::FileListIndex() const { return lstFileName->ListIndex(); }
int frmMain::RowListIndex() const { return LstRowNum->ListIndex(); }
void frmMain::SelectRow(int index) { LstRowNum->SelectQuietly(index); }

void frmMain::SetFileNameText(const std::string& ansiText) {
  TxtFileName->setText(platform::SystemTextToQString(ansiText));
  TxtFileName->setCursorPosition(0);
}

std::string frmMain::EditorPath() const { return platform::SystemTextFromQString(TxtUltraEdit->text()); }
void frmMain::SetEditorPath(const std::string& ansiText) {
  TxtUltraEdit->setText(platform::SystemTextToQString(ansiText));
}
int frmMain::EditorOption() const { return ChkUseUltraEdit->Value(); }
void frmMain::SetEditorOption(int value) { ChkUseUltraEdit->SetValue(value); }
bool frmMain::AnchorMode() const { return OptLocateByMiao[0]->isChecked(); }
void frmMain::SetAnchorMode(bool anchorMode) { OptLocateByMiao[anchorMode ? 0 : 1]->setChecked(true); }
void frmMain::Navigate2(const std::string& ansiText) { WebBrowser1->Navigate2(ansiText); }
void frmMain::SetPageSource(const std::string& pageAnsi, const std::string& sourceAnsi) {
  WebBrowser1->SetPageSource(pageAnsi, sourceAnsi);
}
void frmMain::ShowNotice(const std::string& text) { WebBrowser1->ShowNotice(QString::fromUtf8(text)); }
void frmMain::CloseFindDialog() { WebBrowser1->CloseFindDialog(); }
WindowHandle frmMain::Browser() const { return QtWindowAutomation::Handle(WebBrowser1); }

void frmMain::ShowStatus(const std::string& text) {
  status_ = QString::fromUtf8(text);
  ShowStatusText();
}

int frmMain::StatusHeight() const { return statusLine_->fontMetrics().height() + Y(this, 90); }

void frmMain::ShowStatusText() {
  // A long word is shortened at its end; the tip holds it whole.
  statusLine_->setText(statusLine_->fontMetrics().elidedText(status_, Qt::ElideRight, statusLine_->width()));
  statusLine_->setToolTip(statusLine_->text() == status_ ? QString() : status_);
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
  Guarded("close", [this] {
    const QRect outer = frameGeometry();
    controller_.Form_Unload({outer.x(), outer.y(), outer.width(), outer.height()}, CurrentPaneWidths());
  });
  event->accept();
}
