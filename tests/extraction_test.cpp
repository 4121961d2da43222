#include <gtest/gtest.h>

#include <random>

#include "finder/engine/HanziExtraction.h"
#include "platform/CodePage.h"
#include "platform/TextEncoding.h"
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

// The Han set over GBK lines, against the rule character by character: a
// double-byte character joins a run when the set counts it. Runs of
// GB2312's hanzi long enough to be passed over in blocks, with the empty
// D7FA-D7FE, other GBK letters and stray high bytes among them.
TEST(ExtractHan, MatchesTheCharacterRuleOnRandomLines) {
  const platform::CountedForms& han = platform::CountedForms::Get(platform::CharacterSet::Han);
  // Blocks of hanzi are taken whole: every one of them counts.
  for (int lead = 0xB0; lead <= 0xF7; ++lead) {
    for (int trail = 0xA1; trail <= 0xFE; ++trail) {
      if (lead != 0xD7 || trail < 0xFA) {
        ASSERT_TRUE(han.CountsGbkPair(lead, trail)) << lead << " " << trail;
      }
    }
  }
  const auto model = [&](std::string_view line) {
    std::string result, run;
    const auto flush = [&] {
      if (!run.empty()) result += (result.empty() ? "" : "  ") + run;
      run.clear();
    };
    for (std::size_t i = 0; i < line.size();) {
      const auto b = static_cast<unsigned char>(line[i]);
      const std::size_t length = b >= 0x80 ? platform::GbkCharLength(line, i) : 1;
      if (length == 2 && han.CountsGbkPair(b, static_cast<unsigned char>(line[i + 1])))
        run.append(line.substr(i, 2));
      else
        flush();
      i += length;
    }
    flush();
    return result;
  };
  std::mt19937 random(2024);
  const auto pair = [](int lead, int trail) { return std::string{static_cast<char>(lead), static_cast<char>(trail)}; };
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    for (unsigned piece = random() % 40; piece > 0; --piece) {
      const unsigned pick = random() % 20;
      if (pick < 10) {
        for (unsigned k = 1 + random() % 12; k > 0; --k) line += pair(0xB0 + random() % 0x48, 0xA1 + random() % 0x5E);
      } else if (pick == 10) {
        line += pair(0xD7, 0xF9 + random() % 6);  // the last hanzi, then the empty places
      } else if (pick == 11) {
        line += pair(0xA1 + random() % 9, 0xA1 + random() % 0x5E);  // punctuation, kana, Greek, Cyrillic, boxes
      } else if (pick == 12) {
        line += pair(0x81 + random() % 0x7E, 0x40 + random() % 0x3F);  // a trail byte that looks like ASCII
      } else if (pick == 13) {
        line += static_cast<char>(random() % 2 ? 0x80 : 0xFF);
      } else if (pick == 14) {
        line += static_cast<char>(0xB0 + random() % 0x48);  // a lead byte on its own
      } else {
        line += static_cast<char>('a' + random() % 26);
      }
    }
    // No four-byte forms here, so the system's text reads the same.
    for (const bool systemText : {false, true}) {
      std::string result = "stale";
      ExtractHan(line, 0, systemText, result);
      ASSERT_EQ(result, model(line)) << "round " << round << " " << systemText;
    }
  }
}
