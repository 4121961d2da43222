#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tuple>

#include "tests/support/EngineFixture.h"

using FileScan = EngineTest;

TEST_F(FileScan, WritesHeaderAndPaddedLineNumbers) {
  std::string text;  // the last line without a line feed
  for (int line = 1; line <= 1000; ++line)
    text += line == 1 || line == 10 ? Gbk("中文") + "\n"
            : line == 100           ? "price " + Gbk("价格") + " 100 " + Gbk("元") + "\r\n"
            : line == 1000          ? Gbk("末")
                                    : "plain\n";
  const std::string file = dir_.Write("a.txt", text);
  searcher_.SearchFile(file);

  EXPECT_EQ(Report(), CrLfLines({"Input file:" + file, "1   " + Gbk("中文"), "10  " + Gbk("中文"),
                             "100 " + Gbk("价格") + "  " + Gbk("元"), "1000 " + Gbk("末")}));
  EXPECT_EQ(searcher_.charCount, 4 + 4 + 8 + 2);
  ASSERT_EQ(searcher_.Results().Rows().size(), 1u);
  const ResultRow& row = searcher_.Results().Rows()[0];
  EXPECT_EQ(std::tie(row.file, row.firstChars, row.count), std::make_tuple(file, Gbk("中文"), std::int64_t{18}));
}

TEST_F(FileScan, SamePathTwiceOrInAnotherCaseIsScannedOnce) {
  const std::string file = dir_.Write("Dup.txt", Gbk("重复") + "\n");
  searcher_.Reset();
  searcher_.ScanFile(file);
  searcher_.ScanFile(file);
  std::string upper = file;
  ToUpper(upper);
  searcher_.ScanFile(upper);
  EXPECT_EQ(searcher_.fileCount, 1);
  EXPECT_EQ(searcher_.Results().Rows().size(), 1u);
  EXPECT_EQ(progress_.names.size(), 1u);
}

TEST_F(FileScan, FilesWithoutHitsOrUnreadableAreCountedWithAnEmptyRow) {
  const std::string missing = dir_ / "missing.txt";
  const std::string directory = dir_.MakeDir("folder.txt");
  const std::string fifo = dir_ / "pipe.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string plain = dir_.Write("plain.htm", "<html>no Chinese here</html>\n");
  searcher_.Reset();
  for (const std::string& path : {missing, directory, fifo, plain}) searcher_.ScanFile(path);
  EXPECT_EQ(searcher_.fileCount, 4);
  ASSERT_EQ(searcher_.Results().Rows().size(), 4u);
  for (const ResultRow& row : searcher_.Results().Rows()) {
    EXPECT_EQ(row.count, 0) << row.file;
    EXPECT_EQ(row.firstChars, "") << row.file;
  }
  EXPECT_FALSE(FileIsThere(dir_ / "report.txt"));
}

// A NUL byte in the first 64 KiB makes a file binary: passed over with the
// spreadsheet's notice and no row, whatever bytes follow (a 0x1A that would
// end a text included). A UTF-16 text is full of NULs and is read; a NUL
// past the first 64 KiB is a text's own business.
TEST_F(FileScan, BinaryFilesArePassedOverWithANotice) {
  const std::string chinese = Gbk("中文") + "\n";
  const std::string atStart = dir_.Write("a.txt", std::string("\0\x1A", 2) + chinese);
  const std::string atEdge = dir_.Write("b.txt", chinese + std::string(65536 - chinese.size() - 1, 'x') + '\0');
  dir_.Write("c.txt", chinese + std::string(65536 - chinese.size(), 'x') + '\0');
  dir_.Write("d.txt", Transcode("UTF-16LE", "\xEF\xBB\xBF中文\n"));
  settings_.Encoding = platform::EncodingChoice::Automatic;
  searcher_.SearchDirectory(dir_.Path(), false, "*.txt");
  EXPECT_EQ(Report(), CrLfLines({Gbk("跳过 ") + atStart, Gbk("跳过 ") + atEdge, "Input file:" + dir_ / "c.txt",
                                 "1   " + Gbk("中文"), "Input file:" + dir_ / "d.txt", "1   " + Gbk("中文")}));
  EXPECT_EQ(searcher_.fileCount, 4);
  EXPECT_EQ(searcher_.Outcome().binaryFiles, 2);
  EXPECT_EQ(searcher_.Results().Rows().size(), 2u);
}

