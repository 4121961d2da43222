// The finder's status line (control 1014): two lines of text that wrap
// anywhere, since a path has no blanks to wrap at; a text too long for them
// loses its middle, so that the file name at its end stays in view.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

class StatusLine : public QWidget {
 public:
  explicit StatusLine(QWidget* parent);
  const QString& text() const { return text_; }
  void setText(const QString& text);
  // What the line shows of its text at its present size.
  QString Shown() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool Fits(const QString& text) const;

  QString text_;
  QTimer repaint_;
};
