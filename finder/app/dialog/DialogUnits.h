// Dialog units to pixels the way the original platform computes them: from
// the dialog font's average width of the 52 letters a-z, A-Z and its height.
#pragma once

#include <QFont>
#include <QRect>

// "宋体" at 9 points, with the installed CJK family standing in for it.
QFont DialogFont();
// Names the CJK family that stands for "宋体" (fontconfig knows none) and
// makes the dialog font the application's, message boxes included.
void InstallDialogFont();

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int BaseX() const { return baseX_; }
  int BaseY() const { return baseY_; }
  int X(int units) const;
  int Y(int units) const;
  // Position and size are converted each on its own, as the dialog manager does.
  QRect Rect(int x, int y, int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};