TEST_F(FileScan, SpreadsheetsAreSkippedWithANotice) {
  const std::string sheet = dir_.Write("book.XlS", Gbk("表格") + "\n");
  const std::string docx = dir_.Write("new.docx", Gbk("文档") + "\n");
  searcher_.Reset();
  searcher_.ScanFile(sheet);
  searcher_.ScanFile(docx);
  EXPECT_EQ(Report(), CrLfLines({Gbk("跳过 ") + sheet, "Input file:" + docx, "1   " + Gbk("文档")}));
  EXPECT_EQ(searcher_.fileCount, 2);
  ASSERT_EQ(searcher_.Results().Rows().size(), 1u);
  EXPECT_EQ(searcher_.Results().Rows()[0].file, docx);
}

TEST_F(FileScan, StartTagSkipsTheLinesBeforeIt) {
  const std::string text = CrLfLines({Gbk("一"), Gbk("二"), Gbk("三"), Gbk("四"), Gbk("前") + "<!--start-->" + Gbk("后"),
                                  Gbk("六")});
  const std::string tagged = dir_.Write("tagged.htm", text);
  const std::string untagged = dir_.Write("untagged.htm", CrLfLines({Gbk("甲"), Gbk("乙")}));
  settings_.strStartTag = "<!--start-->";
  searcher_.Reset();
  searcher_.ScanFile(tagged);
  searcher_.ScanFile(untagged);
  EXPECT_EQ(Report(), CrLfLines({"Input file:" + tagged, "5   " + Gbk("前") + "  " + Gbk("后"), "6   " + Gbk("六"),
                             "Input file:" + untagged, "1   " + Gbk("甲"), "2   " + Gbk("乙")}));
}

TEST_F(FileScan, LimitEndsAFileAfterTheLineThatReachesIt) {
  const std::string tenChars = Gbk("一二三四五六七八九十");  // 20 bytes
  const std::string file = dir_.Write("limit.txt", CrLfLines({tenChars, tenChars, tenChars}));
  auto scanWith = [&](std::int32_t flag, std::uint32_t max) {
    settings_.LimitHanZiCountEachFile = flag;
    settings_.MaxHanZiCountEachFile = max;
    searcher_.SearchFile(file);
    return searcher_.charCount;
  };
  EXPECT_EQ(scanWith(1, 30), 40);
  EXPECT_EQ(scanWith(1, 40), 40);
  EXPECT_EQ(scanWith(1, 0), 20);
  EXPECT_EQ(scanWith(2, 0), 60);  // only exactly 1 turns the limit on
  EXPECT_EQ(scanWith(1, static_cast<std::uint32_t>(-1)), 60);  // a negative limit never cuts
}

TEST_F(FileScan, SecondSearchReportHoldsOnlyItsOwnLinesWhileRowsAccumulate) {
  const std::string first = dir_.Write("first.txt", Gbk("一") + "\n");
  const std::string second = dir_.Write("second.txt", Gbk("二") + "\n");
  searcher_.SearchFile(first);
  searcher_.SearchFile(second);
  EXPECT_EQ(Report(), CrLfLines({"Input file:" + second, "1   " + Gbk("二")}));
  ASSERT_EQ(searcher_.Results().Rows().size(), 2u);
  EXPECT_EQ(searcher_.Results().Rows()[0].file, first);
}

