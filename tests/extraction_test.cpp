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

}  // namespace

TEST(ExtractHanzi, CollectsRunsOfHighBytesJoinedByTwoBlanks) {
  EXPECT_EQ(Extract(""), "");
  EXPECT_EQ(Extract("plain ASCII line <p>&amp;</p>"), "");
  EXPECT_EQ(Extract(Gbk("中文")), Gbk("中文"));
  const std::string twoRuns = Extract(Gbk("中文abc汉字"));
  EXPECT_EQ(twoRuns, Gbk("中文") + "  " + Gbk("汉字"));
  EXPECT_EQ(twoRuns.size(), 10u);
  EXPECT_EQ(Extract(Gbk("价格100元")), Gbk("价格") + "  " + Gbk("元"));
  // Full-width punctuation is part of the run; the run at the very end is kept.
  EXPECT_EQ(Extract("x" + Gbk("中，文")), Gbk("中，文"));
}

TEST(ExtractHanzi, WorksOnBytesNotCharacters) {
  // A GBK character with a trail byte below 0x80 gives only its lead byte.
  EXPECT_EQ(Extract("\x81\x40\x81\x41"), "\x81  \x81");
  // UTF-8 and Latin-1 bytes are collected like any others.
  EXPECT_EQ(Extract("caf\xC3\xA9 na\xEFve"), "\xC3\xA9  \xEF");
  // A carriage return left in the line is ASCII and ends a run.
  EXPECT_EQ(Extract("\xB0\xA1\r\xB0\xA2"), "\xB0\xA1  \xB0\xA2");
}

TEST(ExtractHanzi, ConvertsFiveDigitReferencesOnlyWhenAsked) {
  EXPECT_EQ(Extract("&#20013;", 1), Gbk("中"));
  EXPECT_EQ(Extract("&#20013;", 0), "");
  EXPECT_EQ(Extract("&#20013;&#25991;", 1), Gbk("中文"));
  // No separator before a converted reference, but a run after one gets it.
  EXPECT_EQ(Extract(Gbk("中") + "&#25991;" + Gbk("文"), 1), Gbk("中文") + "  " + Gbk("文"));
  EXPECT_EQ(Extract("&#00065;", 1), "A");
  EXPECT_EQ(Extract("&#00000;", 1), "");
  // At the very end of the line, without a semicolon.
  EXPECT_EQ(Extract("end &#20013", 1), Gbk("中"));
  // Six digits convert their first five; the sixth is plain ASCII.
  EXPECT_EQ(Extract("&#200131;", 1), Gbk("中"));
  // The converted reference's five digits are skipped, so "&#" right after starts anew.
  EXPECT_EQ(Extract("&#20013&#25991", 1), Gbk("中文"));
  // A failed candidate does not hide a reference that starts inside it.
  EXPECT_EQ(Extract("&#&#20013;", 1), Gbk("中"));
}

TEST(ExtractHanzi, LeavesOtherReferencesAlone) {
  EXPECT_EQ(Extract("&#2001;", 1), "");      // four digits
  EXPECT_EQ(Extract("&#x4E2D;", 1), "");     // hexadecimal
  EXPECT_EQ(Extract("#20013;", 1), "");      // no ampersand at the start of the line
  EXPECT_EQ(Extract("a#20013;", 1), "");     // no ampersand before the number sign
  EXPECT_EQ(Extract("&#2001", 1), "");       // fewer than five bytes left
  EXPECT_EQ(Extract("&#65536;&#99999;", 1), "");  // beyond one UTF-16 unit
  // A code unit CP936 lacks (a lone surrogate) becomes the default character.
  EXPECT_EQ(Extract("&#55296;", 1), "?");
}

TEST(ConvertEntity, RejectsAnythingButFiveDigits) {
  std::string text = "unchanged";
  EXPECT_FALSE(ConvertEntity("2001", text));
  EXPECT_FALSE(ConvertEntity("2001a", text));
  EXPECT_FALSE(ConvertEntity("200133", text));
  EXPECT_EQ(text, "unchanged");
  ASSERT_TRUE(ConvertEntity("08364", text));  // the euro sign, 0x80 in CP936
  EXPECT_EQ(text, "\x80");
}

TEST(ExtractHanzi, LongRunsAreKeptWhole) {
  // Longer than any fixed staging buffer could hold.
  std::string line;
  for (int i = 0; i < 700000; ++i) line += Gbk("汉");
  line += "ascii";
  EXPECT_EQ(Extract(line), line.substr(0, line.size() - 5));
}

TEST(ExtractHanzi, MatchesTheByteByByteRulesOnRandomLines) {
  std::mt19937 random(12345);
  const std::string alphabet = "ab #&;0123456789\r\t";
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const int length = static_cast<int>(random() % 90);
    for (int i = 0; i < length; ++i) {
      const unsigned pick = random() % 10;
      if (pick < 2)
        line += static_cast<char>(0x80 + random() % 0x80);
      else if (pick < 3)
        line += "&#" + std::to_string(10000 + random() % 60000);
      else
        line += alphabet[random() % alphabet.size()];
    }
    for (int unicode : {0, 1}) {
      ASSERT_EQ(Extract(line, unicode), ReferenceExtract(line, unicode != 0)) << "line: " << line;
    }
  }
}
