// Reading UTF-8 and UTF-16 files: detection, the counted forms, the
// extraction on characters, and UTF-16 turned into UTF-8. Expected bytes come
// from iconv here, apart from the code under test.
#include <gtest/gtest.h>

#include <bit>
#include <iconv.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "finder/engine/HanziExtraction.h"
#include "finder/engine/UnicodeExtraction.h"
#include "platform/CodePage.h"
#include "platform/TextEncoding.h"
#include "tests/support/Gbk.h"
#include "tests/support/ReferenceExtract.h"

namespace {

using platform::TextEncoding;

std::string Utf8(char32_t c) {
  return Iconv(std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE", "UTF-8",
               std::string_view(reinterpret_cast<const char*>(&c), sizeof c)).value();
}

std::pair<bool, std::string> Utf8Extract(std::string_view line, int unicode = 0) {
  std::string result = "stale";
  const bool wellFormed = ExtractHanziUtf8(line, unicode, result);
  return {wellFormed, result};
}

std::string Form(char32_t c) {
  char out[4];
  return std::string(out, static_cast<std::size_t>(platform::CountedForm(c, out)));
}

// UTF-16 turned into UTF-8 from the pieces given, and whether some of it was invalid.
std::pair<std::string, bool> FromUtf16(TextEncoding order, std::initializer_list<std::string_view> pieces) {
  platform::Utf16ToUtf8 transcoder(order);
  std::string out;
  for (std::string_view piece : pieces) transcoder.Feed(piece, out);
  transcoder.Finish(out);
  return {out, transcoder.HadInvalid()};
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
  for (int round = 0; round < 20000; ++round) {
    const std::string line = RandomLine(random, 60, 4, [&] { return characters[random() % characters.size()]; });
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
  // Everything else acts as ASCII: U+0080 (its CP936 form, the euro's, is
  // one byte), no-break space, ©, emoji, Hangul, ß, a Kangxi radical
  // (Han-like but no ideograph), private use, surrogates, and what lies
  // beyond Unicode.
  for (char32_t c : {U'A', U'\u0080', U'\u00A0', U'\u00A9', U'\U0001F600', U'\uD55C', U'\u00DF', U'\u2F00', U'\uE000',
                     char32_t{0xD800}, char32_t{0x110000}, char32_t{0xFFFFFFFF}})
    EXPECT_EQ(Form(c), "") << static_cast<unsigned>(c);
}

// The Han set on each of its edges: counted characters keep the Gbk set's
// form (GBK's bytes, else GB18030's), and what lies just outside a range,
// or is no Chinese text, counts not at all. A GBK text is judged the same,
// by its decoded characters.
TEST(CharacterSets, HanCountsChineseTextAndNothingElse) {
  const platform::CountedForms& han = platform::CountedForms::Get(platform::CharacterSet::Han);
  const auto form = [&](char32_t c) {
    char out[4];
    const std::uint32_t value = han.Lookup(c);
    return value == 0 ? std::string() : std::string(out, static_cast<std::size_t>(platform::CountedForms::Bytes(value, out)));
  };
  for (char32_t c : {U'中', U'㐀', U'鿿', U'𠀀', U'𰀀', U'豈', U'丽', U'⺀',
                     U'⼀', U'々', U'〇', U'ㄅ', U'ㆠ', U'、', U'〿', U'！', U'｠',
                     U'￠', U'￦', U'︐', U'︙', U'︰', U'﹏'}) {
    EXPECT_EQ(form(c), Gb18030(Utf8(c))) << Utf8(c);
    EXPECT_TRUE(platform::IsChineseText(c)) << Utf8(c);
  }
  for (char32_t c : {U'A', U'é', U'α', U'я', U'あ', U'ア', U'한', U'─', U'“',
                     U'　', U'｡', U'￨', U'︚', U'﹐', U'⿰', U'😀', U'�'})
    EXPECT_EQ(form(c), "") << Utf8(c);
  for (const char* text : {"中", "、", "々", "ㄅ", "！", "︰"}) {
    const std::string bytes = Gbk(text);
    EXPECT_TRUE(han.CountsGbkPair(bytes[0], bytes[1])) << text;
  }
  for (const char* text : {"é", "α", "я", "あ", "─", "“", "ア"}) {
    const std::string bytes = Gbk(text);
    EXPECT_FALSE(han.CountsGbkPair(bytes[0], bytes[1])) << text;
  }
}

// The tables against what they are built from, at every code point: the
// Han set counts exactly what the one test calls Chinese text, in the Gbk
// set's form where that has one; beyond the BMP every form is GB18030's as
// iconv writes it.
TEST(CharacterSets, TablesHoldTheRuleAtEveryCodePoint) {
  const platform::CountedForms& gbk = platform::CountedForms::Get(platform::CharacterSet::Gbk);
  const platform::CountedForms& han = platform::CountedForms::Get(platform::CharacterSet::Han);
  std::size_t beyond = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const std::uint32_t form = han.Lookup(c);
    ASSERT_EQ(form != 0, platform::IsChineseText(c)) << std::hex << static_cast<unsigned>(c);
    if (form != 0 && gbk.Lookup(c) != 0) {
      ASSERT_EQ(form, gbk.Lookup(c)) << std::hex << static_cast<unsigned>(c);
    }
    if (c >= 0x10000 && gbk.Lookup(c) != 0) {
      ++beyond;
      ASSERT_EQ(Form(c), Gb18030(Utf8(c))) << std::hex << static_cast<unsigned>(c);
    }
  }
  EXPECT_GT(beyond, 60000u);  // the ideographs of extensions B to H
}

// The code page's table of code units, made by turning its decoding round,
// against iconv's encoding of every unit.
TEST(CharacterSets, EveryCodeUnitEncodesAsIconvEncodesIt) {
  iconv_t cd = iconv_open("CP936", std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (std::uint32_t unit = 1; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    const auto code = static_cast<char16_t>(unit);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(&code));
    std::size_t inLeft = sizeof code;
    char bytes[8];
    char* to = bytes;
    std::size_t toLeft = sizeof bytes;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string expected = "?";  // what the system writes for a unit it has no code for
    if (iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1))
      expected.assign(bytes, sizeof bytes - toLeft);
    char out[3];
    const int written = platform::WideCharToAnsi(static_cast<std::uint16_t>(unit), out);
    ASSERT_EQ(std::string(out, static_cast<std::size_t>(written - 1)), expected) << std::hex << unit;
  }
  iconv_close(cd);
}

