#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "finder/engine/DirectoryWalker.h"
#include "tests/support/EngineFixture.h"

using Walk = EngineTest;

namespace {

std::vector<std::string> Scanned(const RecordingProgress& progress, const std::string& root) {
  std::vector<std::string> relative;
  for (const std::string& name : progress.names) relative.push_back(name.substr(root.size()));
  return relative;
}

}  // namespace

TEST_F(Walk, SubdirectoriesComeFirstInNameOrder) {
  const std::string root = dir_.MakeDir("d");
  dir_.Write("d/b.txt", Gbk("乙") + "\n");
  dir_.Write("d/A.htm", Gbk("甲") + "\n");
  dir_.Write("d/s/c.txt", Gbk("丙") + "\n");
  dir_.Write("d/s/t/e.html", "x\n");
  dir_.Write("d/R/d.TXT", "x\n");
  dir_.Write("d/skip.css", Gbk("略") + "\n");
  dir_.MakeDir("d/folder.txt");  // a directory named like a match is never scanned
  searcher_.SearchDirectory(root, true, "*.txt;*.htm;*.html");
  EXPECT_EQ(Scanned(progress_, root),
            (std::vector<std::string>{"/R/d.TXT", "/s/t/e.html", "/s/c.txt", "/b.txt", "/A.htm"}));
  // The report follows the scan order and holds only files with hits.
  EXPECT_EQ(Report(), "Input file:" + root + "/s/c.txt\r\n1   " + Gbk("丙") + "\r\nInput file:" + root +
                          "/b.txt\r\n1   " + Gbk("乙") + "\r\nInput file:" + root + "/A.htm\r\n1   " + Gbk("甲") +
                          "\r\n");
  EXPECT_EQ(searcher_.fileCount, 5);
}

TEST_F(Walk, PatternListPiecesAndTheSubdirectoryOption) {
  std::vector<std::string> list{"stale"};  // the pieces keep their blanks, empty ones included
  EXPECT_EQ(SplitList("", ';', list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(SplitList("*.txt;; *.htm;", ';', list), 4);
  EXPECT_EQ(list, (std::vector<std::string>{"*.txt", "", " *.htm", ""}));
  const std::string root = dir_.MakeDir("d");
  dir_.Write("d/a.txt", "x\n");
  dir_.Write("d/s/b.txt", "x\n");
  dir_.Write("d/ lead.txt", "x\n");
  dir_.Write("d/page.html", "x\n");
  // A trailing separator changes nothing; each file is scanned once.
  searcher_.SearchDirectory(root + "/", false, "*.txt;;*.TXT;");
  EXPECT_EQ(Scanned(progress_, root), (std::vector<std::string>{"/ lead.txt", "/a.txt"}));
  progress_.names.clear();
  searcher_.SearchDirectory(root, false, " *");
  EXPECT_EQ(Scanned(progress_, root), std::vector<std::string>{"/ lead.txt"});
  progress_.names.clear();
  searcher_.SearchDirectory(root, false, "");
  EXPECT_TRUE(progress_.names.empty());
  searcher_.SearchDirectory(root, false, "*.htm");  // no short names: page.html is not an *.htm match
  EXPECT_TRUE(progress_.names.empty());
}

TEST_F(Walk, HostileTreesEndAndScanWhatTheyCan) {
  const std::string root = dir_.MakeDir("d");
  dir_.Write("d/good.txt", Gbk("好") + "\n");
  const std::string locked = dir_.Write("d/locked.txt", Gbk("锁") + "\n");
  chmod(locked.c_str(), 0);
  // That FIFOs and dangling links are never listed is platform_test's.
  ASSERT_EQ(symlink(".", (dir_ / "d/loop").c_str()), 0);
  dir_.MakeDir("d/sub");
  ASSERT_EQ(symlink(root.c_str(), (dir_ / "d/sub/up").c_str()), 0);
  const std::string closed = dir_.MakeDir("d/closed");
  dir_.Write("d/closed/hidden.txt", Gbk("藏") + "\n");
  chmod(closed.c_str(), 0);
  // A file that vanishes between the listing and its scan.
  const std::string vanishing = dir_.Write("d/zz.txt", Gbk("消") + "\n");
  progress_.onProgress = [&](const std::string& name) {
    if (name == root + "/good.txt") unlink(vanishing.c_str());
  };

  searcher_.SearchDirectory(root, true, "*.txt");
  const bool root_user = geteuid() == 0;  // root reads files regardless of their mode
  std::vector<std::string> expected = {"/good.txt", "/locked.txt", "/zz.txt"};
  if (root_user) expected.insert(expected.begin(), "/closed/hidden.txt");
  EXPECT_EQ(Scanned(progress_, root), expected);
  const auto& rows = searcher_.Results().Rows();
  ASSERT_EQ(rows.size(), expected.size());
  EXPECT_EQ(rows.back().count, 0);  // the vanished file
  if (!root_user) {
    EXPECT_EQ(rows[1].count, 0);
  }
  chmod(closed.c_str(), 0700);
}

TEST_F(Walk, CancelStopsBeforeTheNextFileAndKeepsTheSummary) {
  const std::string root = dir_.MakeDir("d");
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) dir_.Write(std::string("d/") + name, Gbk("字") + "\n");
  progress_.onProgress = [&](const std::string& name) {
    if (name == root + "/b.txt") running_ = 0;
  };
  searcher_.Wiring().summaryExport = &export_;
  searcher_.SearchDirectory(root, true, "*.txt");
  EXPECT_EQ(Scanned(progress_, root), (std::vector<std::string>{"/a.txt", "/b.txt"}));
  ASSERT_EQ(searcher_.Results().Rows().size(), 2u);
  EXPECT_EQ(searcher_.Results().Rows()[1].count, 0);
  EXPECT_EQ(searcher_.charCount, 2);
  EXPECT_EQ(export_.runs, 1);
}

TEST_F(Walk, DrivePathsJoinWithBackslashes) {
  const std::string drive = platform::DriveFolder('e');
  dir_.Write(drive.substr(dir_.Path().size() + 1) + "/docs/a.txt", Gbk("盘") + "\n");
  searcher_.SearchDirectory("E:\\docs", true, "*.txt");
  EXPECT_EQ(progress_.names, std::vector<std::string>{"E:\\docs\\a.txt"});
  EXPECT_EQ(Report(), "Input file:E:\\docs\\a.txt\r\n1   " + Gbk("盘") + "\r\n");
}
