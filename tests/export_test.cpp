#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "finder/app/PathFunctions.h"
#include "finder/export/ResultTable.h"
#include "tests/support/TempDir.h"
#include "tests/support/Workbook.h"

namespace {

// CP936 bytes, spelled out so that the tests do not lean on the conversions
// under test.
const std::string kEmptyResult = "\xBD\xE1\xB9\xFB\xCE\xAA\xBF\xD5.";        // 结果为空.
const std::string kWritten = "\xB3\xC9\xB9\xA6\xD0\xB4\xC8\xEB" "Excel\xCE\xC4\xBC\xFE";  // 成功写入Excel文件
const std::string kHanziGbk = "\xBA\xBA\xD7\xD6";                          // 汉字

struct Message {
  std::string text, caption;
  MessageKind kind;
};

class RecordingSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override {
    messages.push_back({text, caption, kind});
  }
  std::vector<Message> messages;
};

class ExportTest : public ::testing::Test {
 protected:
  ResultTable& TableAt(const std::string& path) {
    table_ = std::make_unique<ResultTable>(path);
    table_->SetMessageSink(&sink_);
    return *table_;
  }
  // Exports and expects the success message naming the workbook.
  WorkbookCells ExportAndRead(ResultTable& table, const std::string& nativePath = "") {
    const std::size_t before = sink_.messages.size();
    table.Export();
    EXPECT_EQ(sink_.messages.size(), before + 1);
    if (sink_.messages.size() == before + 1) {
      const Message& message = sink_.messages.back();
      EXPECT_EQ(message.text, kWritten + table.WorkbookPath());
      EXPECT_EQ(message.caption, "Glyphwell");
      EXPECT_EQ(message.kind, MessageKind::Information);
    }
    WorkbookCells cells = ReadWorkbook(nativePath.empty() ? table.WorkbookPath() : nativePath);
    EXPECT_TRUE(cells.ok);
    EXPECT_TRUE(cells.allText);
    return cells;
  }

  TempDir dir_;
  RecordingSink sink_;
  std::unique_ptr<ResultTable> table_;
};

TEST_F(ExportTest, EmptyTableSaysSoAndWritesNothing) {
  ResultTable& table = TableAt(dir_ / "report.xls");
  table.Export();
  ASSERT_EQ(sink_.messages.size(), 1u);
  EXPECT_EQ(sink_.messages[0].text, kEmptyResult);
  EXPECT_EQ(sink_.messages[0].caption, "Glyphwell");
  EXPECT_EQ(sink_.messages[0].kind, MessageKind::Plain);
  EXPECT_FALSE(FileIsThere(table.WorkbookPath()));
}

TEST_F(ExportTest, OneRowUnderBoldTitles) {
  ResultTable& table = TableAt(dir_ / "report.xls");
  table.AddRow("/data/a.txt", kHanziGbk, 123);
  WorkbookCells cells = ExportAndRead(table);
  EXPECT_EQ(cells.text["A1"], "FileName");
  EXPECT_EQ(cells.text["B1"], "中文");
  EXPECT_EQ(cells.text["C1"], "字数");
  for (const char* title : {"A1", "B1", "C1"}) EXPECT_TRUE(cells.bold[title]) << title;
  EXPECT_EQ(cells.text["A2"], "/data/a.txt");
  EXPECT_EQ(cells.text["B2"], "汉字");
  EXPECT_EQ(cells.text["C2"], "123");
  EXPECT_FALSE(cells.bold["A2"]);
  EXPECT_EQ(cells.text.count("A3"), 0u);
}