// What the comparison with the GBK search cannot meet: characters GBK lacks,
// and bytes that are no UTF-8, which end a run and make the line invalid.
TEST(ExtractHanziUtf8, RunsHoldCountedCharactersOnly) {
  const std::string zhong = Gbk("中"), wen = Gbk("文"), apart = zhong + "  " + wen;
  struct Case {
    std::string line;
    bool wellFormed;
    std::string expected;
    int unicode = 0;
  };
  for (const Case& c : std::vector<Case>{
           // Ideographs outside GBK join the run in their GB18030 form.
           {"中𠀀文㐀.", true, zhong + Gb18030("𠀀") + wen + Gb18030("㐀")},
           // No-break space, ©, emoji and letters GBK lacks end a run, as ASCII does.
           {"中\u00A0文", true, apart}, {"中©文", true, apart}, {"中😀文", true, apart}, {"中한ß文", true, apart},
           {"\u00A0©😀\u2F00", true, ""},
           {"©&#20013;", true, zhong, 1},  // a reference after a character that is not counted
           {"&#13312;", true, "?", 1},     // 㐀 by reference: GBK's default character, as in a GBK search
           {"&#00065;&#00000;", true, "A", 1},
           // Which forms are ill-formed is the validator's test below, on the same decoder.
           {"中\xFF文", false, apart},
           {"中\xE0\x8E\xB1文", false, apart},  // overlong α, a character GBK has
           {"中\xE4\xB8" "a文", false, apart},      // cut short, the ASCII after it stays ASCII
           {"中\xE4\xB8", false, zhong},            // cut short by the line's end
           {Gbk("中文"), false, ""},                  // GBK is not UTF-8
           // The ill-formed byte lies past the blocks skipped at once.
           {std::string(100, 'a') + "\xFE" + std::string(100, 'b') + "中", false, zhong},
       })
    EXPECT_EQ(Utf8Extract(c.line, c.unicode), std::make_pair(c.wellFormed, c.expected)) << c.line;
}

