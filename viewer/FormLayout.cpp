#include "viewer/FormLayout.h"

#include <charconv>
#include <cmath>

#include "platform/AsciiText.h"
#include "viewer/support/TextFunctions.h"

namespace {

// Moving a control to a negative size fails; the control stays as it was.
bool MoveControl(TwipsRect& control, double left, double top, double width, double height) {
  if (width < 0 || height < 0) return false;
  control = {left, top, width, height};
  return true;
}

}  // namespace

void ResizeSteps(double Width, double Height, ResizedControls& c) {
  const double H = std::nearbyint(Height - c.lstFileName.Top - 700);
  MoveControl(c.lstFileName, c.lstFileName.Left, c.lstFileName.Top, c.lstFileName.Width, H);
  const double W = std::nearbyint(Width - c.lstFileName.Left - c.lstFileName.Width - 600);
  MoveControl(c.FrameRight, c.lstFileName.Left + c.lstFileName.Width + 100, c.lstFileName.Top + 250, W, H);
  MoveControl(c.LstRowNum, 100, 200, 1500, c.FrameRight.Height - 300);
  MoveControl(c.WebBrowser1, c.LstRowNum.Left + c.LstRowNum.Width + 50, c.LstRowNum.Top,
              c.FrameRight.Width - c.LstRowNum.Width - 400, c.LstRowNum.Height);
}

std::string FormatTwips(double twips) {
  // Single precision, as the window system's twips are: 1425.75 rather than
  // 1425.7499999999998.
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(twips));
  return std::string(text, result.ptr);
}

std::optional<double> ParseTwips(std::string_view text) {
  if (!IsNumeric(text)) return std::nullopt;
  text = platform::TrimSpaces(text);
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // A window coordinate beyond what the window system holds fails like any
  // other unusable value.
  constexpr double kLimit = 16777215.0 * 15;
  if (error != std::errc() || end != text.data() + text.size() || !(std::fabs(value) <= kLimit)) return std::nullopt;
  return value;
}

int TwipsToPixels(double twips, double dotsPerInch) {
  return static_cast<int>(std::lround(twips * dotsPerInch / 1440.0));
}

double PixelsToTwips(int pixels, double dotsPerInch) { return pixels * 1440.0 / dotsPerInch; }
