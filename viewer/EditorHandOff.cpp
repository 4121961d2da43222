#include "viewer/EditorHandOff.h"

#include <charconv>
#include <cmath>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/Process.h"
#include "viewer/support/TextFunctions.h"

std::optional<std::int32_t> EditorLineNumber(std::string_view R) {
  if (!IsNumeric(R)) return std::nullopt;
  std::string_view text = platform::TrimSpaces(R);
  if (text.front() == '+') text.remove_prefix(1);  // from_chars takes no plus sign
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  // The default rounding mode takes halves to the even neighbour.
  const double rounded = std::nearbyint(value);
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

std::string EditorParameters(const std::string& strFileName, std::int32_t line) {
  return strFileName + " /" + std::to_string(line);
}

bool OpenInEditor(ProgramStarter& starter, const std::string& strEditor, const std::string& strFileName,
                  std::string_view R) {
  const std::optional<std::int32_t> line = EditorLineNumber(R);
  if (!line) return true;
  // The path is not quoted: a path with blanks reaches the editor as several
  // words, and the adapter editor-at-line joins them again.
  std::vector<std::string> arguments;
  for (const std::string& word : platform::SplitAtBlanks(EditorParameters(strFileName, *line)))
    arguments.push_back(platform::AnsiToUtf8OrRaw(word));
  return starter.Start(strEditor, arguments);
}
