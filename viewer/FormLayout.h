// The main window's geometry rules, in twips (1/1440 inch), the unit its
// design and its settings use.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct TwipsRect {
  double Left = 0, Top = 0, Width = 0, Height = 0;
};

// The controls that follow the window's size.
struct ResizedControls {
  TwipsRect lstFileName, FrameRight, LstRowNum, WebBrowser1;
};

// Form_Resize for a window of the outer size Width x Height: the file list
// takes the height, the right frame the rest, the row list and the browser
// fill the frame. Each of the six steps stands on its own: one that would
// give a negative size is skipped and those controls keep their last place.
void ResizeSteps(double Width, double Height, ResizedControls& controls);

// A window value as the settings hold it: decimal text, with a fraction only
// where the value has one ("1440", "1425.75").
std::string FormatTwips(double twips);
// The value of such a text when it is a number that a window can take
// (blanks around it allowed); nothing otherwise.
std::optional<double> ParseTwips(std::string_view text);

// Twips to pixels at a screen's logical dots per inch, and back.
int TwipsToPixels(double twips, double dotsPerInch);
double PixelsToTwips(int pixels, double dotsPerInch);
