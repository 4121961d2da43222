// The converter's readers of today's documents against documents built here
// from XML written by hand: every part a reader sees, with its locator, and
// every kind of hostile document.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/DocumentLocators.h"
#include "platform/NativePath.h"
#include "platform/Process.h"
#include "tests/support/DocumentFiles.h"
#include "tests/support/Gbk.h"
#include "tests/support/ScanProgram.h"
#include "tests/support/TempDir.h"
#include "tests/support/WordFile.h"
#include "textifier/DocumentReader.h"

using platform::ConverterExit;
constexpr auto npos = std::string::npos;

namespace {

// Each line as "locator: text", UTF-8 as the reader hands it over.
struct Capture : textifier::LineOutput {
  void Line(std::string_view text, std::string_view locator) override {
    lines.push_back(std::string(locator) + ": " + std::string(text));
  }
  std::vector<std::string> lines;
};

struct Result {
  ConverterExit status;
  std::vector<std::string> lines;
  std::string problem;
};

Result Read(textifier::DocumentReader reader, const std::string& document, const textifier::ReadBounds& bounds = {}) {
  Capture capture;
  Result result{ConverterExit::Converted, {}, {}};
  result.status = reader(document, bounds, capture, result.problem);
  result.lines = std::move(capture.lines);
  EXPECT_EQ(result.status == ConverterExit::Converted, result.problem.empty()) << result.problem;
  return result;
}

const std::string kXml = R"(<?xml version="1.0" encoding="UTF-8"?>)";
const std::string kNs = kOfficeNamespaces;

std::string Docx(const std::string& body, Parts more = {}, const std::string& relationships = "") {
  Parts parts = {{"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "word/document.xml"}})},
                 {"word/document.xml", kXml + "<w:document " + kNs + "><w:body>" + body + "</w:body></w:document>"}};
  if (!relationships.empty()) parts.push_back({"word/_rels/document.xml.rels", relationships});
  parts.insert(parts.end(), more.begin(), more.end());
  return MakeZip(parts);
}

std::string WRun(const std::string& text) { return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>"; }
std::string Para(const std::string& runs) { return "<w:p>" + runs + "</w:p>"; }

const char kOdfNamespaces[] =
    R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
    R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
    R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
    R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
    R"(xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" )"
    R"(xmlns:dc="http://purl.org/dc/elements/1.1/")";

std::string Odf(const std::string& body, const std::string& masterStyles = "", Parts more = {}) {
  Parts parts = {{"mimetype", "application/vnd.oasis.opendocument.text"},
                 {"content.xml", kXml + "<office:document-content " + kOdfNamespaces + "><office:body>" + body +
                                     "</office:body></office:document-content>"},
                 {"styles.xml", kXml + "<office:document-styles " + kOdfNamespaces +
                                    "><office:master-styles>" + masterStyles +
                                    "</office:master-styles></office:document-styles>"}};
  parts.insert(parts.end(), more.begin(), more.end());
  return MakeZip(parts);
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(DocumentReaders, WordprocessingPartsTrackedChangesAndLocators) {
  const std::string field = R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText> PAGE </w:instrText></w:r>)"
                            R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r>)" +
                            WRun("7") + R"(<w:r><w:fldChar w:fldCharType="end"/></w:r>)";
  const std::string textBox = "<w:txbxContent>" + Para(WRun("文本框")) + "</w:txbxContent>";
  const std::string body =
      Para("<w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>" + WRun("第一段") + "<w:ins>" +
           WRun("插入") + "</w:ins><w:del><w:r><w:delText>删除</w:delText></w:r></w:del><w:moveFrom>" + WRun("移走") +
           "</w:moveFrom><w:moveTo>" + WRun("移来") + "</w:moveTo>" + field) +
      // A table whose second row's first cell is merged into the one above.
      "<w:tbl><w:tr><w:tc>" + Para(WRun("甲")) + "</w:tc><w:tc>" +
      Para("<w:r><w:t>乙&amp;</w:t><w:tab/><w:t>𠀀</w:t></w:r>") + "</w:tc></w:tr><w:tr><w:tc><w:tcPr><w:vMerge/></w:tcPr>" +
      Para("") + "</w:tc><w:tc>" + Para("<w:r><w:t>丁</w:t><w:br/><w:t>戊</w:t></w:r>") + "</w:tc></w:tr></w:tbl>" +
      Para("<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\">" + textBox + "</mc:Choice><mc:Fallback>" + textBox +
           "</mc:Fallback></mc:AlternateContent><w:t>外</w:t></w:r>") +
      R"(<w:sectPr><w:headerReference w:type="default" r:id="rH1"/><w:headerReference w:type="first" r:id="rH2"/>)"
      R"(<w:footerReference w:type="default" r:id="rF1"/></w:sectPr>)";
  const std::string relationships =
      RelationshipsXml({{"rH2", "header", "header2.xml"}, {"rH1", "header", "header1.xml"},
                        {"rF1", "footer", "/word/footer1.xml"}, {"rN", "footnotes", "footnotes.xml"},
                        {"rE", "endnotes", "endnotes.xml"}, {"rC", "comments", "comments.xml"}});
  const Parts more = {
      {"word/header1.xml", "<w:hdr " + kNs + ">" + Para(WRun("页眉")) + "</w:hdr>"},
      {"word/header2.xml", "<w:hdr " + kNs + ">" + Para(WRun("首页页眉")) + "</w:hdr>"},
      {"word/footer1.xml", "<w:ftr " + kNs + ">" + Para(WRun("页脚")) + "</w:ftr>"},
      {"word/footnotes.xml", "<w:footnotes " + kNs + R"(><w:footnote w:type="separator" w:id="-1">)" +
                                 Para("<w:r><w:separator/></w:r>") + R"(</w:footnote><w:footnote w:id="1">)" +
                                 Para(WRun("脚注一")) + R"(</w:footnote><w:footnote w:id="2">)" + Para(WRun("脚注二")) +
                                 "</w:footnote></w:footnotes>"},
      {"word/endnotes.xml", "<w:endnotes " + kNs + R"(><w:endnote w:id="1">)" + Para(WRun("尾注")) +
                                "</w:endnote></w:endnotes>"},
      {"word/comments.xml", "<w:comments " + kNs + R"(><w:comment w:id="0" w:author="某人">)" + Para(WRun("批注")) +
                                "</w:comment></w:comments>"}};
  const Result r = Read(textifier::ReadWordprocessingXml, Docx(body, more, relationships));
  EXPECT_EQ(r.status, ConverterExit::Converted);
  EXPECT_EQ(r.lines, (Lines{"paragraph 1: 第一段插入移来7", "paragraph 2: 甲", "paragraph 3: 乙&\t𠀀", "paragraph 4: ",
                            "paragraph 5: 丁\n戊", "text box 1: 文本框", "paragraph 6: 外", "header 1: 页眉",
                            "header 2: 首页页眉", "footer 1: 页脚", "footnote 1: 脚注一", "footnote 2: 脚注二",
                            "endnote 1: 尾注", "comment 1: 批注"}));
}

TEST(DocumentReaders, SpreadsheetSheetsCellsFormulasAndComments) {
  auto sheet = [](const std::string& rows, const std::string& more = "") {
    return kXml + "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" + rows +
           "</sheetData>" + more + "</worksheet>";
  };
  const std::string main = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                           R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
  const Parts parts = {
      {"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "xl/workbook.xml"}})},
      {"xl/workbook.xml", kXml + "<workbook " + main + R"(><sheets><sheet name="Sheet1" sheetId="1" r:id="rS1"/>)" +
                              R"(<sheet name="价格 表" sheetId="2" state="hidden" r:id="rS2"/>)" +
                              R"(<sheet name="O'Brien" sheetId="3" r:id="rS3"/><sheet name="A1" sheetId="4" r:id="rS4"/>)" +
                              "</sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       RelationshipsXml({{"rS1", "worksheet", "worksheets/sheet1.xml"}, {"rS2", "worksheet", "worksheets/sheet2.xml"},
                         {"rS3", "worksheet", "worksheets/sheet3.xml"}, {"rS4", "worksheet", "worksheets/sheet4.xml"},
                         {"rT", "sharedStrings", "sharedStrings.xml"}})},
      {"xl/sharedStrings.xml", kXml + "<sst " + main + "><si><t>标题</t></si><si><r><t>红</t></r><r><t>色</t></r>" +
                                   "<rPh sb=\"0\" eb=\"1\"><t>あか</t></rPh></si><si><t>价格 表 内容</t></si></sst>"},
      // A cell or row without its reference follows the one before; a number
      // is no text; D7 is the first cell of a merged range.
      {"xl/worksheets/sheet1.xml",
       sheet(R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c t="inlineStr"><is><t>内联</t></is></c></row>)"
             R"(<row r="7"><c r="B7" t="str"><f>"公式"&amp;"结果"</f><v>公式结果</v></c><c r="C7"><v>12.5</v></c>)"
             R"(<c r="D7" t="s"><v>1</v></c><c r="E7" t="s"/></row><row><c t="s"><v>0</v></c></row>)",
             R"(<mergeCells count="1"><mergeCell ref="D7:E8"/></mergeCells>)")},
      {"xl/worksheets/_rels/sheet1.xml.rels", RelationshipsXml({{"rC", "comments", "../comments1.xml"}})},
      {"xl/comments1.xml", kXml + "<comments " + main + R"(><authors><author>某人</author></authors><commentList>)" +
                               R"(<comment ref="B7" authorId="0"><text><r><t>作者:</t></r><r><t xml:space="preserve">)" +
                               "\n批注内容</t></r></text></comment></commentList></comments>"},
      {"xl/worksheets/sheet2.xml", sheet(R"(<row r="1"><c r="A1" t="s"><v>2</v></c></row>)")},
      {"xl/worksheets/sheet3.xml", sheet(R"(<row r="2"><c r="B2" t="inlineStr"><is><t>奥</t></is></c></row>)")},
      {"xl/worksheets/sheet4.xml", sheet(R"(<row r="3"><c r="C3" t="s"><v>0</v></c></row>)")}};
  const Result r = Read(textifier::ReadSpreadsheetXml, MakeZip(parts));
  EXPECT_EQ(r.status, ConverterExit::Converted);
  EXPECT_EQ(r.lines, (Lines{"sheet 1: Sheet1", "Sheet1!A1: 标题", "Sheet1!B1: 内联", "Sheet1!B7: 公式结果",
                            "Sheet1!D7: 红色", "Sheet1!A8: 标题", "Sheet1!B7 comment: 作者:\n批注内容",
                            "sheet 2: 价格 表", "'价格 表'!A1: 价格 表 内容", "sheet 3: O'Brien", "'O''Brien'!B2: 奥",
                            "sheet 4: A1", "'A1'!C3: 标题"}));
}

