// The viewer's keyed maps, report loading and anchor page, on files in a
// temporary folder; and the finder's report of a generated tree read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/Process.h"
#include "tests/support/Gbk.h"
#include "tests/support/GeneratedFile.h"
#include "tests/support/ListedItems.h"
#include "tests/support/Raised.h"
#include "tests/support/TempDir.h"
#include "viewer/ModFile.h"
#include "viewer/ModMain.h"
#include "viewer/support/TextFunctions.h"

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs RowsOf(const ClsMap& rows) {
  Pairs pairs;
  for (const auto& entry : rows.GetObject()) pairs.emplace_back(entry.key, rows.GetValue(entry.key));
  return pairs;
}

TEST(KeyedMaps, OrderExactKeysAndDuplicates) {
  ClsMap rows;
  for (const char* key : {"3", "1", "2", "7", "07", "7 ", "a", "A"}) rows.Add(key, std::string("v") + key);
  EXPECT_EQ(RaisedBy([&] { rows.Add("7", "again"); }).code, RunTimeErrorCode::DuplicateKey);
  EXPECT_EQ(RowsOf(rows), (Pairs{{"3", "v3"}, {"1", "v1"}, {"2", "v2"}, {"7", "v7"}, {"07", "v07"}, {"7 ", "v7 "},
                                 {"a", "va"}, {"A", "vA"}}));
  EXPECT_EQ(rows.GetValue("9"), "");
  EXPECT_FALSE(rows.Exists("9"));

  ClsObjMap files;
  const auto first = std::make_shared<ClsMap>();
  files.Add("a.txt", first);
  EXPECT_EQ(RaisedBy([&] { files.Add("a.txt", std::make_shared<ClsMap>()); }).code, RunTimeErrorCode::DuplicateKey);
  EXPECT_EQ(files.GetValue("a.txt"), first);
  EXPECT_EQ(files.GetValue("A.txt"), nullptr);
  EXPECT_FALSE(files.Exists("A.txt"));
  EXPECT_EQ(files.GetObject().Count(), 1u);
}

TEST(NumericTest, AcceptsDecimalForms) {
  for (const char* yes : {"7", "105", "+3", "-3", "1.", ".5", "1.5", "1e5", "1E+5", "2.5e-3", " 7 ", "007"})
    EXPECT_TRUE(IsNumeric(yes)) << yes;
  for (const char* no : {"", " ", ".", "+", "e5", "1e", "1e+", "0x10", "1,000", "1 2", "- 5", "\t7", "Input", "1.2.3"})
    EXPECT_FALSE(IsNumeric(no)) << no;
}

class ViewerFiles : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedDriveRoot drives_{dir_.Path()};
  ListedItems list_;
  ClsObjMap files_;
};

TEST_F(ViewerFiles, LoadReportUntilADuplicateKey) {
  // The line without a blank repeats the row before it, which stops the load.
  dir_.Write("glyphwell/drive_c/GlyphwellResult.txt",
             "9 x\r\n" + Gbk("跳过 ") + "a.xls\r\nInput file:C:\\docs\\a.txt\r\n3   " + Gbk("中文") + "\r\n12  " +
                 Gbk("汉字  字") + "\r\n105 " + Gbk("字") + "\r\ninput file:x\r\nInput file:  my docs/b.txt  \r\n3   b\r\n"
                 "Input file:empty\r\nInput file:C:\\docs\\a.txt\r\n4   c\r\nnoblank\r\nInput file:after\r\n1   z\r\n");
  files_.Add("old", std::make_shared<ClsMap>());
  const RefreshResult result = RefreshReport(kReportPath, files_, list_);
  EXPECT_TRUE(result.reportOpened);
  EXPECT_NE(result.loadError, "");
  EXPECT_EQ(list_.items, (std::vector<std::string>{"C:\\docs\\a.txt", "my docs/b.txt", "empty", "C:\\docs\\a.txt"}));
  // Each row map is asked for before it is read: a load that stopped early
  // fails here, not with a crash.
  for (const char* file : {"", "C:\\docs\\a.txt", "my docs/b.txt"}) ASSERT_TRUE(files_.GetValue(file)) << file;
  EXPECT_EQ(RowsOf(*files_.GetValue("")), (Pairs{{"9", " x"}}));
  EXPECT_EQ(RowsOf(*files_.GetValue("C:\\docs\\a.txt")),
            (Pairs{{"3", "   " + Gbk("中文")}, {"12", "  " + Gbk("汉字  字")}, {"105", " " + Gbk("字")}, {"4", "   c"}}));
  EXPECT_EQ(RowsOf(*files_.GetValue("my docs/b.txt")), (Pairs{{"3", "   b"}}));
  EXPECT_EQ(files_.GetObject().Count(), 3u);  // no "old", no "empty"
  ClsObjMap fresh;
  EXPECT_EQ(RaisedBy([&] { LoadReport(kReportPath, fresh, list_); }).code, RunTimeErrorCode::DuplicateKey);
}

