#include "viewer/control/FindDialog.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "platform/qt/SystemText.h"
#include "viewer/ModWebBrowser.h"

void FindField::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (event->reason() != Qt::MouseFocusReason) selectAll();
}

FindDialog::FindDialog(QWidget* owner, std::function<void(const QString&)> find)
    : QWidget(owner, Qt::Dialog), find_(std::move(find)) {
  // The names the find-box driving looks the dialog up by.
  setObjectName(platform::SystemTextToQString(kFindDialogClass));
  setWindowTitle(platform::SystemTextToQString(kFindDialogTitle));
  // Made first: the find-box driving types into the dialog's first child.
  field_ = new FindField(this);
  auto* label = new QLabel(QStringLiteral("查找内容(&N):"), this);
  label->setBuddy(field_);
  auto* next = new QPushButton(QStringLiteral("查找下一个(&F)"), this);
  next->setAutoDefault(false);
  auto* row = new QHBoxLayout(this);
  row->addWidget(label);
  row->addWidget(field_, 1);
  row->addWidget(next);
  setMinimumWidth(360);

  const auto search = [this] { find_(field_->text()); };
  connect(field_, &QLineEdit::returnPressed, this, search);
  connect(next, &QPushButton::clicked, this, search);
}

void FindDialog::Open() {
  show();
  raise();
  activateWindow();
  field_->setFocus(Qt::ShortcutFocusReason);
  field_->selectAll();
}

void FindDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}
