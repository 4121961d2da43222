// The viewer's window: the report's files, the selected file's rows, and the
// browser that shows the file at the selected row, by its anchor page or by
// the browser's find dialog; optionally the editor opens the file there too.
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
#include "viewer/ModMain.h"
#include "viewer/SourceText.h"
#include "viewer/ViewerSettings.h"
#include "viewer/control/BrowserControl.h"
#include "viewer/support/ClsObjMap.h"
#include "viewer/window/ListBoxModel.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

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

class frmMain : public QWidget {
  Q_OBJECT
 public:
  // What the window needs of the desktop: the find-box driving's operations,
  // program start for the editor, the converter of Word documents, and the
  // browser control to embed.
  struct Services {
    WindowAutomation* automation = nullptr;
    ProgramStarter* starter = nullptr;
    DocumentConverter* converter = nullptr;
    std::function<BrowserControl*(QWidget* parent)> makeBrowser;
  };
  explicit frmMain(const Services& services);
  ~frmMain() override;

  // Reads the settings through gIni, loads the report, places the window.
  void Form_Load();
  void CmdRefresh_Click();
  void lstFileName_Click();
  void LstRowNum_Click();
  void OptLocateByMiao_Click(int Index);
  void Form_Resize();
  // Writes the settings, releases gIni, deletes the anchor page and the
  // converted text. Runs once, when the window closes.
  void Form_Unload();
  // A later start of the viewer brings this window to the front.
  void BringToFront();

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

  // The entries of the two lists.
  ListBoxModel* lstFileNameItems;
  ListBoxModel* LstRowNumItems;

  ClsObjMap mapFiles;
  bool bAnchorPageReady = false;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowAnchorPage();
  // The selected file's text itself, or why it cannot be shown.
  void ShowSourceText();
  bool AnchorMode() const;
  // The selected entry of lstFileName, or "" when none is selected.
  std::string SelectedFile() const;
  ViewerOptions Options() const;
  // Runs a handler so that no error ends the viewer.
  void Guarded(const char* what, const std::function<void()>& handler);
  void PlaceControls();
  // Widens the fixed controls whose texts would be cut off, and keeps the
  // window from becoming smaller than they need.
  void FitFixedControls();
  // The outer size asked for before the window system had put a frame around
  // the window, applied once the frame is known.
  void ApplyPendingOuterSize();
  std::optional<int> pendingOuterWidth_, pendingOuterHeight_;

  Services services_;
  ResizedControls layout_;
  // What the browser says while no file is selected: how the last refresh went.
  QString noFileNotice_;
  // The selected file's text (the file, or a Word document's conversion),
  // or, when that cannot be had, why.
  std::string sourceText_;
  QString sourceTextProblem_;
  QString anchorPageProblem_;
  QSize lastFrameSize_;
  bool unloaded_ = false;
};
