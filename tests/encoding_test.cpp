// Reading UTF-8 and UTF-16 files: detection, the counted forms, the
// extraction on characters, and UTF-16 turned into UTF-8. Expected bytes come
// from iconv here, apart from the code under test.
#include <gtest/gtest.h>

#include <iconv.h>

#include <bit>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "finder/engine/HanziExtraction.h"
#include "finder/engine/UnicodeExtraction.h"
#include "platform/TextEncoding.h"
#include "tests/support/Gbk.h"

namespace {

using platform::TextEncoding;

// The whole of text converted, or nothing when iconv rejects some of it.
std::optional<std::string> Iconv(const char* from, const char* to, std::string_view text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(text.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(text.data());
  char* put = out.data();
  std::size_t inLeft = text.size(), putLeft = out.size();
  const bool ok = iconv(cd, &in, &inLeft, &put, &putLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - putLeft);
  return out;
}


std::string Utf8(char32_t c) {
  return Iconv(std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE", "UTF-8", std::string_view(reinterpret_cast<const char*>(&c), sizeof c)).value();
}

std::string Utf16(const char* byteOrder, std::string_view utf8) { return Iconv("UTF-8", byteOrder, utf8).value(); }

std::pair<bool, std::string> Utf8Extract(std::string_view line, int unicode = 0) {
  std::string result = "stale";
  const bool wellFormed = ExtractHanziUtf8(line, unicode, result);
  return {wellFormed, result};
}

std::string Form(char32_t c) {
  char out[4];
  return std::string(out, static_cast<std::size_t>(platform::CountedForm(c, out)));
}

}  // namespace

TEST(ExtractHanziUtf8, GivesWhatTheGbkSearchGivesForTheSameText) {
  // Every double-byte GBK character with a trail byte of 0x80 or above that
  // iconv can read (a lower trail byte is cut off by the GBK search).
  std::vector<std::string> characters;
  std::string all;
  for (int lead = 0x81; lead <= 0xFE; ++lead)
    for (int trail = 0x80; trail <= 0xFE; ++trail) {
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      if (!Iconv("CP936", "UTF-8", code)) continue;
      characters.push_back(code);
      all += code;
    }
  ASSERT_GT(characters.size(), 14000u);
  const auto expectSame = [](const std::string& gbk, int unicode) {
    std::string expected;
    ExtractHanzi(gbk, unicode, expected);
    const auto [wellFormed, result] = Utf8Extract(Iconv("CP936", "UTF-8", gbk).value(), unicode);
    EXPECT_TRUE(wellFormed);
    return result == expected;
  };
  EXPECT_TRUE(expectSame(all, 0));  // one run of them all

  std::mt19937 random(20240617);
  const std::string alphabet = "ab #&;0123456789\r\t<>";
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) {
      const unsigned pick = random() % 10;
      if (pick < 4) line += characters[random() % characters.size()];
      else if (pick < 5) line += "&#" + std::to_string(10000 + random() % 60000);
      else line += alphabet[random() % alphabet.size()];
    }
    for (int unicode : {0, 1}) ASSERT_TRUE(expectSame(line, unicode)) << "unicode " << unicode << ": " << line;
  }
}

TEST(CountedForm, TakesGbkDoubleBytesAndIdeographsOutsideGbk) {
  // What GBK holds, as GBK writes it: Chinese, full-width punctuation, curly
  // quotes, Greek, a pinyin letter, the ideographic zero, a horizontal bar
  // whose trail byte is below 0x80.
  for (char32_t c : {U'中', U'，', U'“', U'α', U'é', U'〇', U'―'}) EXPECT_EQ(Form(c), Gbk(Utf8(c))) << Utf8(c);
  // Ideographs GBK lacks: extension A, the end of the unified block,
  // extensions B and G, and two that GB18030 writes in two bytes.
  for (char32_t c : {U'\u3400', U'\u4DB5', U'\u9FFF', U'\U00020000', U'\U0002A6A5', U'\U00030000', U'\u9FB4',
                     U'\U00020087'}) {
    EXPECT_FALSE(Iconv("UTF-8", "CP936", Utf8(c))) << Utf8(c);
    EXPECT_EQ(Form(c), Gb18030(Utf8(c))) << Utf8(c);
  }
  EXPECT_EQ(Form(U'\U00020000').size(), 4u);
  // Everything else acts as ASCII: U+0080 (its CP936 form, the euro's, is
  // one byte), no-break space, ©, emoji, Hangul, ß, a Kangxi radical
  // (Han-like but no ideograph), private use, surrogates, and what lies
  // beyond Unicode.
  for (char32_t c : {U'A', U'\u0080', U'\u00A0', U'\u00A9', U'\U0001F600', U'\uD55C', U'\u00DF', U'\u2F00', U'\uE000',
                     char32_t{0xD800}, char32_t{0x110000}, char32_t{0xFFFFFFFF}})
    EXPECT_EQ(Form(c), "") << static_cast<unsigned>(c);
}

