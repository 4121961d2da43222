// The viewer's window: the report's files, the selected file's rows, and the
// browser that shows the file at the selected row, side by side in panes the
// user sizes, with a status line below. Its decisions are ViewerController's;
// the window wires the controls to it and shows what it is told.
//
// Errors: every handler runs guarded. A run-time error ends the operation in
// progress and never the viewer. What concerns the page shows in the
// browser as a short notice; what goes wrong outside the window (an editor
// that does not start, an operation that ended on an error) is one line on
// stderr.
#pragma once

#include <QCheckBox>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "viewer/FormLayout.h"
#include "viewer/ModAPI.h"
#include "viewer/SourceText.h"
#include "viewer/ViewerController.h"
#include "viewer/ViewerView.h"
#include "viewer/control/BrowserControl.h"

class ClsIni;
class ListBoxModel;
class ListBoxView;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSplitter;

// A check box with the three values 0 unchecked, 1 checked and 2 grayed.
// Grayed is set only by the program; a click turns it into checked.
class ValueCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;
  int Value() const;
  // False, leaving the box as it was, for a value other than 0, 1 or 2.
  bool SetValue(int value);

 protected:
  void nextCheckState() override;
};

// The controls carry their design names as object names ("lstFileName",
// "LstRowNum", "WebBrowser1", "OptLocateByMiao0", ...; the panes' splitters
// "Panes" and "RowPanes", the status line "StatusLine").
class frmMain : public QWidget, private ViewerView {
  Q_OBJECT
 public:
  // What the window needs of the desktop: the find-box driving's operations,
  // program start for the editor, the converter of Word documents, the
  // settings file, and the browser control to embed.
  struct Services {
    WindowAutomation* automation = nullptr;
    ProgramStarter* starter = nullptr;
    DocumentConverter* converter = nullptr;
    ClsIni* settings = nullptr;
    std::function<BrowserControl*(QWidget* parent)> makeBrowser;
  };
  explicit frmMain(const Services& services);
  ~frmMain() override;

  // The report to read (a CP936 path text) instead of the default one; set
  // before Form_Load.
  void SetReportPath(const std::string& strReportPath) { controller_.SetReportPath(strReportPath); }
  // Reads the settings, loads the report, places the window and its panes.
  void Form_Load();
  void BringToFront();
  // A later start of the viewer: the window comes to the front, having
  // loaded the report that start was given (its native path), if any.
  void StartedAgain(const QByteArray& nativeReport);

  ViewerController& Controller() { return controller_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // ViewerView
  void FilesChanged() override;
  void RowsChanged() override;
  int FileListIndex() const override;
  int RowListIndex() const override;
  void SelectRow(int index) override;
  void SetFileNameText(const std::string& ansiText) override;
  std::string EditorPath() const override;
  void SetEditorPath(const std::string& ansiText) override;
  int EditorOption() const override;
  void SetEditorOption(int value) override;
  bool AnchorMode() const override;
  void SetAnchorMode(bool anchorMode) override;
  void Navigate2(const std::string& ansiText) override;
  void SetPageSource(const std::string& pageAnsi, const std::string& sourceAnsi) override;
  void ShowNotice(const std::string& text) override;
  void CloseFindDialog() override;
  WindowHandle Browser() const override;
  void ShowStatus(const std::string& text) override;

  // Runs a handler so that no error ends the viewer.
  void Guarded(const char* what, const std::function<void()>& handler);
  void Form_Resize();
  void PlaceControls();
  int StatusHeight() const;
  // The status text, shortened to the line's width.
  void ShowStatusText();
  // The file name box stands over the right pane, wherever its splitter is.
  void PlaceFileNameBox();
  void ApplyPaneWidths();
  PaneWidths CurrentPaneWidths() const;
  // Widens the fixed controls whose texts would be cut off, and keeps the
  // window from becoming smaller than they need.
  void FitFixedControls();
  // The outer size asked for before the window system had put a frame around
  // the window, applied once the frame is known.
  void ApplyPendingOuterSize();

  // The controls, by their design names.
  ListBoxView* lstFileName;
  QLabel* LblFileName;
  QLineEdit* TxtUltraEdit;
  QPushButton* CmdRefresh;
  QGroupBox* FrameRight;
  ListBoxView* LstRowNum;
  BrowserControl* WebBrowser1;
  ValueCheckBox* ChkUseUltraEdit;
  QLineEdit* TxtFileName;
  QGroupBox* Frame1;
  std::array<QRadioButton*, 2> OptLocateByMiao;
  ListBoxModel* lstFileNameItems;
  ListBoxModel* LstRowNumItems;
  QSplitter* panes_;     // the file list | the right frame
  QSplitter* rowPanes_;  // inside the frame: the row list | the browser
  QLabel* statusLine_;
  QString status_;

  Services services_;
  ViewerController controller_;
  ResizedControls layout_;
  // Pane widths to apply once the panes have their first size.
  std::optional<PaneWidths> pendingPanes_;
  std::optional<int> pendingOuterWidth_, pendingOuterHeight_;
  QSize lastFrameSize_;
};
