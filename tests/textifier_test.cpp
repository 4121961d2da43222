// The document converter: its reader against the text the test documents were
// made from, against built and damaged documents, and the program as the
// finder starts it.
#include <gtest/gtest.h>

#include <glib.h>

#include <filesystem>

#include "platform/NativePath.h"
#include "platform/Process.h"
#include "tests/support/Gbk.h"
#include "tests/support/ReferenceExtract.h"
#include "tests/support/TempDir.h"
#include "tests/support/WordFile.h"
#include "tests/support/Workbook.h"
#include "textifier/WordText.h"

using textifier::WordResult;

namespace {

const std::string kData = TEXTIFIER_DATA;

// libgsf warns about every damaged file it reads; the results say enough.
const bool kQuietGsf = (g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr),
                        true);

// A source text (UTF-8, LF) as the converter must give it: GBK, CR LF.
std::string Expected(const std::string& name) {
  std::string text, lines = ReadFileBytes(kData + "/" + name);
  for (char c : lines) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return Gbk(text);
}

struct Converted {
  WordResult result;
  std::string text, problem;
};
Converted Read(std::string_view bytes) {
  Converted c{WordResult::Converted, {}, {}};
  c.result = textifier::ReadWordText(bytes, c.text, c.problem);
  return c;
}
Converted ReadStreams(const WordStreams& s) {
  Converted c{WordResult::Converted, {}, {}};
  c.result = textifier::ReadWordStreams(s.wordDocument, s.table, c.text, c.problem);
  return c;
}

// What holds for any input: a problem exactly when the document is encrypted
// or damaged, whole CR LF lines, nothing from a file that is no compound file.
void ExpectConsistent(const Converted& c, const std::string& what) {
  EXPECT_EQ(c.result == WordResult::Converted || c.result == WordResult::NotCompound, c.problem.empty()) << what;
  EXPECT_TRUE(c.result != WordResult::NotCompound || c.text.empty()) << what;
  for (std::size_t i = 0; i < c.text.size(); ++i)
    ASSERT_EQ(c.text[i] == '\r', i + 1 < c.text.size() && c.text[i + 1] == '\n') << what << " at " << i;
  EXPECT_TRUE(c.text.empty() || c.text.ends_with("\r\n")) << what;
}

void Patch32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> 8 * i);
}

}  // namespace

// libgsf 1.14.50 loses the directory entries of some damaged compound files
// even when they are closed properly: its leak, not the reader's. The full
// unwinder lets the leak checker see libgsf on the stack behind GLib.
extern "C" const char* __lsan_default_suppressions() { return "leak:libgsf-1.so\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0:print_suppressions=0"; }

TEST(WordText, CommittedDocumentsGiveTheTextTheyWereMadeFrom) {
  // chinese.doc: paragraphs, a line break, a table, a hyperlink field and a
  // long paragraph, in UTF-16 pieces; english.doc: Latin text; the sample
  // site's brochure.
  for (const std::string name : {"chinese", "english", "brochure"}) {
    const std::string folder = name == "brochure" ? kData + "/../../examples/samples" : kData;
    const Converted c = Read(ReadFileBytes(folder + "/" + name + ".doc"));
    EXPECT_EQ(c.result, WordResult::Converted) << name << ": " << c.problem;
    EXPECT_EQ(c.text, Expected(name + ".txt")) << name;
  }
}

TEST(WordText, BuiltPiecesFieldsAndControlCharacters) {
  // 8-bit pieces with the Windows-1252 punctuation, fields nested in an
  // instruction and in a result, surrogate pairs (an emoji, which CP936
  // lacks, and an ideograph, which keeps its GB18030 form, as does one of
  // the BMP that GBK lacks), a table in "0Table".
  const WordStreams streams = MakeWordStreams(
      {{u"Caf\u00E9 \x93q\x94\x85\x1E\x1F\x01\r", true},
       {u"\u6C49\x13 HYPERLINK \x13 PAGE \x14" u"9\x15 \x14\u7ED3\x13 REF \x14\u679C\x15\x15\u00A0\U0001F600\U00020000\u3400\x0B\u5B57\x07"
        u"\x15\x14tail",
        false}},
      false);
  const Converted c = Read(MakeWordFile(streams, false));
  EXPECT_EQ(c.result, WordResult::Converted) << c.problem;
  EXPECT_EQ(c.text, "Caf" + Gbk("é “q”…") + "-\r\n" + Gbk("汉结果") + " ?" + Gb18030("𠀀㐀") + "\r\n" + Gbk("字") + "\r\ntail\r\n");
  ExpectConsistent(c, "built");

  WordStreams encrypted = streams;
  encrypted.wordDocument[kFlagsOffset + 1] |= 0x01;
  EXPECT_EQ(ReadStreams(encrypted).result, WordResult::Encrypted);
  EXPECT_EQ(Read(MakeCompoundFile({{"Other", "x"}})).result, WordResult::Damaged);
  EXPECT_EQ(Read("plain text, no document").result, WordResult::NotCompound);
}