TEST(ExtractHanziUtf8, RunsHoldCountedCharactersOnly) {
  const std::string zhong = Gbk("中"), wen = Gbk("文");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""}, {"plain ASCII <p>&amp;</p>", ""},
      {"图像处理程序", Gbk("图像处理程序")},
      {"x中，文“y”", Gbk("中，文“") + "  " + Gbk("”")},
      // Ideographs outside GBK join the run in their GB18030 form.
      {"中𠀀文㐀.", zhong + Gb18030("𠀀") + wen + Gb18030("㐀")},
      // No-break space, ©, emoji and letters GBK lacks end a run, as ASCII does.
      {"中\u00A0文", zhong + "  " + wen}, {"中©文", zhong + "  " + wen}, {"中😀文", zhong + "  " + wen},
      {"中한ß文", zhong + "  " + wen}, {"\u00A0©😀\u2F00", ""},
      {"中\r", zhong},  // a CR left in the line is ASCII
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Utf8Extract(line), std::make_pair(true, expected)) << line;
}

TEST(ExtractHanziUtf8, IllFormedBytesEndARunAndMakeTheLineInvalid) {
  const std::string zhong = Gbk("中"), wen = Gbk("文");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"中\xFF文", zhong + "  " + wen},        // never in UTF-8
      {"中\x80文", zhong + "  " + wen},        // a continuation byte alone
      {"中\xC0\xAF文", zhong + "  " + wen},    // overlong "/"
      {"中\xE0\x80\xAF文", zhong + "  " + wen},
      {"中\xE0\x8E\xB1文", zhong + "  " + wen},   // overlong α, a character GBK has
      {"中\xF0\x80\x80\xAF文", zhong + "  " + wen},
      {"中\xED\xA0\x80文", zhong + "  " + wen},  // a surrogate
      {"中\xF4\x90\x80\x80文", zhong + "  " + wen},  // above U+10FFFF
      {"中\xE4\xB8" "a文", zhong + "  " + wen},  // cut short, the ASCII after it stays ASCII
      {"中\xE4\xB8", zhong},                   // cut short by the line's end
      {Gbk("中文"), ""},                         // GBK is not UTF-8
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Utf8Extract(line), std::make_pair(false, expected)) << line;
  // A long line: the ill-formed byte lies past the blocks skipped at once.
  EXPECT_EQ(Utf8Extract(std::string(100, 'a') + "\xFE" + std::string(100, 'b') + "中"), std::make_pair(false, zhong));
}

TEST(ExtractHanziUtf8, ConvertsFiveDigitReferencesAsTheGbkSearchDoes) {
  const std::string zhong = Gbk("中"), wen = Gbk("文");
  const std::vector<std::tuple<std::string, int, std::string>> cases = {
      {"&#20013;&#25991;", 1, zhong + wen},
      {"中&#25991;文", 1, zhong + wen + "  " + wen},  // no blanks before a reference
      {"©&#20013;", 1, zhong},                        // after a character that is not counted
      {"&#00065;&#00000;", 1, "A"},
      {"&#13312;", 1, "?"},  // 㐀 by reference: GBK's default character, as in a GBK search
      {"&#65536;&#2001;&#x4E2D;", 1, ""},
      {"end &#20013", 1, zhong},
      {"&#20013;", 0, ""},
  };
  for (const auto& [line, unicode, expected] : cases)
    EXPECT_EQ(Utf8Extract(line, unicode), std::make_pair(true, expected)) << line;
}

TEST(Utf8Validator, AcceptsStrictUtf8InAnyPieces) {
  const std::string text = std::string(70, 'a') + "é中𠀀\u00A0z";
  const auto feed = [](std::vector<std::string_view> pieces) {
    platform::Utf8Validator validator;
    bool going = true;
    for (std::string_view piece : pieces) going = validator.Feed(piece) && going;
    return std::make_pair(going, validator.IsUtf8Text());
  };
  for (std::size_t i = 0; i <= text.size(); ++i)
    for (std::size_t j = i; j <= text.size(); j += 1 + (j < 64 ? 8 : 0))
      ASSERT_EQ(feed({text.substr(0, i), text.substr(i, j - i), text.substr(j)}), std::make_pair(true, true))
          << i << " " << j;
  platform::Utf8Validator ascii;
  EXPECT_TRUE(ascii.Feed(std::string(200, 'x')));
  EXPECT_TRUE(ascii.Finish());
  EXPECT_FALSE(ascii.IsUtf8Text());  // plain ASCII says nothing about the encoding
}

