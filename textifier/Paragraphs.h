// What the XML readers share: paragraphs that may nest (a text box's or a
// note's inside a body paragraph), each written when it ends with the
// locator it got when it began; and passing over a subtree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "textifier/DocumentLines.h"

namespace textifier {

class ParagraphStack {
 public:
  explicit ParagraphStack(LineOutput& out) : out_(out) {}

  void Begin(std::string locator) {
    if (depth_ == open_.size()) open_.emplace_back();
    open_[depth_].text.clear();
    open_[depth_].locator = std::move(locator);
    ++depth_;
  }
  // Writes the innermost paragraph.
  void End() {
    if (depth_ == 0) return;
    --depth_;
    out_.Line(open_[depth_].text, open_[depth_].locator);
  }
  bool IsOpen() const { return depth_ > 0; }
  void Append(std::string_view utf8) {
    if (depth_ > 0) open_[depth_ - 1].text += utf8;
  }

 private:
  struct Paragraph {
    std::string text, locator;
  };
  LineOutput& out_;
  std::vector<Paragraph> open_;  // kept between paragraphs, so their buffers are reused
  std::size_t depth_ = 0;
};

// Passes over an element and everything in it.
class Skip {
 public:
  bool Active() const { return depth_ > 0; }
  // At an element's start: true when it is passed over (inside a skipped
  // one, or skip says so for itself).
  bool Start(bool skip) {
    if (depth_ > 0 || skip) {
      ++depth_;
      return true;
    }
    return false;
  }
  // At an element's end: true when it was passed over.
  bool End() {
    if (depth_ == 0) return false;
    --depth_;
    return true;
  }

 private:
  int depth_ = 0;
};

}  // namespace textifier
