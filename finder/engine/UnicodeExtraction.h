// The extraction of a line read from a UTF-8 file (or a UTF-16 file turned
// into UTF-8): the same runs, separators and references as ExtractHanzi,
// made of characters instead of bytes.
#pragma once

#include <string>
#include <string_view>

#include "platform/TextEncoding.h"

// Replaces result with the line's extracted text. A character that GBK
// writes in two bytes, or a Han ideograph GBK lacks, joins the current run
// in its GBK (or GB18030) bytes; every other character, and every byte that
// is not well-formed UTF-8, ends the run and is dropped, as an ASCII byte is
// in a GBK line. Returns false when the line held such a byte.
// Under the Han set only Chinese text counts (see platform::CharacterSet),
// references included.
bool ExtractHanziUtf8(std::string_view line, int searchUnicode, std::string& result,
                      platform::CharacterSet set = platform::CharacterSet::Gbk);