TEST(Utf8Validator, RejectsOverlongFormsSurrogatesAndCutCharacters) {
  for (std::string bad : {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
                          "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\x80",
                          "\xE4\xB8\x41"}) {
    const std::string text = std::string(90, 'a') + "中" + bad + "z";
    for (std::size_t cut = 88; cut < text.size(); ++cut) {
      platform::Utf8Validator validator;
      validator.Feed(std::string_view(text).substr(0, cut));
      EXPECT_FALSE(validator.Feed(std::string_view(text).substr(cut)));
      EXPECT_FALSE(validator.Finish());
    }
  }
  platform::Utf8Validator cut;
  EXPECT_TRUE(cut.Feed("中\xE4\xB8"));  // may still be completed
  EXPECT_FALSE(cut.Finish());
  // GBK text is almost never UTF-8: 联通 is not (0xC1 never leads), but a
  // text of only 学习 is, the automatic rule's known limit.
  for (const char* gbk : {"联通", "中文，汉字"}) {
    platform::Utf8Validator validator;
    validator.Feed(Gbk(gbk));
    EXPECT_FALSE(validator.IsUtf8Text()) << gbk;
  }
  platform::Utf8Validator limit;
  limit.Feed(Gbk("学习"));
  EXPECT_TRUE(limit.IsUtf8Text());
}

TEST(ByteOrderMark, AnnouncesUtf8AndBothUtf16Orders) {
  const std::vector<std::tuple<std::string, std::size_t, TextEncoding>> cases = {
      {"\xEF\xBB\xBF" "abc", 3, TextEncoding::Utf8}, {"\xFF\xFE" "a\0", 2, TextEncoding::Utf16LE},
      {"\xFE\xFF\0a", 2, TextEncoding::Utf16BE},   {"\xEF\xBB", 0, TextEncoding::Gbk},
      {"", 0, TextEncoding::Gbk},                   {"\xBB\xEF\xBF", 0, TextEncoding::Gbk},
  };
  for (const auto& [head, length, announced] : cases) {
    TextEncoding encoding = TextEncoding::Gbk;
    EXPECT_EQ(platform::ByteOrderMark(head, encoding), length);
    EXPECT_EQ(encoding, announced);
  }
  // The names are what iconv and the messages take.
  for (TextEncoding encoding : {TextEncoding::Gbk, TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE})
    EXPECT_TRUE(Iconv(platform::EncodingName(encoding), "UTF-8", "")) << platform::EncodingName(encoding);
}

TEST(Utf16ToUtf8, KeepsUnitsAndPairsWholeAcrossPieces) {
  const std::string text = "a中\n𠀀©\x1A😀z";
  for (TextEncoding order : {TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
    const std::string utf16 = Utf16(platform::EncodingName(order), text);
    for (std::size_t i = 0; i <= utf16.size(); ++i)
      for (std::size_t j = i; j <= utf16.size(); ++j) {
        platform::Utf16ToUtf8 transcoder(order);
        std::string out;
        transcoder.Feed(std::string_view(utf16).substr(0, i), out);
        transcoder.Feed(std::string_view(utf16).substr(i, j - i), out);
        transcoder.Feed(std::string_view(utf16).substr(j), out);
        transcoder.Finish(out);
        ASSERT_EQ(out, text) << i << " " << j;
        ASSERT_FALSE(transcoder.HadInvalid());
      }
    // Pieces far longer than the transcoder's own buffer, a pair on each
    // possible boundary.
    for (std::size_t pad = 4090; pad < 4100; ++pad) {
      const std::string long_text = std::string(pad, 'x') + "𠀀" + std::string(pad, 'y') + "𠀀";
      platform::Utf16ToUtf8 transcoder(order);
      std::string out;
      transcoder.Feed(Utf16(platform::EncodingName(order), long_text), out);
      transcoder.Finish(out);
      ASSERT_EQ(out, long_text) << pad;
    }
  }
}

TEST(Utf16ToUtf8, ReplacesUnpairedSurrogatesAndAnOddLastByte) {
  const std::string replacement = "\uFFFD";
  const std::vector<std::pair<std::u16string, std::string>> cases = {
      {{0xD840, u'a'}, replacement + "a"},          // high surrogate, then no low one
      {{u'a', 0xDC00, u'b'}, "a" + replacement + "b"},  // low surrogate alone
      {{u'a', 0xD840}, "a" + replacement},          // high surrogate at the end
  };
  for (const auto& [units, expected] : cases) {
    std::string le;
    for (char16_t unit : units) le += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    platform::Utf16ToUtf8 transcoder(TextEncoding::Utf16LE);
    std::string out;
    transcoder.Feed(le, out);
    transcoder.Finish(out);
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(transcoder.HadInvalid());
  }
  platform::Utf16ToUtf8 odd(TextEncoding::Utf16BE);
  std::string out;
  odd.Feed(std::string("\0a\0", 3), out);
  EXPECT_FALSE(odd.HadInvalid());  // the byte may still be completed
  odd.Finish(out);
  EXPECT_EQ(out, "a" + replacement);
  EXPECT_TRUE(odd.HadInvalid());
}
