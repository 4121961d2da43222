// The terminal front end as a user runs it: the report byte for byte, the
// workbook, the options, the exit status and the messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/Files.h"
#include "platform/NativePath.h"
#include "tests/support/Gbk.h"
#include "tests/support/GeneratedFile.h"
#include "tests/support/ScanProgram.h"
#include "tests/support/TempDir.h"
#include "tests/support/Workbook.h"

using ScanCli = ScanProgram;

TEST_F(ScanCli, ReportAndWorkbookOfAGeneratedTree) {
  std::mt19937 random(2026);
  const std::string root = dir_.MakeDir("site");
  // Listed in the order the walk visits them: subtrees first, then own files pattern by pattern.
  std::vector<GeneratedFile> files;
  for (const auto& [name, lines] : {std::pair{"news/2024/a.html", 60}, {"news/Zeta.txt", 30}, {"news/index.htm", 40},
                                    {"about.txt", 50}, {"home.htm", 80}})
    dir_.Write(std::string("site/") + name, files.emplace_back(GenerateFile(random, name, lines)).content);
  dir_.Write("site/prices.xls", "sheet");
  dir_.Write("site/style.css", Gbk("样式"));
  const Outcome outcome =
      Run({"--no-limit", "--patterns", "*.txt;*.htm;*.html;*.xls", "--report", dir_ / "result.txt", root});
  std::string expected;
  int total = 0;
  for (const GeneratedFile& file : files) {
    if (!file.rows.empty()) expected += "Input file:" + root + "/" + file.relative + "\r\n" + file.ReportLines();
    total += file.count;
  }
  ASSERT_GT(total, 0);
  EXPECT_EQ(ReadFileBytes(dir_ / "result.txt"), expected + Gbk("跳过 ") + root + "/prices.xls\r\n");
  EXPECT_EQ(outcome.out, Completion(6, total));
  EXPECT_EQ(outcome.status, 0);
  // Where the workbook and the report went, as paths on disk.
  EXPECT_EQ(outcome.err, "成功写入Excel文件" + Workbook() + "\nglyphwell-scan: the report is " + (dir_ / "result.txt") + "\n");

  // The titles are export_test's; here the rows, one a file in walk order.
  const WorkbookCells cells = ReadWorkbook(Workbook());
  ASSERT_TRUE(cells.ok);
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string row = std::to_string(i + 2), b = cells.text.count("B" + row) ? cells.text.at("B" + row) : "";
    EXPECT_EQ(cells.text.at("A" + row), root + "/" + files[i].relative);
    EXPECT_EQ(b, platform::AnsiToUtf8Lenient(files[i].firstChars));
    EXPECT_EQ(cells.text.at("C" + row), std::to_string(files[i].count));
  }
  EXPECT_EQ(cells.text.count("A" + std::to_string(files.size() + 2)), 0u);
}

TEST_F(ScanCli, OptionsReachTheEngine) {
  const std::string file = dir_.Write("page.htm", Gbk("头\n一二三") + "<body>&#20013;\n" + Gbk("四五六") + "\n");
  const std::string report = dir_ / "r.txt";
  Run({"--start-tag", "<body>", "--limit", "6", "--no-export", "--report", report, file});
  EXPECT_EQ(ReadFileBytes(report), "Input file:" + file + "\r\n2   " + Gbk("一二三中") + "\r\n");
  Run({"--no-unicode", "--no-limit", "--no-export", "--report=" + report, file});
  EXPECT_EQ(ReadFileBytes(report), "Input file:" + file + "\r\n1   " + Gbk("头") + "\r\n2   " + Gbk("一二三") +
                                       "\r\n3   " + Gbk("四五六") + "\r\n");
  EXPECT_FALSE(FileIsThere(Workbook()));
}

TEST_F(ScanCli, ExitStatusAndMessagesForMissingInput) {
  const std::string plain = dir_.Write("plain.txt", "nothing\n");
  const Outcome none = Run({"--no-export", plain}), dir = Run({"no/such/dir/"}), file = Run({"no-such-文件.txt"});
  EXPECT_EQ((std::vector{none.status, dir.status, file.status}), (std::vector{1, 2, 2}));
  EXPECT_EQ(none.out, Completion(1, 0));
  EXPECT_FALSE(FileIsThere(platform::DriveFolder('c') + "/GlyphwellResult.txt"));
  EXPECT_EQ(dir.err + dir.out, "目录 no/such/dir/ 不存在!\n");
  EXPECT_EQ(file.err, "文件 no-such-文件.txt 不存在!\n");
  // Several paths are one search; each must exist.
  const Outcome both = Run({"--no-export", plain, "no-such-文件.txt"});
  EXPECT_EQ(both.status, 2);
  EXPECT_EQ(both.err, "文件 no-such-文件.txt 不存在!\n");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--bogus", plain}, {"--limit", "ten", plain}, {"--limit"}, {"--quiet=yes", plain}}) {
    const Outcome usage = Run(args);
    EXPECT_EQ(usage.status, 2) << args.size();
    EXPECT_NE(usage.err.find("Try 'glyphwell-scan --help'"), std::string::npos) << args.size();
  }
  EXPECT_EQ(Run({"--help"}).status, 0);
}

