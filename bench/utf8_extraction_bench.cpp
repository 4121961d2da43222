// utf8_extraction_bench: times the pieces that read UTF-8 and UTF-16 files
// against the GBK search on the same text.
//
//   utf8_extraction_bench [MB] [RUNS]   (defaults 32 and 5; best run shown)
//
// Two texts of about MB MiB of GBK each: "dense", Chinese on every line with
// ASCII words and full-width punctuation between; "web", HTML with Chinese on
// one line in 16, as the dense search corpus has it. Each is timed as GBK
// lines through ExtractHanzi and as its UTF-8 form through ExtractHanziUtf8
// (every line, none skipped), through the validator and, as UTF-16LE,
// through the transcoder. Then one character at a time: the counted-form
// table against an iconv call and an ICU converter call per character.

#include <unicode/ucnv.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iconv.h>
#include <malloc.h>
#include <string>
#include <string_view>
#include <vector>

#include "BenchRandom.h"
#include "finder/engine/HanziExtraction.h"
#include "finder/engine/UnicodeExtraction.h"
#include "platform/CodePage.h"
#include "platform/TextEncoding.h"

namespace {

constexpr double kMiB = 1 << 20;

// Small blocks and the large ones malloc maps on their own.
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Best seconds of runs calls of work.
double Best(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

// A GB2312 character (rows 0xB0 to 0xD6, whose codes are all assigned), now and then a full-width comma or full stop.
std::string Character() {
  if (Below(12) == 0) return Below(2) ? "\xA3\xAC" : "\xA1\xA3";
  return {static_cast<char>(0xB0 + Below(0x27)), static_cast<char>(0xA1 + Below(0x5E))};
}

std::string Chinese(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += Character();
  return text;
}

std::string DenseLine() {
  std::string line;
  while (line.size() < 120) {
    line += Chinese(2 + static_cast<int>(Below(12)));
    if (Below(3) == 0) line += Below(2) ? " Qt 6 " : " (v2.1) ";
  }
  return line;
}

std::string WebLine(int number) {
  if (number % 16 == 0) return "<p class=\"note\">" + Chinese(5 + static_cast<int>(Below(20))) + "</p>";
  return "<td><a href=\"docs/page" + std::to_string(Below(1000)) + ".html\">Configuration options</a></td>";
}

struct Text {
  std::string gbk, utf8, utf16;
  std::vector<std::string_view> gbkLines, utf8Lines;
};

std::vector<std::string_view> Lines(const std::string& text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.emplace_back(text.data() + start, end - start);
    start = end + 1;
  }
  return lines;
}

Text Make(std::size_t bytes, bool dense) {
  Text text;
  for (int number = 0; text.gbk.size() < bytes; ++number) text.gbk += (dense ? DenseLine() : WebLine(number)) + "\n";
  text.utf8 = platform::AnsiToUtf8Lenient(text.gbk);
  // UTF-16LE by hand from the UTF-8: the text is all BMP.
  for (std::size_t i = 0; i < text.utf8.size();) {
    char32_t c = static_cast<unsigned char>(text.utf8[i]);
    int length = 1;
    if (c >= 0x80) length = platform::DecodeUtf8(reinterpret_cast<const unsigned char*>(text.utf8.data() + i),
                                                 text.utf8.size() - i, c);
    text.utf16 += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    i += static_cast<std::size_t>(length);
  }
  text.gbkLines = Lines(text.gbk);
  text.utf8Lines = Lines(text.utf8);
  return text;
}

void TimeText(const char* name, const Text& text, int runs) {
  std::string result;
  std::size_t gbkOut = 0, utf8Out = 0;
  const double gbk = Best(runs, [&] {
    gbkOut = 0;
    for (std::string_view line : text.gbkLines) {
      ExtractHanzi(line, 1, result);
      gbkOut += result.size();
    }
  });
  const double utf8 = Best(runs, [&] {
    utf8Out = 0;
    for (std::string_view line : text.utf8Lines) {
      ExtractHanziUtf8(line, 1, result);
      utf8Out += result.size();
    }
  });
  bool valid = false;
  const double validate = Best(runs, [&] {
    platform::Utf8Validator validator;
    for (std::size_t at = 0; at < text.utf8.size(); at += 65536)
      validator.Feed(std::string_view(text.utf8).substr(at, 65536));
    valid = validator.IsUtf8Text();
  });
  std::string out;
  const double transcode = Best(runs, [&] {
    platform::Utf16ToUtf8 transcoder(platform::TextEncoding::Utf16LE);
    for (std::size_t at = 0; at < text.utf16.size(); at += 65536) {
      out.clear();
      transcoder.Feed(std::string_view(text.utf16).substr(at, 65536), out);
    }
  });
  const double gbkMiB = static_cast<double>(text.gbk.size()) / kMiB;
  const double utf8MiB = static_cast<double>(text.utf8.size()) / kMiB;
  const double utf16MiB = static_cast<double>(text.utf16.size()) / kMiB;
  std::printf("%s: %.1f MiB GBK, %.1f MiB UTF-8, %zu lines%s\n", name, gbkMiB, utf8MiB, text.gbkLines.size(),
              gbkOut == utf8Out ? "" : " (RESULTS DIFFER)");
  std::printf("  ExtractHanzi on GBK         %7.0f MB/s\n", gbkMiB / gbk);
  std::printf("  ExtractHanziUtf8 on UTF-8   %7.0f MB/s  (same text in %.2fx the time)\n", utf8MiB / utf8, utf8 / gbk);
  std::printf("  Utf8Validator               %7.0f MB/s%s\n", utf8MiB / validate, valid ? "" : " (NOT VALID)");
  std::printf("  Utf16ToUtf8 from UTF-16LE   %7.0f MB/s of UTF-16\n", utf16MiB / transcode);
}

// The non-ASCII characters of a text, as code points.
std::vector<char32_t> CodePoints(const std::string& utf8) {
  std::vector<char32_t> points;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    const int length = platform::DecodeUtf8(p + i, utf8.size() - i, c);
    points.push_back(c);
    i += static_cast<std::size_t>(std::max(length, 1));
  }
  return points;
}

