// The inside of the lexers: what each says about a line, and how the file's
// kind chooses one.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "finder/context/SourceContext.h"

namespace context {

// Where the labels change along one line: a lexer sets the labels that hold
// from a byte on. Nothing is kept for lines nobody asks about.
class Marks {
 public:
  void Begin(bool wanted) {
    wanted_ = wanted;
    starts_.clear();
    labels_.clear();
  }
  void Set(std::size_t byte, Labels labels) {
    if (!wanted_) return;
    // A later mark at the same byte replaces the earlier one.
    if (!starts_.empty() && starts_.back() == byte) {
      labels_.back() = labels;
      return;
    }
    if (!labels_.empty() && labels_.back() == labels) return;
    starts_.push_back(byte);
    labels_.push_back(labels);
  }
  // The labels in force at byte.
  Labels At(std::size_t byte) const;

 private:
  bool wanted_ = false;
  std::vector<std::size_t> starts_;
  std::vector<Labels> labels_;
};

class Lexer {
 public:
  virtual ~Lexer() = default;
  // Reads the next line of the file (without its end), carrying its state on.
  virtual void Line(std::string_view line, Marks& marks) = 0;
};

// The lexer for a file of this path's kind, nullptr for a kind none reads
// (all of whose findings are text).
std::unique_ptr<Lexer> MakeLexer(std::string_view path, const CallMatcher& calls);

}  // namespace context
