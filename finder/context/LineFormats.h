// The formats read line by line: Markdown, gettext catalogues, Java
// properties and YAML.
#pragma once

#include <memory>
#include <string_view>

#include "finder/context/Lexer.h"

namespace context {

// The lexer for one of these formats by extension (lower case, with the
// dot), nullptr for any other.
std::unique_ptr<Lexer> MakeLineFormatLexer(std::string_view extension);

}  // namespace context
