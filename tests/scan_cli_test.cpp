// Runs the terminal front end as a user would, from a copy beside which its
// workbook is written, and checks the report byte for byte.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/NativePath.h"
#include "tests/support/Gbk.h"
#include "tests/support/GeneratedFile.h"
#include "tests/support/TempDir.h"
#include "tests/support/Workbook.h"

extern char** environ;

struct Outcome { int status; std::string out, err; };

class ScanCli : public ::testing::Test {
 protected:
  ScanCli() : drives_(dir_.Path()), program_(dir_ / "bin/glyphwell-scan") {
    std::filesystem::create_directories(dir_ / "bin");
    std::filesystem::copy_file(GLYPHWELL_SCAN, program_);
  }

  Outcome Run(std::vector<std::string> args) { return Finish(Start(std::move(args))); }

  // Starts the program with its output in files of their own (named by
  // tag); fileSizeLimit makes writes past that many bytes fail, as on a
  // full disk.
  pid_t Start(std::vector<std::string> args, const std::string& tag = "", rlim_t fileSizeLimit = RLIM_INFINITY) {
    std::vector<char*> argv{program_.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    for (int fd : {1, 2})
      posix_spawn_file_actions_addopen(&io, fd, OutputName(fd, tag).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    if (fileSizeLimit != RLIM_INFINITY) {
      signal(SIGXFSZ, SIG_IGN);  // a failed write instead of a killed program; kept across exec
      const rlimit limited{fileSizeLimit, old.rlim_max};
      setrlimit(RLIMIT_FSIZE, &limited);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, program_.c_str(), &io, nullptr, argv.data(), environ) != 0) pid = -1;
    setrlimit(RLIMIT_FSIZE, &old);
    posix_spawn_file_actions_destroy(&io);
    return pid;
  }

  Outcome Finish(pid_t pid, const std::string& tag = "") {
    int status = -1;  // no exit status
    if (pid > 0) waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(OutputName(1, tag)),
            ReadFileBytes(OutputName(2, tag))};
  }

  std::string OutputName(int fd, const std::string& tag) const { return dir_ / ((fd == 1 ? "stdout" : "stderr") + tag); }

  std::string Workbook() const { return dir_ / "bin/~report.xls"; }

  TempDir dir_;
  ScopedDriveRoot drives_;
  std::string program_;
};

std::string Completion(int files, int chars) {
  return "处理结束 共搜索了 " + std::to_string(files) + " 个文件，发现汉字 " + std::to_string(chars) + " 个。\n";
}

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
  EXPECT_EQ(outcome.err, "成功写入Excel文件" + Workbook() + "\n");

  const WorkbookCells cells = ReadWorkbook(Workbook());
  ASSERT_TRUE(cells.ok);
  EXPECT_TRUE(cells.allText);
  for (const auto& [cell, text] : {std::pair{"A1", "FileName"}, {"B1", "中文"}, {"C1", "字数"}})
  {
    EXPECT_EQ(cells.text.at(cell), text);
    EXPECT_TRUE(cells.bold.at(cell)) << cell;
  }
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
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--bogus", plain}, {"--limit", "ten", plain}, {"--limit"}, {"a", "b"}, {"--quiet=yes", plain}}) {
    const Outcome usage = Run(args);
  {
    EXPECT_EQ(usage.status, 2) << args.size();
    EXPECT_NE(usage.err.find("Try 'glyphwell-scan --help'"), std::string::npos) << args.size();
  }
  }
  EXPECT_EQ(Run({"--help"}).status, 0);
}

TEST_F(ScanCli, WhereTheReportGoes) {
  dir_.Write("中文目录/名.txt", Gbk("汉字") + "\n");
  dir_.Write("中文目录/z-😀.txt", Gbk("表情") + "\n");
  EXPECT_EQ(Run({"--no-export", dir_ / "中文目录"}).status, 0);
  // The header holds the path as the system's text: GBK, not the UTF-8 name
  // on disk; a name GBK cannot hold keeps its own bytes and is still scanned.
  const std::string folder = dir_.Path() + "/" + Gbk("中文目录");
  EXPECT_EQ(ReadFileBytes(platform::DriveFolder('c') + "/GlyphwellResult.txt"),
            "Input file:" + folder + "/z-😀.txt\r\n1   " + Gbk("表情") + "\r\nInput file:" + folder + "/" +
                Gbk("名.txt") + "\r\n1   " + Gbk("汉字") + "\r\n");
  // A report that cannot be written is an error.
  const std::string file = dir_.Write("a.txt", Gbk("字") + "\n");
  for (const std::string& report : {std::string("/dev/full"), dir_ / "missing/r.txt"}) {
    if (report == "/dev/full" && access("/dev/full", W_OK) != 0) continue;
    const Outcome outcome = Run({"--no-export", "--report", report, file});
    EXPECT_EQ(outcome.status, 2) << report;
    EXPECT_NE(outcome.err.find("could not be written"), std::string::npos) << report;
    // The characters were found either way; only the report lost them.
    EXPECT_EQ(outcome.out, Completion(1, 2));
  }
}

// A tree whose report is large: files of many hit lines, named in walk order.
std::string WriteTree(TempDir& dir, const std::string& name, int files, std::mt19937& random, int& total) {
  const std::string root = dir.MakeDir(name);
  std::string report;
  total = 0;
  for (int i = 0; i < files; ++i) {
    const GeneratedFile file = GenerateFile(random, "f" + std::to_string(100 + i) + ".txt", 4000);
    dir.Write(name + "/" + file.relative, file.content);
    report += "Input file:" + root + "/" + file.relative + "\r\n" + file.ReportLines();
    total += file.count;
  }
  return report;
}

TEST_F(ScanCli, ADiskThatFillsMidReportIsAnErrorAndKeepsWhatWasWritten) {
  std::mt19937 random(11);
  int total = 0;
  const std::string expected = WriteTree(dir_, "tree", 12, random, total);
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

TEST_F(ScanCli, AReportAnotherSearchHoldsIsLeftWhole) {
  std::mt19937 random(12);
  int totalA = 0, totalB = 0;
  const std::string a = WriteTree(dir_, "a", 20, random, totalA), b = WriteTree(dir_, "b", 20, random, totalB);
  const std::string report = dir_ / "r.txt";
  {
    // Held by another process: neither deleted nor emptied, and every line lost.
    platform::OutputFile holder;
    ASSERT_TRUE(holder.CreateLocked(report));
    ASSERT_TRUE(holder.Write("held\r\n"));
    const Outcome outcome = Run({"--no-limit", "--no-export", "--report", report, dir_ / "a"});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("could not be written"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, Completion(20, totalA));
    EXPECT_EQ(ReadFileBytes(report), "held\r\n");
  }
  // Two searches at once: the report is one search's whole, and that search
  // succeeded (the other one either failed or ran before it).
  for (int round = 0; round < 3; ++round) {
    const pid_t first = Start({"--no-limit", "--no-export", "--report", report, dir_ / "a"}, "a");
    const pid_t second = Start({"--no-limit", "--no-export", "--report", report, dir_ / "b"}, "b");
    const Outcome outcomeA = Finish(first, "a"), outcomeB = Finish(second, "b");
    const std::string written = ReadFileBytes(report);
    ASSERT_TRUE(written == a || written == b) << round;
    EXPECT_EQ((written == a ? outcomeA : outcomeB).status, 0) << round;
  }
}

