#include "finder/context/CallMatcher.h"

#include <algorithm>
#include <array>
#include <functional>

namespace context {

namespace {

// Logging and printing across the languages read: consoles, logger objects
// and modules, the print family, Go's fmt and log, Java's System streams,
// Android's Log, Apple's NSLog and os_log, Rust's printing and log macros.
constexpr std::string_view kLogCalls[] = {
    "console.*", "log.*", "logger.*", "Logger.*", "LOG.*", "LOGGER.*", "logging.*", "Log.v", "Log.d", "Log.i",
    "Log.w", "Log.e", "Log.wtf", "print", "println", "printf", "puts", "eprint", "eprintln", "fmt.Print*",
    "fmt.Fprint*", "System.out.print*", "System.err.print*", "Console.Write*", "Debug.Log*", "NSLog", "os_log",
    "debugPrint", "error_log", "print!", "println!", "eprint!", "eprintln!", "trace!", "debug!", "info!", "warn!",
    "error!", "log!", "slog.*", "logrus.*", "klog.*", "qDebug", "qInfo", "qWarning", "qCritical"};

// Translation calls: i18next, vue-i18n, react-intl, gettext and its
// WordPress and Laravel spellings, Qt, Apple.
constexpr std::string_view kI18nCalls[] = {
    "t", "$t", "$tc", "tc", "i18n.t", "i18next.t", "intl.formatMessage", "formatMessage", "gettext", "_", "N_",
    "ngettext", "pgettext", "npgettext", "dgettext", "gettext_noop", "__", "_e", "_x", "_n", "trans", "tr", "qsTr",
    "QCoreApplication::translate", "NSLocalizedString"};

// The callee split into parts at ".", "::", "->" and "?."; at most the last
// eight parts are kept, which is more than any name asks for.
struct Parts {
  std::array<std::string_view, 8> part;
  int count = 0;
};

Parts Split(std::string_view name) {
  Parts parts;
  std::size_t start = 0;
  auto push = [&](std::size_t end) {
    std::string_view piece = name.substr(start, end - start);
    if (piece.empty()) return;
    if (parts.count == static_cast<int>(parts.part.size())) {
      for (std::size_t i = 1; i < parts.part.size(); ++i) parts.part[i - 1] = parts.part[i];
      --parts.count;
    }
    parts.part[static_cast<std::size_t>(parts.count++)] = piece;
  };
  for (std::size_t i = 0; i < name.size();) {
    std::size_t separator = 0;
    if (name[i] == '.') separator = 1;
    else if (name.compare(i, 2, "::") == 0 || name.compare(i, 2, "->") == 0 || name.compare(i, 2, "?.") == 0)
      separator = 2;
    if (separator == 0) {
      ++i;
      continue;
    }
    push(i);
    i += separator;
    start = i;
  }
  push(name.size());
  return parts;
}

}  // namespace

CallMatcher::CallMatcher(const CallNames& extra) {
  for (std::string_view name : kLogCalls) Add(name, Bit(Label::Log));
  for (std::string_view name : kI18nCalls) Add(name, Bit(Label::I18n));
  for (const std::string& name : extra.log) Add(name, Bit(Label::Log));
  for (const std::string& name : extra.i18n) Add(name, Bit(Label::I18n));
  std::sort(lastParts_.begin(), lastParts_.end());
  std::sort(objectParts_.begin(), objectParts_.end());
}

void CallMatcher::Add(std::string_view name, Labels labels) {
  const Parts parts = Split(name);
  if (parts.count == 0) return;
  Pattern pattern;
  pattern.labels = labels;
  for (int i = 0; i < parts.count; ++i) pattern.parts.emplace_back(parts.part[static_cast<std::size_t>(i)]);
  std::string& last = pattern.parts.back();
  if (last.back() == '*') {
    last.pop_back();
    pattern.prefix = true;
    // "console.*" ends in any name at all: its object is what a callee is
    // told by.
    if (last.empty() && pattern.parts.size() >= 2)
      objectParts_.push_back(pattern.parts[pattern.parts.size() - 2]);
    else
      lastPrefixes_.push_back(last);
  } else {
    lastParts_.push_back(last);
  }
  patterns_.push_back(std::move(pattern));
}

Labels CallMatcher::Match(std::string_view callee) const {
  // The last part (or the object) first: most calls are of names no pattern
  // names.
  const Parts parts = Split(callee);
  if (parts.count == 0) return 0;
  const std::string_view last = parts.part[static_cast<std::size_t>(parts.count - 1)];
  bool possible = std::binary_search(lastParts_.begin(), lastParts_.end(), last, std::less<>()) ||
                  (parts.count >= 2 && std::binary_search(objectParts_.begin(), objectParts_.end(),
                                                          parts.part[static_cast<std::size_t>(parts.count - 2)],
                                                          std::less<>()));
  for (const std::string& prefix : lastPrefixes_)
    if (last.size() > prefix.size() && last.substr(0, prefix.size()) == prefix) possible = true;
  if (!possible) return 0;
  Labels labels = 0;
  for (const Pattern& pattern : patterns_) {
    const int n = static_cast<int>(pattern.parts.size());
    if (n > parts.count) continue;
    bool matches = true;
    for (int k = 0; k < n && matches; ++k) {
      const std::string& want = pattern.parts[static_cast<std::size_t>(n - 1 - k)];
      const std::string_view have = parts.part[static_cast<std::size_t>(parts.count - 1 - k)];
      if (k == 0 && pattern.prefix)
        matches = have.size() > want.size() && have.substr(0, want.size()) == want;
      else
        matches = have == want;
    }
    if (matches) labels |= pattern.labels;
  }
  return labels;
}

}  // namespace context
