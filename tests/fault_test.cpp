// Hostile trees and faults, through the terminal front end as a user meets
// them: what the search must leave alone, and what it must say.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "finder/app/scan/ScanFrontEnd.h"
#include "finder/app/scan/Terminal.h"
#include "platform/Files.h"
#include "platform/LineReader.h"
#include "platform/NativePath.h"
#include "tests/support/Gbk.h"
#include "tests/support/ListedItems.h"
#include "tests/support/ScanProgram.h"
#include "viewer/ModFile.h"
#include "viewer/ModMain.h"

namespace {

using Faults = ScanProgram;
constexpr auto npos = std::string::npos;

TEST_F(Faults, TheStartDeletesOnlyTheOldReport) {
  // An old report that a pattern takes is one of the searched files:
  // refused, the file untouched (its message is the dialog test's). One
  // that no pattern takes is replaced.
  dir_.Write("tree/a.txt", Gbk("树") + "\n");
  const std::string taken = dir_.Write("tree/sub/old.txt", "old report\r\n");
  EXPECT_EQ(Run({"--no-export", "--report", taken, dir_ / "tree"}).status, 2);
  EXPECT_EQ(ReadFileBytes(taken), "old report\r\n");
  const std::string untaken = dir_.Write("tree/result.log", "old report\r\n");
  EXPECT_EQ(Run({"--no-export", "--report", untaken, dir_ / "tree"}).status, 0);
  EXPECT_EQ(ReadFileBytes(untaken), "Input file:" + dir_ / "tree/a.txt\r\n1   " + Gbk("树") + "\r\n");

  // A link stays a link, and the report goes through it.
  const std::string file = dir_.Write("f.txt", Gbk("字") + "\n");
  const std::string target = dir_.Write("target.txt", "old\r\n"), link = dir_ / "link.txt";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  EXPECT_EQ(Run({"--no-export", "--report", link, file}).status, 0);
  struct stat st {};
  EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileBytes(target), "Input file:" + file + "\r\n1   " + Gbk("字") + "\r\n");
  // A device is written to, never deleted.
  EXPECT_EQ(Run({"--no-export", "--report", "/dev/null", file}).status, 0);
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(Faults, FoldersLinkedToEachOtherAreWalkedOnce) {
  // Eighteen levels, each with two links to the next: walked naively, the
  // deepest file would be scanned 3^17 times.
  std::string level = dir_.MakeDir("t");
  constexpr int kLevels = 18;
  for (int i = 0; i < kLevels; ++i) {
    dir_.Write(level.substr(dir_.Path().size() + 1) + "/f.txt", Gbk("环") + "\n");
    std::filesystem::create_directory(level + "/n");
    ASSERT_EQ(symlink("n", (level + "/a").c_str()), 0);
    ASSERT_EQ(symlink("n", (level + "/b").c_str()), 0);
    level += "/n";
  }
  const Outcome outcome = Run({"--no-export", "--report", dir_ / "r.txt", dir_ / "t"});
  EXPECT_EQ(outcome.out, Completion(kLevels, 2 * kLevels));
}

TEST_F(Faults, TwoSearchesAtOnceKeepTheirDocumentsApart) {
  std::filesystem::copy_file(FAKE_CONVERTER_DIR "/Textifier", dir_ / "bin/Textifier");
  // Each document's converted text names the document (the stand-in writes
  // its arguments), so a report shows whose text it read.
  const std::vector<std::string> names[2] = {{"甲", "乙", "丙", "丁", "戊", "己", "寅", "卯", "辰", "巳", "午", "未"},
                                             {"庚", "辛", "壬", "癸", "子", "丑", "申", "酉", "戌", "亥", "天", "地"}};
  for (int search = 0; search < 2; ++search)
    for (const std::string& name : names[search]) dir_.Write("d" + std::to_string(search) + "/" + name + ".doc", "x");
  const pid_t first = Start({"--no-export", "--patterns", "*.doc", "--report", dir_ / "r0.txt", dir_ / "d0"}, "0");
  const pid_t second = Start({"--no-export", "--patterns", "*.doc", "--report", dir_ / "r1.txt", dir_ / "d1"}, "1");
  const Outcome outcomes[2] = {Finish(first, "0"), Finish(second, "1")};
  for (int search = 0; search < 2; ++search) {
    EXPECT_EQ(outcomes[search].status, 0);
    const std::string report = ReadFileBytes(dir_ / ("r" + std::to_string(search) + ".txt"));
    for (const std::string& name : names[search]) {
      // The header, the stand-in's own line, then its arguments: the
      // document's name in UTF-8, as the converter received it.
      const std::string header = "Input file:" + dir_ / ("d" + std::to_string(search) + "/") + Gbk(name) + ".doc\r\n";
      EXPECT_NE(report.find(header + "1   " + Gbk("转换") + "\r\n2   " + name + "\r\n"), npos) << name;
    }
  }
}

TEST_F(Faults, ALongLineCostsLittleMoreThanItselfAndExhaustedMemoryIsTold) {
  if (kSanitized) GTEST_SKIP() << "memory figures mean nothing under the address sanitizer";
  constexpr std::size_t kLine = 48u << 20;
  std::string line(kLine, '\0');
  std::mt19937 random(4);
  for (char& c : line) c = static_cast<char>(0x80 + random() % 0x80);
  const std::string huge = dir_.Write("t/a-huge.txt", line);
  line.clear();
  line.shrink_to_fit();
  dir_.Write("t/b-small.txt", Gbk("小") + "\n");

  // Under the default limit the whole line is still read and extracted.
  const Outcome normal = Run({"--no-export", "--report", dir_ / "r.txt", dir_ / "t"});
  EXPECT_EQ(normal.status, 0);
  EXPECT_EQ(normal.out, Completion(2, static_cast<long>(kLine) + 2));
  EXPECT_LT(normal.peakKilobytes, static_cast<long>(2 * kLine / 1024 + 40 * 1024)) << "KiB at the peak";

  // Too little memory for the line: that file ends, the next is scanned,
  // and the user is told which file was not scanned whole.
  const Outcome starved =
      Finish(Start({"--no-export", "--report", dir_ / "r.txt", dir_ / "t"}, "", RLIM_INFINITY, 80u << 20));
  EXPECT_EQ(starved.status, 2);
  EXPECT_NE(starved.err.find(huge + " could not be scanned whole"), npos) << starved.err;
  EXPECT_EQ(starved.out, Completion(2, 2));
  // Compared whole, never printed: the huge line must not be in it.
  EXPECT_TRUE(ReadFileBytes(dir_ / "r.txt") == "Input file:" + dir_ / "t/b-small.txt\r\n1   " + Gbk("小") + "\r\n");
}

// A search that ended early on an internal failure is a failure in every
// mode, whatever it found before: a CI step must never pass on it.
TEST(ExitStatus, AnAbortedSearchNeverPasses) {
  SearchOutcome aborted;
  aborted.aborted = true;
  aborted.charCount = 4;
  ScanOptions report, check, listing;
  check.check = true;
  listing.format = "vimgrep";
  for (const ScanOptions* options : {&report, &check, &listing}) {
    EXPECT_EQ(ExitStatus(*options, aborted, false, 0, 0), 2);
    EXPECT_EQ(ExitStatus(*options, aborted, false, 0, 3), 2);
  }
  EXPECT_EQ(ExitStatus(report, SearchOutcome(), false, 0, 0), 1);  // nothing lost, nothing found
}

TEST_F(Faults, AFailedWorkbookSaveKeepsTheOldWorkbookAndIsTold) {
  const std::string file = dir_.Write("f.txt", Gbk("表") + "\n");
  ASSERT_EQ(Run({"--report", dir_ / "r.txt", file}).status, 0);
  const std::string old = ReadFileBytes(Workbook());
  ASSERT_GT(old.size(), 1000u);
  // A disk that takes no more than a few kilobytes per file.
  const Outcome full = Finish(Start({"--report", dir_ / "r.txt", file}, "", 2000));
  EXPECT_EQ(full.status, 2);
  EXPECT_EQ(full.err.find("[ERROR]"), npos) << full.err;
  EXPECT_NE(full.err.find("the workbook " + Workbook() + " could not be written"), npos) << full.err;
  EXPECT_EQ(ReadFileBytes(Workbook()), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "bin"), {}), 2);  // no temporary left
}

