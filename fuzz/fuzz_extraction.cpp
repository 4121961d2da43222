// Extraction against the plain byte-by-byte rules; the first input byte picks
// the Unicode option.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "finder/engine/HanziExtraction.h"
#include "tests/support/ReferenceExtract.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool unicode = (data[0] & 1) != 0;
  const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string result;
  ExtractHanzi(line, unicode ? 1 : 0, result);
  if (result != ReferenceExtract(line, unicode)) __builtin_trap();
  return 0;
}