TEST_F(FileScan, FailedWritesEndTheFileAndANoticeFailureEndsTheSearch) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  settings_.strLogFile = "/dev/full";
  const std::string a = dir_.Write("d/a.txt", CrLfLines({Gbk("一"), Gbk("二")}));
  dir_.Write("d/b.xls", "sheet");
  dir_.Write("d/c.txt", Gbk("三") + "\n");
  searcher_.Wiring().summaryExport = &export_;
  searcher_.SearchDirectory(dir_ / "d", false, "a*.txt;*.xls;c*.txt");
  // a.txt's lines are lost when its scan ends; the notice for b.xls cannot
  // be written either, which ends the search before c.txt, and the export
  // still runs.
  EXPECT_TRUE(searcher_.Outcome().aborted && searcher_.Outcome().reportIncomplete);
  EXPECT_EQ(searcher_.fileCount, 2);
  ASSERT_EQ(searcher_.Results().Rows().size(), 1u);
  EXPECT_EQ(searcher_.Results().Rows()[0].file, a);
  EXPECT_EQ(searcher_.Results().Rows()[0].count, 4);
  EXPECT_EQ(export_.runs, 1);
}

TEST_F(FileScan, WordDocumentsGoThroughTheConverter) {
  const std::string doc = dir_.Write("My Docs/report.DoC", "not really a document");
  searcher_.Wiring().converterDirectory = FAKE_CONVERTER_DIR;
  searcher_.SearchFile(doc);
  // The stand-in converter writes a Chinese line and the words it was given.
  const std::string output = "c:\\~tmp.txt";
  const std::string words = ReadFileBytes(platform::ToNative(output));
  EXPECT_NE(words.find("arg1=" + dir_.Path() + "/My\r\n"), std::string::npos) << words;
  EXPECT_NE(words.find("arg2=Docs/report.DoC>c:\\~tmp.txt\r\n"), std::string::npos) << words;
  EXPECT_EQ(Report(), CrLfLines({"Input file:" + doc, "1   " + Gbk("转换")}));
  ASSERT_EQ(searcher_.Results().Rows().size(), 1u);
  EXPECT_EQ(searcher_.Results().Rows()[0].file, output);
}

TEST_F(FileScan, MissingOrBrokenConverterIsNoted) {
  const std::string doc = dir_.Write("a.doc", "x");
  const std::string noConverter = dir_.MakeDir("empty");
  const std::string broken = dir_.MakeDir("broken");
  dir_.Write("broken/Textifier", "not a program");  // present but cannot be started
  for (const std::string& folder : {noConverter, broken}) {
    searcher_.Wiring().converterDirectory = folder;
    searcher_.SearchFile(doc);
    EXPECT_EQ(Report(), CrLfLines({Gbk("转换工具 ") + folder + "/Textifier" + Gbk(" 不存在")}));
    EXPECT_EQ(searcher_.fileCount, 1);
  }
  // A converter that could not read the document leaves nothing to scan:
  // its output is not taken for the document's text.
  const std::string failing = dir_.MakeDir("failing");
  chmod(dir_.Write("failing/Textifier", "#!/bin/sh\nexit 3\n").c_str(), 0755);
  searcher_.Wiring().converterDirectory = failing;
  searcher_.SearchFile(doc);
  EXPECT_EQ(Report(), CrLfLines({Gbk("转换失败 ") + doc}));
  EXPECT_TRUE(searcher_.Results().Rows().empty());
}

TEST(FileNames, ExtensionComesFromTheLastComponent) {
  EXPECT_EQ(GetExtension("/a/b.c/file"), "");
  EXPECT_EQ(GetExtension("d:\\x.y\\name.tar.Gz"), ".Gz");
  EXPECT_EQ(GetExtension("archive."), ".");
  std::string text = "a.doc\xB0\xA1";
  ToUpper(text);
  EXPECT_EQ(text, "A.DOC\xB0\xA1");
}