// Folders nested deeper than a path may be long, made and removed level by
// level through descriptors, each folder's held open until the end.
class DeepTree {
 public:
  DeepTree(const std::string& root, int levels) : path_(root) {
    folders_.push_back(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int i = 0; i < levels && folders_.back() >= 0; ++i, path_ += std::string("/") + kName) {
      mkdirat(folders_.back(), kName, 0755);
      folders_.push_back(openat(folders_.back(), kName, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    path_ += "/deep.txt";
    const int file = folders_.back() >= 0 ? openat(folders_.back(), "deep.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644) : -1;
    const std::string text = Gbk("深") + "\n";
    made_ = file >= 0 && write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (file >= 0) close(file);
  }
  ~DeepTree() {
    for (std::size_t i = folders_.size(); i-- > 0;) {
      if (folders_[i] < 0) continue;
      unlinkat(folders_[i], i + 1 == folders_.size() ? "deep.txt" : kName, i + 1 == folders_.size() ? 0 : AT_REMOVEDIR);
      close(folders_[i]);
    }
  }
  bool Made() const { return made_; }
  const std::string& Path() const { return path_; }

 private:
  static constexpr const char* kName = "level-folder";
  std::vector<int> folders_;
  std::string path_;
  bool made_ = false;
};

TEST_F(Faults, FilesDeeperThanAPathMayBeLongAreSearched) {
  const DeepTree tree(dir_.MakeDir("deep"), 400);  // about 5,200 bytes of path
  ASSERT_TRUE(tree.Made());
  ASSERT_GT(tree.Path().size(), 4096u);
  const Outcome outcome = Run({"--no-export", "--report", dir_ / "r.txt", dir_ / "deep"});
  EXPECT_EQ(outcome.out, Completion(1, 2));
  EXPECT_EQ(ReadFileBytes(dir_ / "r.txt"), "Input file:" + tree.Path() + "\r\n1   " + Gbk("深") + "\r\n");
}

TEST_F(Faults, NamesAndReferencesCannotForgeReportLines) {
  const std::string root = dir_.MakeDir("t");
  dir_.Write("t/a\r\nInput file:etc-passwd\r\nb.txt", Gbk("伪") + "\n");
  dir_.Write("t/refs.txt", "&#00013;&#00010;Input file:&#00120; " + Gbk("引") + "\n");
  ASSERT_EQ(Run({"--no-export", root}).status, 0);
  const std::string report = ReadFileBytes(platform::DriveFolder('c') + "/GlyphwellResult.txt");
  EXPECT_EQ(report, "Input file:" + root + "/a??Input file:etc-passwd??b.txt\r\n1   " + Gbk("伪") + "\r\nInput file:" +
                        root + "/refs.txt\r\n1   ??x  " + Gbk("引") + "\r\n");
  // The viewer lists the two files the report is about, nothing else.
  ListedItems items;
  ClsObjMap files;
  ASSERT_TRUE(RefreshReport(kReportPath, files, items).reportOpened);
  EXPECT_EQ(items.items, (std::vector<std::string>{root + "/a??Input file:etc-passwd??b.txt", root + "/refs.txt"}));

  // The terminal shows a GBK name in UTF-8, its control characters written
  // out (which characters: findings_test's).
  EXPECT_EQ(TerminalText(Gbk("中") + "\r\n"), "中\\x0D\\x0A");
}

TEST_F(Faults, WhatCannotBeReadIsToldOneLineEach) {
  const std::string root = dir_.MakeDir("t");
  dir_.Write("t/a.txt", Gbk("甲") + "\n");
  const std::string held = dir_.Write("t/held.txt", Gbk("乙") + "\n");
  const std::string closed = dir_.MakeDir("t/closed");
  dir_.Write("t/closed/c.txt", Gbk("丙") + "\n");
  chmod(closed.c_str(), 0);
  platform::OutputFile other;  // another search's report, as it is written
  ASSERT_TRUE(other.CreateLocked(held));
  const Outcome outcome = Run({"--no-export", "--report", dir_ / "r.txt", root});
  chmod(closed.c_str(), 0755);
  EXPECT_EQ(outcome.status, 0);  // the counts and the report stay as they are
  EXPECT_NE(outcome.err.find("glyphwell-scan: cannot read " + held + ": another search is writing it\n"), npos)
      << outcome.err;
  if (geteuid() != 0) {  // root reads any folder
    EXPECT_NE(outcome.err.find("glyphwell-scan: cannot read folder " + closed + "/: "), npos) << outcome.err;
  }
}

}  // namespace

// 0x1A ends a file's text also where it lies early in a file larger than
// one read buffer: the report, the reader and the anchor page all stop there.
TEST_F(Faults, TextAfterAnEndOfTextMarkInALargeFileIsNeverRead) {
  const std::string head = Gbk("中") + "\n";
  const std::string file =
      dir_.Write("big.txt", head + "\x1A" + std::string(300000, 'a') + "\n" + Gbk("文") + "\n" + Gbk("字") + "\n");
  const std::string report = dir_ / "r.txt";
  EXPECT_EQ(Run({"--no-export", "--report", report, file}).status, 0);
  EXPECT_EQ(ReadFileBytes(report), "Input file:" + file + "\r\n1   " + Gbk("中") + "\r\n");

  platform::LineReader reader;
  ASSERT_TRUE(reader.Open(file));
  std::vector<std::string> lines;
  for (std::string_view line; reader.ReadLine(line);) lines.emplace_back(line);
  EXPECT_EQ(lines, std::vector<std::string>{Gbk("中")});

  ClsMap rows;
  rows.Add("1", " x");
  rows.Add("3", " x");
  BuildAnchorPage(file, dir_ / "page.htm", rows);
  EXPECT_EQ(ReadFileBytes(dir_ / "page.htm"), "<a name=\"mao_Line1\">" + Gbk("中") + "\r\n");
}