TEST(WordText, HostilePieceTablesStayBounded) {
  const std::u16string big(2000, u'\u4E2D');
  WordStreams s = MakeWordStreams({{big, false}, {u"end\r", true}});
  // The header's text length rules: what lies behind it is no main text.
  Patch32(s.wordDocument, kCcpTextOffset, 3);
  EXPECT_EQ(ReadStreams(s).text, Gbk("中中中") + "\r\n");
  Patch32(s.wordDocument, kCcpTextOffset, 0xFFFFFFFF);
  EXPECT_EQ(ReadStreams(s).problem, "the piece table ends before the text");

  // Pieces that claim a billion characters, all on the same bytes, or on
  // bytes beyond the stream, or out of order.
  for (const auto& [at, value] : std::vector<std::pair<std::size_t, std::uint32_t>>{
           {4, 1000000000}, {8, 1000000001}, {14, 0x10000000}, {4, 5000}, {4, 0}, {0, 1}}) {
    WordStreams hostile = s;
    Patch32(hostile.table, kPlcPcdOffset + at, value);
    const Converted c = ReadStreams(hostile);
    EXPECT_EQ(c.result, WordResult::Damaged) << at << "=" << value;
    EXPECT_LE(c.text.size(), 2 * s.wordDocument.size());
    ExpectConsistent(c, "patched");
  }
  Patch32(s.table, kPlcPcdOffset - 4, 0xFFFFFFF0);  // lcb of the piece table
  EXPECT_EQ(ReadStreams(s).problem, "the piece table is damaged");
}

TEST(WordText, DamagedAndTruncatedCopiesNeverClaimSuccess) {
  const std::string document = ReadFileBytes(kData + "/chinese.doc"), full = Expected("chinese.txt");
  for (std::size_t length = 0; length < document.size(); length += 509) {
    const Converted c = Read(document.substr(0, length));
    ExpectConsistent(c, "cut at " + std::to_string(length));
    EXPECT_TRUE(c.result != WordResult::Converted || c.text == full) << length;
  }
  for (std::size_t at = 0; at < document.size(); at += 97) {
    std::string damaged = document;
    damaged[at] = static_cast<char>(~damaged[at]);
    ExpectConsistent(Read(damaged), "flipped at " + std::to_string(at));
  }
}

class TextifierProgram : public ::testing::Test {
 protected:
  TextifierProgram() : drives_(dir_.Path()) {}

  // Starts program with the argument text as the finder builds it.
  static int Run(const std::string& program, const std::string& argumentText) {
    return platform::WaitProcess(platform::StartProcess(program, argumentText));
  }

  TempDir dir_;
  ScopedDriveRoot drives_;
  const std::string output_ = platform::DriveFolder('c') + "/~tmp.txt";
};

TEST_F(TextifierProgram, CommandLineAsTheFinderGivesIt) {
  const std::string doc = dir_.Write("my docs/a b.doc", ReadFileBytes(kData + "/chinese.doc"));
  EXPECT_EQ(Run(TEXTIFIER, Gbk(doc) + ">c:\\~tmp.txt"), 0);
  EXPECT_EQ(ReadFileBytes(output_), Expected("chinese.txt"));

  const std::string page = std::string("<html>\x1A\r\n\0\xB0\xA1\n", 12);
  EXPECT_EQ(Run(TEXTIFIER, dir_.Write("page.doc", page) + ">c:\\~tmp.txt"), 0);
  EXPECT_EQ(ReadFileBytes(output_), page);

  // Failures leave no earlier document's text behind.
  EXPECT_EQ(Run(TEXTIFIER, dir_ / "missing.doc>c:\\~tmp.txt"), 3);
  EXPECT_EQ(ReadFileBytes(output_), "");
  const std::string document = ReadFileBytes(kData + "/chinese.doc");
  EXPECT_EQ(Run(TEXTIFIER, dir_.Write("cut.doc", document.substr(0, document.size() / 2)) + ">" + output_), 1);
  EXPECT_EQ(Run(TEXTIFIER, doc), 2);
  EXPECT_EQ(Run(TEXTIFIER, dir_.Path() + ">c:\\~tmp.txt"), 3);
}

TEST_F(TextifierProgram, ScanReportsTheDocumentsHitsUnderItsOwnPath) {
  std::filesystem::create_directories(dir_ / "bin");
  for (const std::string program : {GLYPHWELL_SCAN, TEXTIFIER})
    std::filesystem::copy_file(program, dir_ / ("bin/" + std::filesystem::path(program).filename().string()));
  const std::string doc = dir_.Write("site/年度 报告.doc", ReadFileBytes(kData + "/chinese.doc"));
  const std::string txt = dir_.Write("site/a.txt", Gbk("文字") + "\n");
  EXPECT_EQ(Run(dir_ / "bin/glyphwell-scan", "--quiet --no-limit --patterns *.doc;*.txt " + dir_ / "site"), 0);

  std::string expected = "Input file:" + Gbk(doc) + "\r\n", lines = Expected("chinese.txt");
  int number = 0;
  for (std::size_t start = 0; start < lines.size(); start = lines.find('\n', start) + 1) {
    const std::string chars = ReferenceExtract(lines.substr(start, lines.find('\r', start) - start), true);
    const std::string n = std::to_string(++number);
    if (!chars.empty()) expected += n + std::string(n.size() < 3 ? 4 - n.size() : 1, ' ') + chars + "\r\n";
  }
  expected += "Input file:" + txt + "\r\n1   " + Gbk("文字") + "\r\n";
  EXPECT_EQ(ReadFileBytes(platform::DriveFolder('c') + "/GlyphwellResult.txt"), expected);
  // The converter writes the system's text, whatever the files are read as.
  EXPECT_EQ(Run(dir_ / "bin/glyphwell-scan", "--quiet --no-limit --no-export --encoding utf-8 --patterns *.doc " +
                                                  dir_ / "site"),
            0);
  EXPECT_EQ(ReadFileBytes(platform::DriveFolder('c') + "/GlyphwellResult.txt"),
            expected.substr(0, expected.find("Input file:" + txt)));

  const WorkbookCells cells = ReadWorkbook(dir_ / "bin/~report.xls");
  ASSERT_TRUE(cells.ok);
  EXPECT_EQ(cells.text.at("A2"), "c:\\~tmp.txt");
  EXPECT_EQ(cells.text.at("A3"), txt);
}
