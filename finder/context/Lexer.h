// The inside of the lexers: what each says about a line, and how the file's
// kind chooses one.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "finder/context/SourceContext.h"

namespace context {

// The labels at the asked places of one line, as a lexer goes along it
// setting the labels that hold from a byte on (bytes in order; a later
// setting at the same byte replaces the earlier one). Only the labels of the
// asked places are kept, so a long line costs no memory.
class Marks {
 public:
  // The line's asked places, sorted byte offsets.
  void Begin(std::span<const std::size_t> bytes) {
    bytes_ = bytes;
    next_ = 0;
    current_ = Bit(Label::Code);
    labels_.clear();
  }
  void Set(std::size_t byte, Labels labels) {
    while (next_ < bytes_.size() && bytes_[next_] < byte) {
      labels_.push_back(current_);
      ++next_;
    }
    current_ = labels;
  }
  // True when an asked place lies before byte (at or after the last Set).
  bool AskedBefore(std::size_t byte) const { return next_ < bytes_.size() && bytes_[next_] < byte; }
  // The next asked place (at or after the last Set), kNoneAsked when none is left.
  static constexpr std::size_t kNoneAsked = static_cast<std::size_t>(-1);
  std::size_t NextAsked() const { return next_ < bytes_.size() ? bytes_[next_] : kNoneAsked; }
  // The labels of each asked place, in order, once the line is read.
  const std::vector<Labels>& Finish() {
    while (next_ < bytes_.size()) {
      labels_.push_back(current_);
      ++next_;
    }
    return labels_;
  }

 private:
  std::span<const std::size_t> bytes_;
  std::size_t next_ = 0;
  Labels current_ = 0;
  std::vector<Labels> labels_;
};

// The line of lines that starts at start and ends at lf (its LF, or the
// end of lines), without the CR before an LF.
inline std::string_view LineIn(std::string_view lines, std::size_t start, std::size_t lf) {
  std::string_view line = lines.substr(start, lf - start);
  if (lf < lines.size() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

class Lexer {
 public:
  virtual ~Lexer() = default;
  // Reads the next line of the file (without its end), carrying its state on.
  virtual void Line(std::string_view line, Marks& marks) = 0;
  // Reads the next lines, none with an asked place, joined by their ends (LF
  // or CR LF; the last has none), leaving the state Line would leave after
  // each of them in turn. Here, it does just that; a lexer that can pass
  // over such lines faster reads them its own way.
  virtual void Skip(std::string_view lines, Marks& marks);
};

// The lexer for a file of this path's kind, nullptr for a kind none reads
// (all of whose findings are text).
std::unique_ptr<Lexer> MakeLexer(std::string_view path, const CallMatcher& calls);

}  // namespace context
