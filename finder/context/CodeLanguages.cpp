// The code languages, a row each: what the code lexer needs to know of them.
// Strings are String unless a row says otherwise; escapes are "\" unless a
// form says 0.
#include "finder/context/CodeRules.h"

#include <stdexcept>

namespace context {

// The rows name only what differs from the defaults of their struct.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

constexpr LineCommentForm kSlashes{"//"};
constexpr LineCommentForm kHash{"#"};
constexpr BlockCommentForm kSlashStar{"/*", "*/"};
constexpr BlockCommentForm kNestedSlashStar{"/*", "*/", true};
constexpr StringForm kDouble{"\"", "\""};
constexpr StringForm kSingle{"'", "'"};

const CodeRules kCodeLanguages[] = {
    {.language = "C",
     .extensions = {".c", ".h"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {kDouble},
     .charLiterals = CharLiterals::Always},
    {.language = "C++",
     .extensions = {".cpp", ".cc", ".cxx", ".c++", ".hpp", ".hh", ".hxx", ".h++", ".ipp", ".inl", ".ino"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {kDouble},
     .raw = kCppRaw,
     .charLiterals = CharLiterals::Always},
    {.language = "Objective-C",
     .extensions = {".m", ".mm"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {kDouble},  // @"..." is "@" and a string
     .charLiterals = CharLiterals::Always},
    {.language = "C#",
     .extensions = {".cs"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {{"\"\"\"", "\"\"\"", 0, true},
                 {"$@\"", "\"", 0, true, true},
                 {"@$\"", "\"", 0, true, true},
                 {"@\"", "\"", 0, true, true},
                 kDouble},
     .charLiterals = CharLiterals::Always},
    {.language = "Java",
     .extensions = {".java"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {{"\"\"\"", "\"\"\"", '\\', true}, kDouble},
     .charLiterals = CharLiterals::Always},
    {.language = "Kotlin",
     .extensions = {".kt", ".kts"},
     .lineComments = {kSlashes},
     .blockComments = {kNestedSlashStar},
     .strings = {{"\"\"\"", "\"\"\"", 0, true, false, "${"}, {"\"", "\"", '\\', false, false, "${"}},
     .charLiterals = CharLiterals::Always},
    {.language = "Scala",
     .extensions = {".scala", ".sc"},
     .lineComments = {kSlashes},
     .blockComments = {kNestedSlashStar},
     .strings = {{"\"\"\"", "\"\"\"", 0, true, false, "${"}, {"\"", "\"", '\\', false, false, "${"}},
     .charLiterals = CharLiterals::Short},
    {.language = "Go",
     .extensions = {".go"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {{"`", "`", 0, true}, kDouble},
     .charLiterals = CharLiterals::Always},
    {.language = "Rust",
     .extensions = {".rs"},
     .lineComments = {kSlashes},
     .blockComments = {kNestedSlashStar},
     .strings = {{"\"", "\"", '\\', true}},
     .raw = kRustRaw,
     .charLiterals = CharLiterals::Short},
    {.language = "Swift",
     .extensions = {".swift"},
     .lineComments = {kSlashes},
     .blockComments = {kNestedSlashStar},
     .strings = {{"\"\"\"", "\"\"\"", '\\', true, false, "\\("}, {"\"", "\"", '\\', false, false, "\\("}},
     .raw = kSwiftRaw},
    {.language = "Dart",
     .extensions = {".dart"},
     .lineComments = {kSlashes},
     .blockComments = {kNestedSlashStar},
     .strings = {{"'''", "'''", '\\', true, false, "${"},
                 {"\"\"\"", "\"\"\"", '\\', true, false, "${"},
                 {"'", "'", '\\', false, false, "${"},
                 {"\"", "\"", '\\', false, false, "${"}},
     .raw = kDartRaw},
    {.language = "JavaScript",
     .extensions = {".js", ".mjs", ".cjs", ".jsx"},
     .lineComments = {kSlashes, {"#!", false, true}},
     .blockComments = {kSlashStar},
     .strings = {{"`", "`", '\\', true, false, "${"}, kDouble, kSingle},
     .regexLiterals = true,
     .jsx = true},
    {.language = "TypeScript",
     .extensions = {".ts", ".mts", ".cts"},
     .lineComments = {kSlashes, {"#!", false, true}},
     .blockComments = {kSlashStar},
     .strings = {{"`", "`", '\\', true, false, "${"}, kDouble, kSingle},
     .regexLiterals = true},
    {.language = "TSX",
     .extensions = {".tsx"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {{"`", "`", '\\', true, false, "${"}, kDouble, kSingle},
     .regexLiterals = true,
     .jsx = true},
    // PHP's code between <?php and ?>; the markup lexer reads the rest of a .php file.
    {.language = "PHP",
     .lineComments = {kSlashes, kHash},
     .blockComments = {kSlashStar},
     .strings = {{"\"", "\"", '\\', true, false, "{$"}, {"'", "'", '\\', true}, {"`", "`", '\\', true}},
     .heredoc = Heredoc::Php},
    {.language = "Python",
     .extensions = {".py", ".pyw", ".pyi"},
     .lineComments = {kHash},
     // A prefix (r, b, f, u) is a name before the quote; a raw string's "\"" still does not close it.
     .strings = {{"\"\"\"", "\"\"\"", '\\', true}, {"'''", "'''", '\\', true}, kDouble, kSingle},
     .docstrings = true},
    {.language = "Shell",
     .extensions = {".sh", ".bash", ".zsh", ".ksh"},
     .lineComments = {{"#", true}},
     .strings = {{"$'", "'", '\\', true}, {"\"", "\"", '\\', true, false, "$("}, {"'", "'", 0, true}},
     .heredoc = Heredoc::Shell,
     .commandCalls = true},
    {.language = "Ruby",
     .extensions = {".rb", ".rake", ".gemspec", ".ru"},
     .lineComments = {kHash},
     .blockComments = {{"=begin", "=end", false, true}},
     .strings = {{"\"", "\"", '\\', true, false, "#{"}, {"'", "'", '\\', true}, {"`", "`", '\\', true, false, "#{"}},
     .heredoc = Heredoc::Ruby,
     .regexLiterals = true,
     .commandCalls = true},
    {.language = "TOML",
     .extensions = {".toml"},
     .lineComments = {kHash},
     .strings = {{"\"\"\"", "\"\"\"", '\\', true}, {"'''", "'''", 0, true}, kDouble, {"'", "'", 0}}},
    // A double-quoted SQL name is an identifier; E'...' strings are read as plain ones.
    {.language = "SQL",
     .extensions = {".sql"},
     .lineComments = {{"--"}},
     .blockComments = {kSlashStar},
     .strings = {{"'", "'", 0, true, true}, {"\"", "\"", 0, false, true, {}, Label::Code}, {"`", "`", 0, false, true, {}, Label::Code}},
     .raw = kDollarQuote},
    {.language = "Lua",
     .extensions = {".lua"},
     .lineComments = {{"--"}},
     .strings = {kDouble, kSingle},
     .raw = kLuaLong,
     .commandCalls = true},
    {.language = "CSS",
     .extensions = {".css"},
     .blockComments = {kSlashStar},
     .strings = {kDouble, kSingle}},
    {.language = "SCSS",
     .extensions = {".scss", ".less"},
     .lineComments = {{"//", false, false, true}},
     .blockComments = {kSlashStar},
     .strings = {kDouble, kSingle}},
    // JSON with the comments and single quotes of JSONC and JSON5; .arb holds Flutter's messages.
    {.language = "JSON",
     .extensions = {".json", ".jsonc", ".json5", ".arb", ".webmanifest"},
     .lineComments = {kSlashes},
     .blockComments = {kSlashStar},
     .strings = {kDouble, kSingle}},
};

}  // namespace

const CodeRules* FindCodeRules(std::string_view extension) {
  for (const CodeRules& rules : kCodeLanguages)
    for (std::string_view listed : rules.extensions)
      if (!listed.empty() && listed == extension) return &rules;
  return nullptr;
}

const CodeRules& CodeRulesOf(std::string_view language) {
  for (const CodeRules& rules : kCodeLanguages)
    if (rules.language == language) return rules;
  throw std::logic_error("no code language named " + std::string(language));
}

}  // namespace context