TEST_F(ViewerFiles, RefreshWithoutAReportKeepsTheOldMap) {
  files_.Add("old", std::make_shared<ClsMap>());
  for (const std::string& path : {std::string(kReportPath), dir_.Path(), dir_.Path() + "/"}) {
    const RefreshResult result = RefreshReport(path, files_, list_);
    EXPECT_FALSE(result.reportOpened) << path;
  }
  EXPECT_TRUE(files_.Exists("old"));
  EXPECT_TRUE(list_.items.empty());
  EXPECT_EQ(RaisedBy([&] { LoadReport(kReportPath, files_, list_); }).code, RunTimeErrorCode::FileNotFound);

  const std::string file = dir_.Write("r.txt", "");
  for (const std::string& path : {file, file + "\\", file + "/"}) EXPECT_TRUE(CanOpenFile(path)) << path;
  EXPECT_FALSE(CanOpenFile(file + "//"));
  EXPECT_FALSE(CanOpenFile(""));

  // A report that a search is writing cannot be opened until it is closed.
  platform::OutputFile search;
  ASSERT_TRUE(search.CreateLocked(kReportPath));
  ASSERT_TRUE(search.Write("Input file:a.txt\r\n"));
  EXPECT_FALSE(RefreshReport(kReportPath, files_, list_).reportOpened);
  EXPECT_TRUE(files_.Exists("old"));
  ASSERT_TRUE(search.Close());
  EXPECT_TRUE(RefreshReport(kReportPath, files_, list_).reportOpened);
  EXPECT_EQ(list_.items, std::vector<std::string>{"a.txt"});
}

TEST_F(ViewerFiles, AnchorPageLineEndsAndFailures) {
  ClsMap rows;
  for (const char* key : {"0", "02", "1", "3", "5", "6", "99"}) rows.Add(key, " x");
  const std::string source = dir_.Write("s.htm", "<a name=\"x\">one\r\n" + Gbk("中文") + " x\nlone\rcr\r\n\n\nlast\x1A" "after\n");
  BuildAnchorPage(source, kAnchorPagePath, rows);
  EXPECT_EQ(ReadFileBytes(platform::DriveFolder('c') + "/~temp.htm"),
            "<a name=\"mao_Line1\"><a name=\"x\">one\r\n" + Gbk("中文") +
                " x\r\n<a name=\"mao_Line3\">lone\rcr\r\n\r\n<a name=\"mao_Line5\">\r\n<a name=\"mao_Line6\">last\r\n");
  EXPECT_EQ(std::filesystem::status(platform::DriveFolder('c')).permissions(), std::filesystem::perms::owner_all);

  const std::string page = dir_.Write("page.htm", "old");
  BuildAnchorPage(dir_.Write("empty.txt", ""), page, rows);
  EXPECT_EQ(ReadFileBytes(page), "");
  BuildAnchorPage(dir_.Write("plain.txt", "a\nb"), page, ClsMap());
  EXPECT_EQ(ReadFileBytes(page), "a\r\nb\r\n");

  // A missing source empties the page, a folder is no source.
  EXPECT_EQ(RaisedBy([&] { BuildAnchorPage(dir_ / "gone.txt", page, ClsMap()); }).code, RunTimeErrorCode::FileNotFound);
  EXPECT_EQ(ReadFileBytes(page), "");
  EXPECT_EQ(RaisedBy([&] { BuildAnchorPage(dir_.Path(), page, ClsMap()); }).code, RunTimeErrorCode::PathFileAccess);

  // The page is made first: with both missing, the error names the page.
  const Raised missing = RaisedBy([&] { BuildAnchorPage(dir_ / "gone.txt", dir_ / "no/page.htm", ClsMap()); });
  EXPECT_EQ(missing.code, RunTimeErrorCode::PathNotFound);
  EXPECT_NE(missing.what.find("no/page.htm"), std::string::npos) << missing.what;
}