// Strict UTF-8 in any pieces; overlong forms, surrogates and cut characters
// refused wherever the pieces are cut; GBK text is almost never UTF-8.
TEST(Utf8Validator, AcceptsStrictUtf8InAnyPiecesAndNothingElse) {
  const auto feed = [](std::vector<std::string_view> pieces) {
    platform::Utf8Validator validator;
    bool going = true;
    for (std::string_view piece : pieces) going = validator.Feed(piece) && going;
    const bool finished = validator.Finish();
    return std::tuple(going, finished, validator.IsUtf8Text());
  };
  const std::string text = std::string(70, 'a') + "é中𠀀\u00A0z";
  for (std::size_t i = 0; i <= text.size(); ++i)
    for (std::size_t j = i; j <= text.size(); j += 1 + (j < 64 ? 8 : 0))
      ASSERT_EQ(feed({text.substr(0, i), text.substr(i, j - i), text.substr(j)}), std::tuple(true, true, true))
          << i << " " << j;
  EXPECT_EQ(feed({std::string(200, 'x')}), std::tuple(true, true, false));  // plain ASCII says nothing of the encoding
  for (std::string bad : {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
                          "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\x80",
                          "\xE4\xB8\x41"}) {
    const std::string wrong = std::string(90, 'a') + "中" + bad + "z";
    for (std::size_t cut = 88; cut < wrong.size(); ++cut) {
      const auto [fed, finished, utf8] = feed({wrong.substr(0, cut), wrong.substr(cut)});
      EXPECT_FALSE(fed || finished) << cut;
    }
  }
  platform::Utf8Validator cut;
  EXPECT_TRUE(cut.Feed("中\xE4\xB8"));  // may still be completed
  EXPECT_FALSE(cut.Finish());
  // 联通 is not UTF-8 (0xC1 never leads), but a text of only 学习 is: the
  // automatic rule's known limit.
  for (const char* gbk : {"联通", "中文，汉字", "学习"}) EXPECT_EQ(std::get<2>(feed({Gbk(gbk)})), gbk == std::string("学习"));
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
}

TEST(Utf16ToUtf8, KeepsUnitsAndPairsWholeAcrossPiecesAndReplacesWhatIsInvalid) {
  const std::string text = "a中\n𠀀©\x1A😀z";
  for (TextEncoding order : {TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
    const std::string utf16 = Transcode(platform::EncodingName(order), text);
    const std::string_view u = utf16;
    for (std::size_t i = 0; i <= u.size(); ++i)
      for (std::size_t j = i; j <= u.size(); ++j)
        ASSERT_EQ(FromUtf16(order, {u.substr(0, i), u.substr(i, j - i), u.substr(j)}), std::pair(text, false)) << i << " " << j;
    // Pieces far longer than the transcoder's own buffer, a pair on each
    // possible boundary.
    for (std::size_t pad = 4090; pad < 4100; ++pad) {
      const std::string longText = std::string(pad, 'x') + "𠀀" + std::string(pad, 'y') + "𠀀";
      ASSERT_EQ(FromUtf16(order, {Transcode(platform::EncodingName(order), longText)}), std::pair(longText, false)) << pad;
    }
  }
  const std::string replacement = "\uFFFD";
  for (const auto& [units, expected] : std::vector<std::pair<std::u16string, std::string>>{
           {{0xD840, u'a'}, replacement + "a"},              // high surrogate, then no low one
           {{u'a', 0xDC00, u'b'}, "a" + replacement + "b"},  // low surrogate alone
           {{u'a', 0xD840}, "a" + replacement}}) {           // high surrogate at the end
    std::string le;
    for (char16_t unit : units) le += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    EXPECT_EQ(FromUtf16(TextEncoding::Utf16LE, {le}), std::pair(expected, true));
  }
  platform::Utf16ToUtf8 odd(TextEncoding::Utf16BE);
  std::string out;
  odd.Feed(std::string("\0a\0", 3), out);
  EXPECT_FALSE(odd.HadInvalid());  // the byte may still be completed
  odd.Finish(out);
  EXPECT_EQ(out, "a" + replacement);
  EXPECT_TRUE(odd.HadInvalid());
}
