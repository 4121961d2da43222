// Which lexer reads a file, by its extension.
#include "finder/context/CodeLexer.h"
#include "finder/context/LineFormats.h"
#include "finder/context/MarkupLexer.h"
#include "platform/AsciiText.h"
#include "platform/FileKinds.h"

namespace context {

std::unique_ptr<Lexer> MakeLexer(std::string_view path, const CallMatcher& calls) {
  std::string extension = platform::GetExtension(path);
  for (char& c : extension) c = static_cast<char>(platform::AsciiLower(static_cast<unsigned char>(c)));
  if (const MarkupRules* markup = FindMarkupRules(extension)) return std::make_unique<MarkupLexer>(*markup, calls);
  if (const CodeRules* code = FindCodeRules(extension)) return std::make_unique<CodeLexer>(*code, calls);
  return MakeLineFormatLexer(extension);
}

}  // namespace context
