#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "finder/export/WorkbookExport.h"
#include "tests/support/TempDir.h"
#include "tests/support/Workbook.h"

namespace {

// CP936 bytes, spelled out so as not to lean on the conversions under test.
const std::string kEmptyResult = "\xBD\xE1\xB9\xFB\xCE\xAA\xBF\xD5.";                     // 结果为空.
const std::string kWritten = "\xB3\xC9\xB9\xA6\xD0\xB4\xC8\xEB" "Excel\xCE\xC4\xBC\xFE";  // 成功写入Excel文件
const std::string kHanziGbk = "\xBA\xBA\xD7\xD6";                                        // 汉字

using Messages = std::vector<std::pair<std::string, MessageKind>>;

class ExportTest : public ::testing::Test, public MessageSink {
 protected:
  void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override {
    EXPECT_EQ(caption, "Glyphwell");
    messages_.push_back({text, kind});
  }
  WorkbookExport& WorkbookAt(const std::string& path) {
    messages_.clear();
    workbook_ = std::make_unique<WorkbookExport>(path);
    workbook_->SetMessageSink(this);
    return *workbook_;
  }
  // Exports, expects the success message naming the workbook, and reads it.
  WorkbookCells ExportAndRead(const ResultTable& table) {
    messages_.clear();
    workbook_->Export(table);
    EXPECT_EQ(messages_, Messages({{kWritten + workbook_->WorkbookPath(), MessageKind::Information}}));
    WorkbookCells cells = ReadWorkbook(workbook_->WorkbookPath());
    EXPECT_TRUE(cells.ok);
    EXPECT_TRUE(cells.allText);
    return cells;
  }

  TempDir dir_;
  Messages messages_;
  std::unique_ptr<WorkbookExport> workbook_;
  ResultTable table_;
};

TEST_F(ExportTest, EmptyOrUnwritableEndsWithoutWorkbook) {
  WorkbookExport& empty = WorkbookAt(dir_ / "report.xls");
  empty.Export(table_);
  EXPECT_EQ(messages_, Messages({{kEmptyResult, MessageKind::Plain}}));
  EXPECT_FALSE(FileIsThere(empty.WorkbookPath()));

  WorkbookExport& unwritable = WorkbookAt(dir_ / "missing/report.xls");
  table_.AddRow("/a.txt", kHanziGbk, 2);
  // The terminal front end's messages go to stderr, so the library stays silent there.
  ::testing::internal::CaptureStderr();
  unwritable.Export(table_);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(FileIsThere(unwritable.WorkbookPath()));
}

TEST_F(ExportTest, RowsUnderBoldTitlesAccumulate) {
  WorkbookAt(dir_ / "report.xls");
  ResultTable& table = table_;
  table.AddRow("/data/a.txt", kHanziGbk, 123);
  WorkbookCells cells = ExportAndRead(table);
  std::map<std::string, std::string> expected{{"A1", "FileName"}, {"B1", "中文"}, {"C1", "字数"},
                                               {"A2", "/data/a.txt"}, {"B2", "汉字"}, {"C2", "123"}};
  EXPECT_EQ(cells.text, expected);
  for (const char* cell : {"A1", "B1", "C1", "A2", "B2", "C2"}) EXPECT_EQ(cells.bold[cell], cell[1] == '1') << cell;
  // A later export holds the earlier rows first; an empty text leaves no cell.
  table.AddRow("/data/empty.txt", "", -5'000'000'000);
  expected.insert({{"A3", "/data/empty.txt"}, {"C3", "-5000000000"}});
  EXPECT_EQ(ExportAndRead(table).text, expected);
}

TEST_F(ExportTest, TextsSurviveAsTypedUpToExcelsLimit) {
  WorkbookAt(dir_ / "report.xls");
  ResultTable& table = table_;
  // A converted character reference can yield control characters; "_x0041_"
  // is how a cell escape looks and must not turn into "A".
  table.AddRow("/a_x0041_b.txt", "\x01\x1F\t<&>", 1);
  // No GBK ("\xAD " is no pair), so it stays UTF-8; an emoji takes two UTF-16 units.
  std::string astral = "中 ";
  for (int i = 0; i < 20000; ++i) astral += "😀";
  table.AddRow(std::string(40000, 'x'), astral, 1);
  WorkbookCells cells = ExportAndRead(table);
  EXPECT_EQ(cells.text["A2"], "/a_x0041_b.txt");
  EXPECT_EQ(cells.text["B2"], "\x01\x1F\t<&>");
  EXPECT_EQ(cells.text["A3"], std::string(32767, 'x'));
  EXPECT_EQ(cells.text["B3"], astral.substr(0, 4 + 4 * 16382));  // "中 " and whole emoji: 2 + 2 * 16382 units
}

}  // namespace
