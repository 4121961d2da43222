// Files as they are written today, through glyphwell-scan as a user runs it:
// each file read in its own encoding, while a GBK search stays the byte rule.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/Gbk.h"
#include "tests/support/ScanProgram.h"
#include "tests/support/Workbook.h"

namespace {

using EncodingScan = ScanProgram;
constexpr auto npos = std::string::npos;

// The report's blocks by file: header path to its hit lines.
std::map<std::string, std::string> Blocks(const std::string& report) {
  std::map<std::string, std::string> blocks;
  std::string current;
  for (std::size_t at = 0; at < report.size();) {
    const std::size_t end = report.find("\r\n", at);
    const std::string line = report.substr(at, end - at);
    at = end + 2;
    if (line.rfind("Input file:", 0) == 0)
      current = line.substr(11);
    else
      blocks[current] += line + "\n";
  }
  return blocks;
}

}  // namespace

// The same text in GBK, UTF-8 (with and without a byte-order mark) and
// UTF-16 in both byte orders gives the same lines, counts and workbook rows,
// in one tree read in the automatic mode.
TEST_F(EncodingScan, OneTextInEveryEncodingGivesOneResult) {
  const std::string text = "<p>图像处理程序</p>\r\nplain line\n中，文 &#20013;x“引号”\n\n末行";
  const std::map<std::string, std::string> files = {
      {"a-gbk.txt", Gbk(text)},
      {"b-utf8.txt", text},
      {"c-bom.txt", "\xEF\xBB\xBF" + text},
      {"d-le.txt", Transcode("UTF-16LE", "\xEF\xBB\xBF" + text)},
      {"e-be.txt", Transcode("UTF-16BE", "\xEF\xBB\xBF" + text)}};
  for (const auto& [name, bytes] : files) dir_.Write("tree/" + name, bytes);
  const std::string report = dir_ / "r.txt";
  const Outcome auto_ = Run({"--encoding", "Auto", "--no-limit", "--report", report, dir_ / "tree"});
  EXPECT_EQ(auto_.status, 0) << auto_.err;
  const std::map<std::string, std::string> blocks = Blocks(ReadFileBytes(report));
  const std::string expected = "1   " + Gbk("图像处理程序") + "\n3   " + Gbk("中，文中") + "  " + Gbk("“引号”") +
                               "\n5   " + Gbk("末行") + "\n";
  ASSERT_EQ(blocks.size(), files.size());
  for (const auto& [name, lines] : blocks) EXPECT_EQ(lines, expected) << name;
  const long perFile = 12 + 18 + 4;  // the three lines' bytes of characters, separator included
  EXPECT_EQ(auto_.out, Completion(5, 5 * perFile));

  const WorkbookCells cells = ReadWorkbook(Workbook());
  ASSERT_TRUE(cells.ok);
  for (int row = 2; row <= 6; ++row) {
    EXPECT_EQ(cells.text.at("B" + std::to_string(row)), "图像处理程序");
    EXPECT_EQ(cells.text.at("C" + std::to_string(row)), std::to_string(perFile));
  }

  // GBK mode stays the byte rule: the UTF-8 file is read as bytes, and the
  // user is told how many files look like UTF-8.
  const Outcome gbk = Run({"--no-limit", "--no-export", "--report", report, dir_ / "tree"});
  EXPECT_EQ(Blocks(ReadFileBytes(report)).at(dir_ / "tree/a-gbk.txt"), expected);
  EXPECT_NE(Blocks(ReadFileBytes(report)).at(dir_ / "tree/b-utf8.txt"), expected);
  EXPECT_NE(gbk.err.find("2 file(s) read as GBK look like UTF-8 and 2 start with a UTF-16 mark"), npos) << gbk.err;
}