TEST(DocumentReaders, PresentationSlidesInTheirOrderWithNotes) {
  const std::string slide = kXml + "<p:sld " + kNs + R"( show="0"><p:cSld><p:spTree><p:sp><p:txBody>)" +
                            "<a:p><a:r><a:t>隐藏的幻灯片</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>";
  const std::string second = kXml + "<p:sld " + kNs + "><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r><a:t>标题</a:t>" +
                             "</a:r><a:br/><a:r><a:t>第二行</a:t></a:r></a:p></p:txBody></p:sp><p:graphicFrame>" +
                             "<a:graphic><a:graphicData><a:tbl><a:tr><a:tc><a:txBody><a:p><a:r><a:t>单元格</a:t>" +
                             "</a:r></a:p></a:txBody></a:tc></a:tr></a:tbl></a:graphicData></a:graphic>" +
                             "</p:graphicFrame></p:spTree></p:cSld></p:sld>";
  const Parts parts = {
      {"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "ppt/presentation.xml"}})},
      {"ppt/presentation.xml", kXml + "<p:presentation " + kNs +
                                   R"(><p:sldIdLst><p:sldId id="256" r:id="rB"/><p:sldId id="257" r:id="rA"/>)" +
                                   "</p:sldIdLst></p:presentation>"},
      {"ppt/_rels/presentation.xml.rels",
       RelationshipsXml({{"rA", "slide", "slides/slide1.xml"}, {"rB", "slide", "slides/slide2.xml"}})},
      {"ppt/slides/slide1.xml", second},
      {"ppt/slides/slide2.xml", slide},
      {"ppt/slides/_rels/slide2.xml.rels", RelationshipsXml({{"rN", "notesSlide", "../notesSlides/notesSlide1.xml"}})},
      {"ppt/notesSlides/notesSlide1.xml", kXml + "<p:notes " + kNs + "><p:cSld><p:spTree><p:sp><p:txBody><a:p><a:r>" +
                                              "<a:t>备注</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:notes>"}};
  const Result r = Read(textifier::ReadPresentationXml, MakeZip(parts));
  EXPECT_EQ(r.status, ConverterExit::Converted);
  EXPECT_EQ(r.lines, (Lines{"slide 1: 隐藏的幻灯片", "slide 1 notes: 备注", "slide 2: 标题\n第二行", "slide 2: 单元格"}));
}

TEST(DocumentReaders, OpenDocumentTextSpreadsheetAndPresentation) {
  const std::string text =
      "<office:text><text:tracked-changes><text:changed-region text:id=\"c1\"><text:deletion><office:change-info>"
      "<dc:creator>某人</dc:creator></office:change-info><text:p>已删除</text:p></text:deletion></text:changed-region>"
      "</text:tracked-changes><text:h>标题</text:h>"
      "<text:p>正文<text:s text:c=\"2\"/>空格<text:tab/>制表<text:line-break/>换行<text:change text:change-id=\"c1\"/>"
      "<text:note text:note-class=\"footnote\"><text:note-citation>1</text:note-citation><text:note-body><text:p>脚注"
      "</text:p></text:note-body></text:note><office:annotation><dc:creator>作者</dc:creator><text:p>批注</text:p>"
      "</office:annotation></text:p><table:table><table:table-row><table:table-cell><text:p>格一</text:p>"
      "</table:table-cell></table:table-row></table:table><text:p><draw:frame><draw:text-box><text:p>框内</text:p>"
      "</draw:text-box></draw:frame>\n   外 \n  面</text:p><text:p><text:note text:note-class=\"endnote\">"
      "<text:note-body><text:p>尾注</text:p></text:note-body></text:note></text:p></office:text>";
  const std::string masters =
      "<style:master-page style:name=\"Standard\"><style:header><text:p>页眉</text:p></style:header>"
      "<style:footer><text:p>页脚</text:p></style:footer><draw:frame><draw:text-box><text:p>母版</text:p>"
      "</draw:text-box></draw:frame></style:master-page>";
  EXPECT_EQ(Read(textifier::ReadOpenDocument, Odf(text, masters)).lines,
            (Lines{"paragraph 1: 标题", "footnote 1: 脚注", "comment 1: 批注", "paragraph 2: 正文  空格\t制表\n换行",
                   "paragraph 3: 格一", "text box 1: 框内", "paragraph 4: 外 面", "endnote 1: 尾注", "paragraph 5: ",
                   "header 1: 页眉", "footer 1: 页脚"}));

  // A merged cell covers the next; repeated cells and rows are one range.
  const std::string sheets =
      "<office:spreadsheet><table:table table:name=\"Sheet1\"><table:table-row><table:table-cell "
      "table:number-columns-spanned=\"2\"><text:p>合并</text:p></table:table-cell><table:covered-table-cell/>"
      "<table:table-cell><text:p>三</text:p></table:table-cell><table:table-cell table:number-columns-repeated=\"2\">"
      "<text:p>重复</text:p></table:table-cell></table:table-row><table:table-row table:number-rows-repeated=\"3\">"
      "<table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row><table:table-row>"
      "<table:table-cell office:value-type=\"float\" office:value=\"12.5\"><text:p>12.5元</text:p></table:table-cell>"
      "<table:table-cell><office:annotation><text:p>注释</text:p></office:annotation><text:p>值</text:p>"
      "</table:table-cell></table:table-row></table:table><table:table table:name=\"隐藏 表\"><table:table-row "
      "table:number-rows-repeated=\"2\"><table:table-cell><text:p>藏</text:p></table:table-cell></table:table-row>"
      "</table:table></office:spreadsheet>";
  EXPECT_EQ(Read(textifier::ReadOpenDocument, Odf(sheets)).lines,
            (Lines{"sheet 1: Sheet1", "Sheet1!A1: 合并", "Sheet1!C1: 三", "Sheet1!D1:E1: 重复", "Sheet1!A5: 12.5元",
                   "Sheet1!B5 comment: 注释", "Sheet1!B5: 值", "sheet 2: 隐藏 表", "'隐藏 表'!A1:A2: 藏"}));

  const std::string slides =
      "<office:presentation><draw:page draw:name=\"p1\"><draw:frame><draw:text-box><text:p>标题一</text:p>"
      "</draw:text-box></draw:frame><presentation:notes><draw:frame><draw:text-box><text:p>备注一</text:p>"
      "</draw:text-box></draw:frame></presentation:notes></draw:page><draw:page draw:name=\"p2\"><draw:frame>"
      "<draw:text-box><text:p>第二页</text:p></draw:text-box></draw:frame></draw:page></office:presentation>";
  EXPECT_EQ(Read(textifier::ReadOpenDocument, Odf(slides)).lines,
            (Lines{"slide 1: 标题一", "slide 1 notes: 备注一", "slide 2: 第二页"}));
}

TEST(DocumentReaders, PdfPagesLineByLine) {
  // Through poppler-data's CMap for GB text, and through the file's own
  // ToUnicode map for an ideograph beyond the Basic Multilingual Plane.
  EXPECT_EQ(Read(textifier::ReadPdf, MakePdf({{"第一页的中文", "Latin line"}, {}, {"第三页"}})).lines,
            (Lines{"page 1: 第一页的中文", "page 1: Latin line", "page 3: 第三页"}));
  EXPECT_EQ(Read(textifier::ReadPdf, MakePdf({{"𠀀字"}}, true)).lines, (Lines{"page 1: 𠀀字"}));
}

TEST(DocumentReaders, HostileDocumentsAreRefusedWithTheirReason) {
  const std::string good = Docx(Para(WRun("正文")));
  auto docx = [](const std::string& document) {
    return MakeZip({{"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "word/document.xml"}})},
                    {"word/document.xml", document}});
  };
  struct Case {
    const char* what;
    std::string document;
    ConverterExit status;
  };
  const std::string body = "<w:document " + kNs + "><w:body>" + Para(WRun("&e;")) + "</w:body></w:document>";
  std::string laughs = "<!DOCTYPE w:document [<!ENTITY a \"哈哈\">";
  for (char c = 'b'; c <= 'j'; ++c) {
    laughs += std::string("<!ENTITY ") + c + " \"";
    for (int i = 0; i < 10; ++i) laughs += std::string("&") + static_cast<char>(c - 1) + ";";
    laughs += "\">";
  }
  laughs += "<!ENTITY e \"&j;\">]>";
  std::string compound = MakeCompoundFile({{"EncryptionInfo", std::string(64, '\1')}, {"EncryptedPackage", good}});
  const std::vector<Case> cases = {
      {"cut short", good.substr(0, good.size() / 2), ConverterExit::Damaged},
      {"no zip", "PK\3\4 not really", ConverterExit::Damaged},
      {"not well-formed", docx("<w:document " + kNs + "><w:body><w:p></w:body>"), ConverterExit::NotWellFormed},
      {"external entity",
       docx(kXml + "<!DOCTYPE w:document [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + body),
       ConverterExit::ExternalEntity},
      {"external DTD", docx(kXml + "<!DOCTYPE w:document SYSTEM \"http://localhost:9/x.dtd\">" + body),
       ConverterExit::ExternalEntity},
      {"billion laughs", docx(kXml + laughs + body), ConverterExit::EntityExpansion},
      {"password-protected package", compound, ConverterExit::Encrypted},
      {"damaged compound file", compound.substr(0, 600), ConverterExit::Damaged}};
  for (const Case& c : cases) {
    const Result r = Read(textifier::ReadWordprocessingXml, c.document);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.problem;
    EXPECT_EQ(r.lines, Lines{}) << c.what;
  }

  // A part that expands a thousandfold, and one past the bound on its size.
  textifier::ReadBounds bounds;
  bounds.ratioFrom = 1 << 20;
  const std::string bomb = Docx(Para(WRun(std::string(4 << 20, ' '))));
  EXPECT_LT(bomb.size(), 16u << 10);
  EXPECT_EQ(Read(textifier::ReadWordprocessingXml, bomb, bounds).status, ConverterExit::TooLarge);
  bounds.partBytes = 100;
  EXPECT_EQ(Read(textifier::ReadWordprocessingXml, good, bounds).status, ConverterExit::TooLarge);

  const std::string manifest =
      kXml + "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
             "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/>"
             "</manifest:file-entry></manifest:manifest>";
  EXPECT_EQ(Read(textifier::ReadOpenDocument, Odf("<office:text/>", "", {{"META-INF/manifest.xml", manifest}})).status,
            ConverterExit::Encrypted);
  const std::string aes = MakeZip({{"_rels/.rels", "x"}}, true, "secret");
  ASSERT_FALSE(aes.empty());
  EXPECT_EQ(Read(textifier::ReadWordprocessingXml, aes).status, ConverterExit::Encrypted);

  // A PDF that needs a password, a damaged one, and one whose time runs out
  // before its first page.
  std::string locked = MakePdf({{"密"}});
  locked.replace(locked.find("/Root 1 0 R"), 11,
                 "/Root 1 0 R /ID [<00112233445566778899AABBCCDDEEFF><00112233445566778899AABBCCDDEEFF>] /Encrypt << "
                 "/Filter /Standard /V 1 /R 2 /P -4 /O <" + std::string(64, 'A') + "> /U <" + std::string(64, 'B') +
                 "> >>");
  EXPECT_EQ(Read(textifier::ReadPdf, locked).status, ConverterExit::Encrypted);
  EXPECT_EQ(Read(textifier::ReadPdf, "%PDF-1.4\nnothing else").status, ConverterExit::Damaged);
  bounds.deadline = std::chrono::steady_clock::now();
  const Result late = Read(textifier::ReadPdf, MakePdf({{"一"}, {"二"}}), bounds);
  EXPECT_EQ(late.status, ConverterExit::OutOfTime);
  EXPECT_EQ(late.lines, Lines{});
}

TEST(DocumentReaders, TextifierWritesTheSystemsTextAndOneLocatorPerLine) {
  TempDir dir;
  ScopedDriveRoot drives(dir.Path());
  const std::string output = platform::DriveFolder('c') + "/~tmp.txt";
  auto convert = [&](const std::string& name, const std::string& bytes) {
    return platform::WaitProcess(platform::StartProcess(TEXTIFIER, Gbk(dir.Write(name, bytes)) + ">c:\\~tmp.txt"));
  };
  const std::string docx = Docx(Para(WRun("中文 𠀀 ©")) + Para("<w:r><w:t>二</w:t><w:br/><w:t>三</w:t></w:r>"));
  EXPECT_EQ(convert("价格 表.DOCX", docx), 0);
  EXPECT_EQ(ReadFileBytes(output), Gbk("中文 ") + Gb18030("𠀀") + " ?\r\n" + Gbk("二") + "\r\n" + Gbk("三") + "\r\n");
  std::vector<std::string> locators;
  ASSERT_TRUE(platform::ReadLocators("c:\\~tmp.txt", locators));
  EXPECT_EQ(locators, (Lines{"paragraph 1", "paragraph 2", "paragraph 2"}));

  // A refused document leaves neither its text nor an earlier one's; a Word
  // 97 document has no locators.
  EXPECT_EQ(convert("bad.xlsx", "PK\3\4"), static_cast<int>(ConverterExit::Damaged));
  EXPECT_EQ(ReadFileBytes(output), "");
  EXPECT_TRUE(platform::ReadLocators("c:\\~tmp.txt", locators));
  EXPECT_EQ(locators, Lines{});
  EXPECT_EQ(convert("a.doc", ReadFileBytes(std::string(TEXTIFIER_DATA) + "/chinese.doc")), 0);
  EXPECT_FALSE(platform::ReadLocators("c:\\~tmp.txt", locators));

  EXPECT_EQ(platform::ConversionFailedNotice(4, "d:\\a.pdf"), Gbk("转换失败 d:\\a.pdf（文档已加密或有密码保护）"));
  EXPECT_EQ(platform::ConversionProblem(134), "converter ended abnormally, exit status 134");
}

namespace {

// glyphwell-scan with the real converter beside it, as they are shipped.
class DocumentScan : public ScanProgram {
 protected:
  DocumentScan() { std::filesystem::copy_file(TEXTIFIER, dir_ / "bin/Textifier"); }
};

}  // namespace

// Today's documents in a search: the report names the document and holds the
// lines of its text, as for a Word 97 document; each finding says where it
// stands in the document, and no format points an editor at a line of it; a
// document that cannot be converted gets its notice and the search goes on.
TEST_F(DocumentScan, TodaysDocumentsInASearch) {
  const std::string docx = dir_.Write("t/a.docx", Docx(Para(WRun("English")) + Para(WRun("中文段落"))));
  const std::string main = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                           R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
  const std::string xlsx = dir_.Write(
      "t/b.xlsx",
      MakeZip({{"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "xl/workbook.xml"}})},
               {"xl/workbook.xml", kXml + "<workbook " + main + R"(><sheets><sheet name="价格 表" sheetId="1" r:id="rS1"/>)" +
                                       "</sheets></workbook>"},
               {"xl/_rels/workbook.xml.rels", RelationshipsXml({{"rS1", "worksheet", "worksheets/sheet1.xml"}})},
               {"xl/worksheets/sheet1.xml", kXml + "<worksheet " + main + R"(><sheetData><row r="7">)" +
                                                R"(<c r="B7" t="inlineStr"><is><t>单价</t></is></c></row>)" +
                                                "</sheetData></worksheet>"}}));
  const std::string locked = dir_.Write("t/c.docx", MakeZip({{"_rels/.rels", "x"}}, true, "secret"));
  const std::string report = dir_ / "r.txt";
  const Outcome json = Run({"--format", "json", "--report", report, "-j1", dir_ / "t"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"path\":\"" + docx + "\",\"locator\":\"paragraph 2\",\"text\":\"中文段落\""), npos) << json.out;
  EXPECT_NE(json.out.find("\"locator\":\"'价格 表'!B7\",\"text\":\"单价\""), npos) << json.out;
  EXPECT_NE(json.err.find("cannot convert " + locked + ": encrypted or password-protected document"), npos) << json.err;
  const std::string written = ReadFileBytes(report);
  EXPECT_TRUE(written.starts_with("Input file:" + docx + "\r\n2   " + Gbk("中文段落") + "\r\nInput file:" + xlsx + "\r\n"))
      << written;
  EXPECT_NE(written.find(Gbk("单价")), npos);
  EXPECT_TRUE(written.ends_with(Gbk("转换失败 ") + locked + Gbk("（文档已加密或有密码保护）") + "\r\n")) << written;

  const Outcome vim = Run({"--format", "vimgrep", "-j1", docx});
  EXPECT_EQ(vim.out, docx + ":paragraph 2:中文段落\n");
  EXPECT_EQ(Run({"--check", dir_ / "t"}).status, 2);  // what could not be read is no pass
}