TEST_F(ExportTest, FileWithoutCharactersAndExtremeCounts) {
  ResultTable& table = TableAt(dir_ / "report.xls");
  table.AddRow("/data/empty.txt", "", 0);
  table.AddRow("/data/b.txt", "x", -5);
  table.AddRow("/data/huge.txt", "x", 5'000'000'000);
  WorkbookCells cells = ExportAndRead(table);
  EXPECT_EQ(cells.text["A2"], "/data/empty.txt");
  EXPECT_EQ(cells.text.count("B2") ? cells.text["B2"] : "", "");
  EXPECT_EQ(cells.text["C2"], "0");
  EXPECT_EQ(cells.text["C3"], "-5");
  EXPECT_EQ(cells.text["C4"], "5000000000");
}

TEST_F(ExportTest, LaterExportHoldsEarlierRowsFirst) {
  ResultTable& table = TableAt(dir_ / "report.xls");
  table.AddRow("/first.txt", kHanziGbk, 2);
  EXPECT_EQ(ExportAndRead(table).text["A2"], "/first.txt");
  table.AddRow("/second.txt", "", 0);
  WorkbookCells cells = ExportAndRead(table);
  EXPECT_EQ(cells.text["A2"], "/first.txt");
  EXPECT_EQ(cells.text["A3"], "/second.txt");
  EXPECT_EQ(cells.text["C3"], "0");
}

TEST_F(ExportTest, UnwritablePathEndsSilently) {
  const std::string plainFile = dir_.Write("plain", "x");
  for (const std::string& path : {dir_ / "missing/report.xls", plainFile + "/report.xls", dir_.MakeDir("folder")}) {
    ResultTable& table = TableAt(path);
    table.AddRow("/a.txt", kHanziGbk, 2);
    // The terminal front end's messages go to stderr: the library must not
    // speak there either.
    ::testing::internal::CaptureStderr();
    table.Export();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << path;
    EXPECT_TRUE(sink_.messages.empty()) << path;
    EXPECT_FALSE(ReadWorkbook(path).ok) << path;
  }
}

TEST_F(ExportTest, ReadOnlyFolderEndsSilently) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string folder = dir_.MakeDir("locked");
  ASSERT_EQ(chmod(folder.c_str(), 0500), 0);
  ResultTable& table = TableAt(folder + "/report.xls");
  table.AddRow("/a.txt", "", 0);
  table.Export();
  EXPECT_TRUE(sink_.messages.empty());
  EXPECT_FALSE(FileIsThere(table.WorkbookPath()));
}

TEST_F(ExportTest, DrivePathLandsInDriveFolder) {
  ScopedDriveRoot root(dir_.Path());
  ResultTable& table = TableAt("c:\\out.xls");
  table.AddRow("c:\\a.txt", kHanziGbk, 2);
  EXPECT_EQ(ExportAndRead(table, dir_ / "glyphwell/drive_c/out.xls").text["A2"], "c:\\a.txt");
}

TEST_F(ExportTest, TextsSurviveAsTyped) {
  ResultTable& table = TableAt(dir_ / "report.xls");
  // A converted character reference can yield control characters; "_x0041_"
  // is how a cell escape looks and must not turn into "A".
  table.AddRow("/a_x0041_b.txt", "\x01\x1F\t<&>", 1);
  WorkbookCells cells = ExportAndRead(table);
  EXPECT_EQ(cells.text["A2"], "/a_x0041_b.txt");
  EXPECT_EQ(cells.text["B2"], "\x01\x1F\t<&>");
}

std::size_t Utf16Units(const std::string& utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
  return units;
}

TEST_F(ExportTest, OverlongTextsAreCutToExcelsLimit) {
  ResultTable& table = TableAt(dir_ / "report.xls");
  // The second text is no CP936 ("\xAD " is no GBK pair), so it keeps its
  // UTF-8 bytes: characters outside the BMP take two UTF-16 units each.
  std::string astral = "中 ";
  for (int i = 0; i < 20000; ++i) astral += "😀";
  table.AddRow(std::string(40000, 'x'), astral, 1);
  WorkbookCells cells = ExportAndRead(table);
  EXPECT_EQ(cells.text["A2"], std::string(32767, 'x'));
  const std::string& cut = cells.text["B2"];
  EXPECT_EQ(astral.compare(0, cut.size(), cut), 0);
  EXPECT_LE(Utf16Units(cut), 32767u);
  EXPECT_GE(Utf16Units(cut), 32766u);
}

TEST(ResultTableTest, DefaultWorkbookLiesInModuleDirectory) {
  ResultTable table;
  EXPECT_EQ(table.WorkbookPath(), GetModuleDirectory() + "/~report.xls");
  EXPECT_TRUE(table.Rows().empty());
}

}  // namespace
