// Which calls take log messages and which take text for translation, by the
// callee's name as written in the source.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "finder/context/SourceContext.h"

namespace context {

class CallMatcher {
 public:
  // The built-in names and the extra ones.
  explicit CallMatcher(const CallNames& extra);

  // Bit(Label::Log), Bit(Label::I18n), both or none for a callee such as
  // "console.log", "this.$t", "QCoreApplication::translate" or "println!".
  Labels Match(std::string_view callee) const;

 private:
  struct Pattern {
    std::vector<std::string> parts;  // split at ".", "::" and "->"
    bool prefix = false;             // the last part ended in "*"
    Labels labels = 0;
  };
  void Add(std::string_view name, Labels labels);

  std::vector<Pattern> patterns_;
  // The last parts the patterns name, the beginnings of those that end in
  // "*", and the objects of those that end in ".*": a callee that fits none
  // of them matches nothing.
  std::vector<std::string> lastParts_;
  std::vector<std::string> lastPrefixes_;
  std::vector<std::string> objectParts_;
};

}  // namespace context