// What counts in a Unicode file, the detection rule with its known limit,
// invalid bytes, a start tag written in Chinese, and a name GBK lacks.
TEST_F(EncodingScan, WhatCountsWhatIsDetectedAndWhatIsTold) {
  // An ideograph outside GBK keeps its GB18030 form; an emoji and a no-break
  // space act as ASCII does.
  const std::string name = dir_.Write("t/한.txt", "😀𠀀图\u00A0像 © x\n");
  // The two characters 学习 alone are valid UTF-8 as GBK bytes: the
  // automatic rule reads them as UTF-8 (where they count nothing).
  const std::string limit = dir_.Write("t/limit.txt", Gbk("学习"));
  const std::string bad = dir_.Write("t/bad.txt", "中\xFF文\n");
  const std::string tagged = dir_.Write("t/tag.htm", "头\n<!--开始-->前\n后\n");
  const std::string report = dir_ / "r.txt";
  const Outcome utf8 = Run({"--encoding", "utf-8", "--no-limit", "--no-export", "--start-tag", "<!--开始-->", "--report",
                            report, dir_ / "t"});
  const std::map<std::string, std::string> blocks = Blocks(ReadFileBytes(report));
  EXPECT_EQ(blocks.at(dir_ / "t/" + Gb18030("한.txt")), "1   " + Gb18030("𠀀图") + "  " + Gbk("像") + "\n");
  EXPECT_EQ(blocks.at(bad), "1   " + Gbk("中") + "  " + Gbk("文") + "\n");
  EXPECT_EQ(blocks.at(tagged), "2   " + Gbk("开始") + "  " + Gbk("前") + "\n3   " + Gbk("后") + "\n");
  EXPECT_EQ(blocks.count(limit), 0u);
  EXPECT_NE(utf8.err.find("glyphwell-scan: " + bad + " holds bytes that are not valid UTF-8"), npos) << utf8.err;
  EXPECT_EQ(utf8.err.find(name), npos);  // told only of the file with invalid bytes

  Run({"--encoding", "AUTO", "--no-export", "--report", report, limit});
  EXPECT_FALSE(FileIsThere(report));
  Run({"--encoding", "gbk", "--no-export", "--report", report, limit});
  EXPECT_EQ(ReadFileBytes(report), "Input file:" + limit + "\r\n1   " + Gbk("学习") + "\r\n");
  EXPECT_EQ(Run({"--encoding", "latin1", limit}).status, 2);

  // The name GBK lacks, through the workbook: the cell shows the file as named on disk.
  Run({"--encoding", "auto", "--report", report, name});
  const WorkbookCells cells = ReadWorkbook(Workbook());
  ASSERT_TRUE(cells.ok);
  EXPECT_EQ(cells.text.at("A2"), name);
}

// The Han set counts Chinese text only, in a GBK file, its UTF-8 and UTF-16
// copies and through references, and the three give one report; the Gbk
// set on the same files still reports the other letters GBK writes.
TEST_F(EncodingScan, TheHanSetInEveryEncoding) {
  const std::string text = "Café 中文、é α я あ “引” ─ 々〇 ｜ㄅ &#20013;&#00233;\n";
  dir_.Write("t/a-gbk.txt", Gbk(text));
  dir_.Write("t/b-utf8.txt", text);
  dir_.Write("t/c-le.txt", Transcode("UTF-16LE", "\xEF\xBB\xBF" + text));
  const std::string report = dir_ / "r.txt";
  const Outcome han = Run({"--encoding", "auto", "--chars", "han", "--no-export", "--report", report, dir_ / "t"});
  EXPECT_EQ(han.status, 0) << han.err;
  const std::string expected = "1   " + Gbk("中文、") + "  " + Gbk("引") + "  " + Gbk("々〇") + "  " + Gbk("｜ㄅ中") + "\n";
  const std::map<std::string, std::string> blocks = Blocks(ReadFileBytes(report));
  ASSERT_EQ(blocks.size(), 3u);
  for (const auto& [name, lines] : blocks) EXPECT_EQ(lines, expected) << name;

  const Outcome vim = Run({"--format", "vimgrep", "-j1", dir_ / "t/b-utf8.txt"});  // han is findings' default
  std::string texts;
  for (std::size_t at = vim.out.find(":1:"); at != npos; at = vim.out.find(":1:", at + 1))
    texts += vim.out.substr(vim.out.find(':', at + 3) + 1, vim.out.find('\n', at) - vim.out.find(':', at + 3) - 1) + "|";
  EXPECT_EQ(texts, "中文、|引|々〇|｜ㄅ|中|");

  Run({"--encoding", "auto", "--chars", "gbk", "--no-export", "--report", report, dir_ / "t"});
  EXPECT_NE(ReadFileBytes(report).find(Gbk("α")), npos);
}
