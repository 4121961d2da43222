// The viewer's window: the report's files, the selected file's rows, and the
// browser that shows the file at the selected row, by its anchor page or by
// the browser's find dialog; optionally the editor opens the file there too.
#pragma once

#include <QCheckBox>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "viewer/FormLayout.h"
#include "viewer/ModAPI.h"
#include "viewer/ModMain.h"
#include "viewer/support/ClsObjMap.h"
#include "viewer/control/BrowserControl.h"
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

// The editor path the window offers when the settings hold none.
inline constexpr char kDefaultEditorPath[] = "D:\\Program Files\\IDM COMPUTER SOLUTIONS\\ULTRAEDIT-32\\uedit32.exe";

class frmMain : public QWidget {
  Q_OBJECT
 public:
  // What the window needs of the desktop: the find-box driving's operations,
  // program start for the editor, and the browser control to embed.
  struct Services {
    WindowAutomation* automation = nullptr;
    ProgramStarter* starter = nullptr;
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
  // Writes the settings, releases gIni, deletes the anchor page. Runs once,
  // when the window closes.
  void Form_Unload();

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

  // How the last refresh went.
  const RefreshResult& LastRefresh() const { return lastRefresh_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowAnchorPage();
  bool AnchorMode() const;
  // The selected entry of lstFileName, or "" when none is selected.
  std::string SelectedFile() const;
  // Runs a handler so that no error ends the viewer: the operation ends and
  // one line goes to stderr.
  void Guarded(const char* what, const std::function<void()>& handler);
  void PlaceControls();
  // The outer size asked for before the window system had put a frame around
  // the window, applied once the frame is known.
  void ApplyPendingOuterSize();
  std::optional<int> pendingOuterWidth_, pendingOuterHeight_;

  Services services_;
  ResizedControls layout_;
  RefreshResult lastRefresh_;
  QString anchorPageProblem_;
  QSize lastFrameSize_;
  bool unloaded_ = false;
};
