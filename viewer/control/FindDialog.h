// The browser's find dialog: a top-level window of its own, found by its
// class (object name) and title as the find-box driving looks for it. Its
// first child is the text field; Enter searches the page and leaves the
// dialog open.
#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

class FindField : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  // Gaining the focus selects the text, so that typing replaces the last
  // search instead of extending it; a mouse click places the cursor as usual.
  void focusInEvent(QFocusEvent* event) override;
};

class FindDialog : public QWidget {
  Q_OBJECT
 public:
  // find searches the page for the field's text.
  FindDialog(QWidget* owner, std::function<void(const QString&)> find);

  FindField* Field() const { return field_; }
  // Shows the dialog in front, with the keyboard in its field.
  void Open();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  FindField* field_;
  std::function<void(const QString&)> find_;
};
