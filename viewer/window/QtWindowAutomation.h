// The desktop operations of the find-box driving over Qt's windows: handles
// are the viewer's own widgets, keys are synthesized key events queued to
// the widget that has the keyboard.
#pragma once

#include <QPointer>
#include <QWidget>

#include "viewer/ModAPI.h"

class QtWindowAutomation : public WindowAutomation {
 public:
  WindowHandle FindWindowA(const std::string& className, const std::string& windowName) override;
  void SetForegroundWindow(WindowHandle window) override;
  WindowHandle GetWindow(WindowHandle window, int relation) override;
  void SetFocus(WindowHandle control) override;
  void SendKeys(const std::string& keys) override;
  void DoEvents() override;
  void IdleBriefly() override;
  std::int64_t Now() override;

  static WindowHandle Handle(QWidget* widget) { return reinterpret_cast<WindowHandle>(widget); }
  // The widget of a handle, or nullptr when no such widget exists (any more).
  static QWidget* Widget(WindowHandle handle);

 private:
  // The widget that the keys sent next go to.
  QWidget* KeyTarget() const;

  QPointer<QWidget> keyboard_;
};
