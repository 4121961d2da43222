// What every document reader produces: lines of text, each with its locator
// (where it stands in the document), turned into the system's text.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace textifier {

class LineOutput {
 public:
  virtual ~LineOutput() = default;
  // One line of UTF-8 text and where it stands ("paragraph 3", "Sheet1!B7").
  // Line breaks inside it (CR, LF, vertical tab, form feed, U+2028, U+2029)
  // make several lines with the same locator; other control characters go.
  virtual void Line(std::string_view utf8, std::string_view locator) = 0;
};

// Collects the lines as CP936 lines ending in CR LF (a Han ideograph CP936
// lacks in its GB18030 form, anything else it lacks as "?", a no-break
// space as a blank), and the locators likewise, one per line. flush, when
// given, is handed both texts whenever they have grown past a buffer's size
// and at Finish, and empties them; false from it means the output failed.
class SystemTextLines : public LineOutput {
 public:
  using Flush = std::function<bool(std::string& text, std::string& locators)>;
  explicit SystemTextLines(Flush flush = {}) : flush_(std::move(flush)) {}

  void Line(std::string_view utf8, std::string_view locator) override;
  // Hands the rest to flush; false when some flush failed.
  bool Finish();

  // What is not flushed yet (everything, without a flush).
  const std::string& Text() const { return text_; }
  const std::string& Locators() const { return locators_; }
  std::size_t LineCount() const { return lines_; }

 private:
  void EndLine(const std::string& locator);

  Flush flush_;
  bool failed_ = false;
  std::string text_, locators_;
  std::size_t lines_ = 0;
};

// Appends the system's text for UTF-8 text (no line breaks expected) to out,
// by the rules above; control characters go.
void AppendSystemText(std::string_view utf8, std::string& out);

}  // namespace textifier