TEST_F(ScanCli, WhereTheReportGoes) {
  dir_.Write("中文目录/名.txt", Gbk("汉字") + "\n");
  dir_.Write("中文目录/z-😀.txt", Gbk("表情") + "\n");
  EXPECT_EQ(Run({"--no-export", dir_ / "中文目录"}).status, 0);
  // The header holds the path as the system's text: GBK, not the UTF-8 name
  // on disk; a name GBK cannot hold takes its GB18030 form and is still scanned.
  const std::string folder = dir_.Path() + "/" + Gbk("中文目录");
  EXPECT_EQ(ReadFileBytes(platform::DriveFolder('c') + "/GlyphwellResult.txt"),
            "Input file:" + folder + "/" + Gb18030("z-😀.txt") + "\r\n1   " + Gbk("表情") + "\r\nInput file:" + folder + "/" +
                Gbk("名.txt") + "\r\n1   " + Gbk("汉字") + "\r\n");
  // A report that cannot be made is an error (one that fills up is below);
  // the characters were found all the same.
  const Outcome outcome = Run({"--no-export", "--report", dir_ / "missing/r.txt", dir_.Write("a.txt", Gbk("字") + "\n")});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("could not be written"), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.out, Completion(1, 2));
}

// A tree whose report is large: files of many hit lines, named in walk order.
std::string WriteTree(TempDir& dir, const std::string& name, int files, std::mt19937& random) {
  const std::string root = dir.MakeDir(name);
  std::string report;
  for (int i = 0; i < files; ++i) {
    const GeneratedFile file = GenerateFile(random, "f" + std::to_string(100 + i) + ".txt", 4000);
    dir.Write(name + "/" + file.relative, file.content);
    report += "Input file:" + root + "/" + file.relative + "\r\n" + file.ReportLines();
  }
  return report;
}

TEST_F(ScanCli, ADiskThatFillsMidReportIsAnErrorAndKeepsWhatWasWritten) {
  std::mt19937 random(11);
  const std::string expected = WriteTree(dir_, "tree", 12, random);
  const std::string report = dir_ / "r.txt";
  constexpr rlim_t kRoom = 70'000;
  ASSERT_GT(expected.size(), 2 * kRoom);
  const Outcome outcome = Finish(Start({"--no-limit", "--no-export", "--report", report, dir_ / "tree"}, "", kRoom));
  EXPECT_EQ(outcome.status, 2);
  EXPECT_NE(outcome.err.find("could not be written"), std::string::npos) << outcome.err;
  EXPECT_EQ(ReadFileBytes(report), expected.substr(0, kRoom));
  // The search went on to the end; the file that met the full disk ended there.
  EXPECT_NE(outcome.out.find("共搜索了 12 个文件"), std::string::npos) << outcome.out;
}

// A report that another search is writing is neither deleted nor emptied:
// of two searches at once, the report is one search's whole, and that search
// succeeded (the other one either failed or ran before it).
TEST_F(ScanCli, TwoSearchesOfOneReportLeaveOneWhole) {
  std::mt19937 random(12);
  const std::string a = WriteTree(dir_, "a", 20, random), b = WriteTree(dir_, "b", 20, random);
  const std::string report = dir_ / "r.txt";
  for (int round = 0; round < 3; ++round) {
    const pid_t first = Start({"--no-limit", "--no-export", "--report", report, dir_ / "a"}, "a");
    const pid_t second = Start({"--no-limit", "--no-export", "--report", report, dir_ / "b"}, "b");
    const Outcome outcomeA = Finish(first, "a"), outcomeB = Finish(second, "b");
    const std::string written = ReadFileBytes(report);
    ASSERT_TRUE(written == a || written == b) << round;
    EXPECT_EQ((written == a ? outcomeA : outcomeB).status, 0) << round;
  }
}


// Many small files and one of hits only, whose lines no worker may hold:
// it is scanned at its turn, streaming into the report, so four workers hold
// a window of files, not the dense file's 25 MB of lines. That they write
// what one writes is parallel_test's.
TEST_F(ScanCli, WorkersStreamWithinABoundedMemory) {
  if (kSanitized) GTEST_SKIP() << "memory figures mean nothing under a sanitizer";
  std::mt19937 random(13);
  {
    std::ofstream dense(dir_.MakeDir("t") + "/dense.txt", std::ios::binary);
    const std::string line = Gbk("密集字符") + "\n";
    for (int i = 0; i < 1'500'000; ++i) dense << line;
  }
  for (int i = 0; i < 300; ++i) {
    const std::string name = "t/s" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".txt";
    dir_.Write(name, GenerateFile(random, name, 40).content);
  }
  const Outcome outcome = Run({"-j4", "--no-limit", "--report", dir_ / "r.txt", dir_ / "t"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_GT(std::filesystem::file_size(dir_ / "r.txt"), 25'000'000u);
  EXPECT_LT(outcome.peakKilobytes, 20 * 1024) << "KiB at the peak";
}