// A Unicode source's page holds its lines in UTF-8, without the byte-order
// mark, with the anchor before the keyed line: UTF-8 with a mark, and
// UTF-16 in big-endian order with a character beyond the BMP.
TEST_F(ViewerFiles, AnchorPagesOfUnicodeSources) {
  ClsMap first, second;
  first.Add("1", " x");
  second.Add("2", " x");
  BuildAnchorPage(dir_.Write("u8.txt", "\xEF\xBB\xBF第一行\r\n第二行\r\n"), kAnchorPagePath, first);
  const std::string pagePath = platform::DriveFolder('c') + "/~temp.htm";
  EXPECT_EQ(ReadFileBytes(pagePath), "<a name=\"mao_Line1\">第一行\r\n第二行\r\n");
  BuildAnchorPage(dir_.Write("be.txt", Transcode("UTF-16BE", "\uFEFF第一行\r\n第二行 𠀀\r\n")), kAnchorPagePath, second);
  EXPECT_EQ(ReadFileBytes(pagePath), "第一行\r\n<a name=\"mao_Line2\">第二行 𠀀\r\n");
}

// The finder's report of a tree must load into the files and rows that were
// generated, and the anchor pages must carry exactly the reported lines.
TEST_F(ViewerFiles, ScannedTreeLoadsAndAnchorsAsGenerated) {
  std::mt19937 random(4711);
  std::vector<GeneratedFile> files{GenerateFile(random, "a.txt", 60, "\n"), GenerateFile(random, "b.txt", 150, "\r\n"),
                                   GenerateFile(random, "c.txt", 80, "\r\n", true)};
  std::vector<std::string> names;
  for (const GeneratedFile& file : files) names.push_back(dir_.Write("tree/" + file.relative, file.content));
  dir_.Write("tree/plain.txt", "no characters\n");
  const int pid = platform::StartProcess(GLYPHWELL_SCAN, "--quiet --no-limit --no-export --patterns *.txt " + dir_ / "tree");
  ASSERT_EQ(platform::WaitProcess(pid), 0);

  ASSERT_TRUE(RefreshReport(kReportPath, files_, list_).loadError.empty());  // the report's default place
  EXPECT_EQ(list_.items, names);
  ASSERT_EQ(files_.GetObject().Count(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::shared_ptr<ClsMap> rows = files_.GetValue(names[i]);
    ASSERT_TRUE(rows) << names[i];
    ASSERT_FALSE(files[i].rows.empty()) << names[i];
    EXPECT_EQ(RowsOf(*rows), files[i].rows) << names[i];
    BuildAnchorPage(names[i], kAnchorPagePath, *rows);
    std::string page;
    auto hit = files[i].rows.begin();
    for (std::size_t n = 1; n <= files[i].lines.size(); ++n) {
      if (hit != files[i].rows.end() && hit->first == std::to_string(n)) page += "<a name=\"mao_Line" + (hit++)->first + "\">";
      page += files[i].lines[n - 1] + "\r\n";
    }
    EXPECT_EQ(ReadFileBytes(platform::DriveFolder('c') + "/~temp.htm"), page) << names[i];
  }
}
