#include "finder/context/PathLabels.h"

#include "platform/AsciiText.h"

namespace context {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && platform::CompareIgnoringAsciiCase(a, b) == 0;
}

bool StartsIgnoringCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && SameIgnoringCase(text.substr(0, start.size()), start);
}

bool AnyOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (std::string_view candidate : names)
    if (SameIgnoringCase(name, candidate)) return true;
  return false;
}

// "zh", or "zh" and a region or script after "-" or "_" (zh-CN, zh_TW,
// zh-Hans).
bool IsChineseLocale(std::string_view name) {
  return SameIgnoringCase(name, "zh") ||
         (name.size() > 3 && StartsIgnoringCase(name, "zh") && (name[2] == '-' || name[2] == '_'));
}

bool IsLocaleFolder(std::string_view name) {
  if (AnyOf(name, {"locale", "locales", "i18n", "lang", "langs", "messages"})) return true;
  // zh_CN/LC_MESSAGES, zh-Hans.lproj, values-zh-rCN
  std::string_view stem = name.substr(0, name.find('.'));
  if (StartsIgnoringCase(stem, "values-")) stem.remove_prefix(7);
  return IsChineseLocale(stem);
}

bool IsLocaleName(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (dot != std::string_view::npos && IsChineseLocale(name.substr(0, dot))) return true;
  // messages_zh_CN.properties, strings_zh.properties, Qt's app_zh_CN.ts
  const std::size_t lastDot = name.rfind('.');
  if (lastDot == std::string_view::npos ||
      !(SameIgnoringCase(name.substr(lastDot), ".properties") || SameIgnoringCase(name.substr(lastDot), ".ts")))
    return false;
  for (std::size_t at = name.find('_'); at != std::string_view::npos && at < lastDot; at = name.find('_', at + 1))
    if (StartsIgnoringCase(name.substr(at + 1), "zh")) return true;
  return false;
}

bool IsTestFolder(std::string_view name) { return AnyOf(name, {"test", "tests", "__tests__", "spec"}); }

bool IsTestName(std::string_view name) {
  const std::size_t lastDot = name.rfind('.');
  if (lastDot == std::string_view::npos || lastDot == 0) return false;
  const std::string_view stem = name.substr(0, lastDot);
  if (stem.size() > 5 && SameIgnoringCase(stem.substr(stem.size() - 5), "_test")) return true;
  // a.test.js, a.spec.ts: a part of the name between dots
  for (std::size_t at = stem.find('.'); at != std::string_view::npos; at = stem.find('.', at + 1)) {
    const std::size_t end = stem.find('.', at + 1);
    const std::string_view part = stem.substr(at + 1, end == std::string_view::npos ? std::string_view::npos : end - at - 1);
    if (AnyOf(part, {"test", "spec"})) return true;
  }
  return false;
}

}  // namespace

Labels PathLabels(std::string_view path) {
  Labels labels = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = path.find_first_of("/\\", start);
    const std::string_view part = path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (slash == std::string_view::npos) {
      if (IsTestName(part)) labels |= Bit(Label::Test);
      if (IsLocaleName(part)) labels |= Bit(Label::Locale);
      return labels;
    }
    if (IsTestFolder(part)) labels |= Bit(Label::Test);
    if (IsLocaleFolder(part)) labels |= Bit(Label::Locale);
    start = slash + 1;
  }
}

}  // namespace context
