#include "viewer/control/BrowserControl.h"

#include <QChildEvent>
#include <QKeyEvent>

#include "viewer/control/FindDialog.h"

BrowserControl::BrowserControl(QWidget* parent) : QWidget(parent) { WatchFindKey(this); }

BrowserControl::~BrowserControl() { delete dialog_; }

FindDialog* BrowserControl::Dialog() const { return dialog_; }

void BrowserControl::OpenFindDialog() {
  if (!dialog_) {
    dialog_ = new FindDialog(window(), [this](const QString& text) { FindText(text); });
    // Over the window's bottom right corner: in the middle it would cover the
    // match that the search scrolls to, at the top the window's controls.
    dialog_->adjustSize();
    const QRect owner = window()->frameGeometry(), own = dialog_->frameGeometry();
    dialog_->move(std::max(owner.left(), owner.right() - own.width() - 24),
                  std::max(owner.top(), owner.bottom() - own.height() - 56));
  }
  dialog_->Open();
}

void BrowserControl::CloseFindDialog() {
  if (dialog_) dialog_->close();
}

void BrowserControl::WatchFindKey(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children()) WatchFindKey(child);
}

namespace {

bool IsFindKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_F && (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier |
                                                         Qt::ShiftModifier)) == Qt::ControlModifier;
}

}  // namespace

bool BrowserControl::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      // The web view makes its inner widgets late; the keys go to them.
      WatchFindKey(static_cast<QChildEvent*>(event)->child());
      break;
    case QEvent::ShortcutOverride:
      // Claimed here so that it arrives as a key press below.
      if (IsFindKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (IsFindKey(static_cast<QKeyEvent*>(event))) {
        OpenFindDialog();
        return true;
      }
      break;
    default: break;
  }
  return QWidget::eventFilter(watched, event);
}
