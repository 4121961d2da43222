#include "viewer/window/QtWindowAutomation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <chrono>

#include "platform/qt/SystemText.h"

QWidget* QtWindowAutomation::Widget(WindowHandle handle) {
  if (handle == 0) return nullptr;
  for (QWidget* widget : QApplication::allWidgets())
    if (Handle(widget) == handle) return widget;
  return nullptr;
}

WindowHandle QtWindowAutomation::FindWindowA(const std::string& className, const std::string& windowName) {
  const QString name = platform::SystemTextToQString(className), title = platform::SystemTextToQString(windowName);
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->objectName() == name && window->windowTitle() == title) return Handle(window);
  return 0;
}

void QtWindowAutomation::SetForegroundWindow(WindowHandle window) {
  QWidget* widget = Widget(window);
  if (!widget) return;
  QWidget* topLevel = widget->window();
  topLevel->raise();
  topLevel->activateWindow();
  // The window system activates the window later; Qt's own view of it moves
  // now, so that the focus (and the field's selected text) is in place before
  // the next keys arrive.
  QApplication::setActiveWindow(topLevel);
  if (!widget->isWindow()) widget->setFocus(Qt::OtherFocusReason);
  keyboard_ = widget;
}

WindowHandle QtWindowAutomation::GetWindow(WindowHandle window, int relation) {
  QWidget* widget = Widget(window);
  if (!widget || relation != GW_CHILD) return 0;
  for (QObject* child : widget->children())
    if (child->isWidgetType()) return Handle(static_cast<QWidget*>(child));
  return 0;
}

void QtWindowAutomation::SetFocus(WindowHandle control) {
  QWidget* widget = Widget(control);
  if (!widget) return;
  widget->setFocus(Qt::OtherFocusReason);
  keyboard_ = widget;
}

QWidget* QtWindowAutomation::KeyTarget() const {
  QWidget* target = keyboard_;
  if (!target) return QApplication::focusWidget();
  if (target->isWindow() && target->focusWidget()) target = target->focusWidget();
  while (target->focusProxy()) target = target->focusProxy();
  return target;
}

namespace {

void PostKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}

}  // namespace

void QtWindowAutomation::SendKeys(const std::string& keys) {
  QWidget* target = KeyTarget();
  if (!target) return;
  for (const KeyStroke& stroke : ParseKeys(keys)) {
    Qt::KeyboardModifiers modifiers;
    if (stroke.control) modifiers |= Qt::ControlModifier;
    if (stroke.shift) modifiers |= Qt::ShiftModifier;
    if (stroke.alt) modifiers |= Qt::AltModifier;
    if (stroke.enter) {
      PostKey(target, Qt::Key_Return, modifiers, QStringLiteral("\r"));
      continue;
    }
    const QString character = platform::SystemTextToQString(stroke.text);
    const char16_t unit = character.isEmpty() ? u'\0' : character.at(0).unicode();
    int key = Qt::Key_unknown;
    if (unit == u' ')
      key = Qt::Key_Space;
    else if (unit >= u'a' && unit <= u'z')
      key = Qt::Key_A + (unit - u'a');
    else if (unit > u' ' && unit < 0x7F)
      key = unit >= u'A' && unit <= u'Z' ? Qt::Key_A + (unit - u'A') : unit;
    // A Ctrl key carries the control character, as a keyboard gives it; an
    // Alt key types nothing.
    QString carried = character;
    if (stroke.control)
      carried = key >= Qt::Key_A && key <= Qt::Key_Z ? QString(QChar(key - Qt::Key_A + 1)) : QString();
    else if (stroke.alt)
      carried.clear();
    PostKey(target, key, modifiers, carried);
  }
}

void QtWindowAutomation::DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtWindowAutomation::IdleBriefly() {
  // A timer bounds the sleep; any event ends it sooner.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(20);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::int64_t QtWindowAutomation::Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
