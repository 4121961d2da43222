// The finder's dialog "岚桥检字器 V0.80": the controls of its template, laid
// out in dialog units of its font, wired to FinderController. Notices of the
// worker arrive as queued events (WM_FINDER_NOTIFY).
#pragma once

#include <QDialog>
#include <QEvent>
#include <QIcon>
#include <QMap>
#include <QString>
#include <mutex>
#include <string>
#include <utility>

#include "finder/app/logic/DesktopServices.h"
#include "finder/app/logic/FinderController.h"
#include "finder/app/logic/FinderNotice.h"
#include "finder/app/logic/FinderView.h"

class QMenu;
class StatusLine;

// The program's icon (the window's, the about box's).
QIcon FinderIcon();

// WM_FINDER_NOTIFY as a queued event to the dialog.
class FinderNotifyEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + (WM_FINDER_NOTIFY - 1024));
  explicit FinderNotifyEvent(FinderNotice notice) : QEvent(kType), notice(std::move(notice)) {}
  FinderNotice notice;
};

class FinderDialog : public QDialog, public FinderView, public NoticePoster {
 public:
  static constexpr int kAboutCommand = 16;

  FinderDialog(DesktopServices& services, FinderPaths paths, QWidget* parent = nullptr);
  ~FinderDialog() override;

  QWidget* Control(int id) const { return controls_.value(id); }
  FinderController& Controller() { return controller_; }
  // The stand-in for the system menu: right click on the dialog, or Alt+Space.
  QMenu* SystemMenu() const { return systemMenu_; }
  void OnSysCommand(int command);

  std::string ControlText(int id) const override;
  void SetControlText(int id, const std::string& text) override;
  bool IsChecked(int id) const override;
  void SetChecked(int id, bool checked) override;
  void EnableControl(int id, bool enabled) override;
  void FocusControl(int id) override;

  void PostFinderNotify(FinderNotice notice) override;
  void PostCall(std::function<void()> call) override;

  void reject() override;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildControls();
  void BuildSystemMenu();
  void ShowAbout();
  void Post(QEvent* event);

  FinderController controller_;
  QMap<int, QWidget*> controls_;
  // Per edit: the CP936 text last set and how it was shown, so that a name
  // CP936 cannot represent comes back unchanged when the user left it alone.
  QMap<int, std::pair<QString, std::string>> shownTexts_;
  StatusLine* status_ = nullptr;
  QMenu* systemMenu_ = nullptr;
  // Qt's event queue locks with a mutex that thread checkers cannot see; this
  // one makes the hand-over of a notice from the worker visible to them.
  std::mutex handoff_;
  bool ended_ = false;
};
