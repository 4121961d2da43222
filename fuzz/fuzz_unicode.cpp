// The reading of files against itself: the runs that the findings show must
// be, joined, what the report's extraction writes for a line, under either
// character set; and
// UTF-16 turned into UTF-8 must not depend on where its pieces were cut.
// The first input byte picks the cut.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "finder/engine/FindingRuns.h"
#include "finder/engine/HanziExtraction.h"
#include "finder/engine/UnicodeExtraction.h"
#include "platform/CodePage.h"
#include "platform/TextEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t cut = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  // Each set on the text read as UTF-8, and the Han set on it read as GBK.
  struct Reading {
    platform::TextEncoding encoding;
    platform::CharacterSet set;
  };
  for (const Reading reading : {Reading{platform::TextEncoding::Utf8, platform::CharacterSet::Gbk},
                                Reading{platform::TextEncoding::Utf8, platform::CharacterSet::Han},
                                Reading{platform::TextEncoding::Gbk, platform::CharacterSet::Han}}) {
    std::string extracted;
    if (reading.encoding == platform::TextEncoding::Gbk)
      ExtractHan(text, 0, false, extracted);
    else
      ExtractHanziUtf8(text, 0, extracted, reading.set);
    std::vector<CharacterRun> runs;
    FindRuns(text, reading.encoding, false, false, reading.set, runs);
    std::string joined;
    std::int64_t lastColumn = 0;
    for (const CharacterRun& run : runs) {
      std::string form;
      if (!platform::Utf8ToAnsi(run.text, form)) __builtin_trap();
      if (!joined.empty()) joined += "  ";
      joined += form;
      if (run.byteColumn <= lastColumn || run.byteColumn > static_cast<std::int64_t>(text.size())) __builtin_trap();
      lastColumn = run.byteColumn;
    }
    if (joined != extracted) __builtin_trap();
  }

  for (const platform::TextEncoding order : {platform::TextEncoding::Utf16LE, platform::TextEncoding::Utf16BE}) {
    std::string whole, pieces;
    platform::Utf16ToUtf8 once(order), cutUp(order);
    once.Feed(text, whole);
    once.Finish(whole);
    const std::size_t at = text.empty() ? 0 : cut % (text.size() + 1);
    cutUp.Feed(text.substr(0, at), pieces);
    cutUp.Feed(text.substr(at), pieces);
    cutUp.Finish(pieces);
    if (whole != pieces || once.HadInvalid() != cutUp.HadInvalid()) __builtin_trap();
  }
  return 0;
}
