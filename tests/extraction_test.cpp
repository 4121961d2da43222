#include <gtest/gtest.h>

#include <random>

#include "finder/engine/HanziExtraction.h"
#include "tests/support/Gbk.h"
#include "tests/support/ReferenceExtract.h"

namespace {

std::string Extract(std::string_view line, int unicode = 0) {
  std::string result = "stale";
  ExtractHanzi(line, unicode, result);
  return result;
}

struct Case { std::string input; int unicode; std::string expected; };

}  // namespace

TEST(ExtractHanzi, CollectsHighByteRunsAndFiveDigitReferences) {
  const std::vector<Case> cases = {
      {"", 0, ""}, {"plain ASCII line <p>&amp;</p>", 0, ""}, {"&#20013;", 0, ""},
      {Gbk("中文abc汉字"), 0, Gbk("中文") + "  " + Gbk("汉字")},
      {Gbk("价格100元"), 0, Gbk("价格") + "  " + Gbk("元")},
      {"x" + Gbk("中，文"), 0, Gbk("中，文")},                   // full-width punctuation, run at the end
      {"\x81\x40\x81\x41", 0, "\x81  \x81"},                     // trail bytes below 0x80 end a run
      {"caf\xC3\xA9 na\xEFve", 0, "\xC3\xA9  \xEF"},             // bytes, not characters
      {"\xB0\xA1\r\xB0\xA2", 0, "\xB0\xA1  \xB0\xA2"},           // a CR left in the line is ASCII
      {"&#20013;&#25991;", 1, Gbk("中文")},
      {Gbk("中") + "&#25991;" + Gbk("文"), 1, Gbk("中文") + "  " + Gbk("文")},  // no blanks before a reference
      {"&#00065;", 1, "A"}, {"&#00000;", 1, ""},
      {"end &#20013", 1, Gbk("中")},                             // at the end, no semicolon
      {"&#200131;", 1, Gbk("中")},                               // six digits: the first five
      {"&#20013&#25991", 1, Gbk("中文")},                        // "&#" right after five digits starts anew
      {"&#&#20013;", 1, Gbk("中")},                              // a failed candidate hides nothing
      {"&#2001;", 1, ""}, {"&#x4E2D;", 1, ""}, {"#20013;", 1, ""}, {"a#20013;", 1, ""}, {"&#2001", 1, ""},
      {"&#65536;&#99999;", 1, ""},                               // beyond one UTF-16 unit
      {"&#55296;", 1, "?"},                                      // a lone surrogate: the default character
  };
  for (const Case& c : cases) EXPECT_EQ(Extract(c.input, c.unicode), c.expected) << c.input;
}

TEST(ExtractHanzi, ConvertsOnlyFiveDigitsAndKeepsLongRunsWhole) {
  std::string text = "unchanged";
  for (const char* digits : {"2001", "2001a", "200133"}) EXPECT_FALSE(ConvertEntity(digits, text)) << digits;
  EXPECT_EQ(text, "unchanged");
  ASSERT_TRUE(ConvertEntity("08364", text));  // the euro sign, 0x80 in CP936
  EXPECT_EQ(text, "\x80");
  std::string line;  // longer than any fixed staging buffer could hold
  for (int i = 0; i < 700000; ++i) line += Gbk("汉");
  EXPECT_EQ(Extract(line + "ascii"), line);
}

TEST(ExtractHanzi, MatchesTheByteByByteRulesOnRandomLines) {
  std::mt19937 random(12345);
  for (int round = 0; round < 20000; ++round) {
    const auto highByte = [&] { return std::string(1, static_cast<char>(0x80 + random() % 0x80)); };
    const std::string line = RandomLine(random, 90, 2, highByte);
    for (int unicode : {0, 1})
      ASSERT_EQ(Extract(line, unicode), ReferenceExtract(line, unicode != 0)) << "line: " << line;
  }
}
