#include "finder/app/dialog/StatusLine.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;
}

StatusLine::StatusLine(QWidget* parent) : QWidget(parent) {
  // A search names thousands of files a second; painting each would slow it
  // down for names nobody can read. The line is redrawn 25 times a second
  // at most, always with its latest text.
  repaint_.setSingleShot(true);
  repaint_.setInterval(40);
  connect(&repaint_, &QTimer::timeout, this, [this] { update(); });
}

void StatusLine::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  if (!repaint_.isActive()) repaint_.start();
}

void StatusLine::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(rect(), kFlags, Shown());
}

bool StatusLine::Fits(const QString& text) const {
  return fontMetrics().boundingRect(rect(), kFlags, text).height() <= height();
}

QString StatusLine::Shown() const {
  if (Fits(text_)) return text_;
  // The words before the path ("正在解析文件 ") stay, the path's middle goes.
  const qsizetype keep = std::min<qsizetype>(text_.indexOf(QLatin1Char(' ')) + 1, 16);
  const QString ellipsis(QChar(0x2026));
  qsizetype low = 1, high = text_.size() - keep;
  while (low < high) {
    const qsizetype drop = (low + high) / 2;
    if (Fits(text_.left(keep) + ellipsis + text_.mid(keep + drop)))
      high = drop;
    else
      low = drop + 1;
  }
  return text_.left(keep) + ellipsis + text_.mid(keep + low);
}