void TimeCharacters(const std::vector<char32_t>& points, int runs) {
  std::size_t sum = 0;
  const auto perCharacter = [&](double seconds) { return seconds * 1e9 / static_cast<double>(points.size()); };
  const platform::CountedForms& forms = platform::CountedForms::Get();
  const double table = Best(runs, [&] {
    char out[4];
    for (char32_t c : points) {
      const std::uint32_t form = forms.Lookup(c);
      if (form != 0) sum += static_cast<std::size_t>(platform::CountedForms::Bytes(form, out));
    }
  });
  // What the table saves: a CP936 conversion, and for what CP936 lacks the
  // property and a GB18030 conversion, for each character.
  iconv_t toGbk = iconv_open("CP936", "UTF-32LE");
  iconv_t toGb18030 = iconv_open("GB18030", "UTF-32LE");
  const auto convert = [](iconv_t cd, char32_t c, char* out) {
    char* in = reinterpret_cast<char*>(&c);
    char* to = out;
    std::size_t inLeft = sizeof c, toLeft = 8;
    if (iconv(cd, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) return std::size_t{0};
    return 8 - toLeft;
  };
  const double viaIconv = Best(runs, [&] {
    char out[8];
    for (char32_t c : points) {
      std::size_t length = convert(toGbk, c, out);
      if (length == 0 && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_UNIFIED_IDEOGRAPH))
        length = convert(toGb18030, c, out);
      sum += length;
    }
  });
  iconv_close(toGbk);
  iconv_close(toGb18030);
  UErrorCode status = U_ZERO_ERROR;
  UConverter* gbk = ucnv_open("windows-936", &status);
  UConverter* gb18030 = ucnv_open("gb18030", &status);
  if (U_FAILURE(status)) {
    std::printf("ICU converters missing: %s\n", u_errorName(status));
    return;
  }
  ucnv_setFromUCallBack(gbk, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  const double viaIcu = Best(runs, [&] {
    char out[8];
    for (char32_t c : points) {
      UChar units[2];
      const std::int32_t count = c > 0xFFFF ? 2 : 1;
      if (count == 1) units[0] = static_cast<UChar>(c);
      else units[0] = U16_LEAD(c), units[1] = U16_TRAIL(c);
      UErrorCode error = U_ZERO_ERROR;
      std::int32_t length = ucnv_fromUChars(gbk, out, sizeof out, units, count, &error);
      if (U_FAILURE(error) && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_UNIFIED_IDEOGRAPH)) {
        error = U_ZERO_ERROR;
        length = ucnv_fromUChars(gb18030, out, sizeof out, units, count, &error);
      }
      if (U_SUCCESS(error)) sum += static_cast<std::size_t>(length);
    }
  });
  ucnv_close(gbk);
  ucnv_close(gb18030);
  std::printf("one character at a time (%zu characters):\n", points.size());
  std::printf("  CountedForms::Lookup        %7.2f ns\n", perCharacter(table));
  std::printf("  iconv call                  %7.2f ns\n", perCharacter(viaIconv));
  std::printf("  ICU ucnv_fromUChars         %7.2f ns\n", perCharacter(viaIcu));
  if (sum == 0) std::printf("(nothing converted)\n");
}

}  // namespace

int main(int argc, char** argv) {
  const double mb = argc > 1 ? std::atof(argv[1]) : 32;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  if (!(mb > 0)) {
    std::fprintf(stderr, "usage: utf8_extraction_bench [MB] [RUNS]\n");
    return 2;
  }
  // The table is built by its first user: its cost is paid once per process.
  // The CP936 table under it comes first, as a search with references has it.
  char unused[4];
  platform::WideCharToAnsi(u'中', unused);
  const std::size_t heapBefore = HeapInUse();
  const auto start = std::chrono::steady_clock::now();
  platform::CountedForm(U'中', unused);
  const double build = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("counted-form table: built in %.1f ms, %.0f KiB\n", build * 1e3,
              static_cast<double>(HeapInUse() - heapBefore) / 1024);

  const auto bytes = static_cast<std::size_t>(mb * kMiB);
  const Text dense = Make(bytes, true);
  TimeText("dense", dense, runs);
  TimeText("web", Make(bytes, false), runs);
  TimeCharacters(CodePoints(dense.utf8.substr(0, 4 << 20)), runs);
  return 0;
}
