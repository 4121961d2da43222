// gen_documents: writes the documents bench/documents times Textifier on.
//
//   gen_documents FOLDER [SIZE_MB] [SLIDES] [PAGES]
//
// doc.docx and sheet.xlsx of about SIZE_MB each (default 20, 1 MB = 2^20
// bytes), text.odt of a quarter of that, slides.pptx of SLIDES slides
// (default 200) and pages.pdf of PAGES pages (default 300), all of random
// Chinese text with some Latin, and the parts a reader must not miss (tables,
// a header and footer, notes, comments, a text box, tracked changes, slide
// notes). Prints each file's name and the number of lines Textifier must
// give for it.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "tests/support/DocumentFiles.h"

namespace {

std::mt19937 random32(27);

// A phrase of n random characters from the 2,500 most common of the CJK
// block's start, now and then a Latin word (never in a PDF line, which must
// fit its page's width to stay one line); XML-safe.
std::string Phrase(int n, bool latin = true) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    if (latin && random32() % 40 == 0) {
      text += " Glyphwell ";
      continue;
    }
    const char32_t c = 0x4E00 + random32() % 2500;
    text += static_cast<char>(0xE0 | (c >> 12));
    text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
  return text;
}

const std::string kXml = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";

bool Write(const std::string& folder, const std::string& name, const std::string& bytes, std::size_t lines) {
  if (bytes.empty() || !(std::ofstream(folder + "/" + name, std::ios::binary) << bytes)) {
    std::fprintf(stderr, "gen_documents: cannot write %s/%s\n", folder.c_str(), name.c_str());
    return false;
  }
  std::printf("%s %zu\n", name.c_str(), lines);
  return true;
}

// The content types other tools insist on: what each part is.
std::string ContentTypes(const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::string xml = kXml +
                    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
                    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
                    R"(<Default Extension="xml" ContentType="application/xml"/>)";
  for (const auto& [part, type] : overrides)
    xml += "<Override PartName=\"/" + part + "\" ContentType=\"application/vnd.openxmlformats-officedocument." + type +
           "+xml\"/>";
  return xml + "</Types>";
}

std::string WordRun(const std::string& text) { return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>"; }
std::string WordPara(const std::string& runs) { return "<w:p><w:pPr><w:pStyle w:val=\"Normal\"/></w:pPr>" + runs + "</w:p>"; }

std::string Docx(std::size_t bytes, std::size_t& lines) {
  const std::string ns = kOfficeNamespaces;
  std::string body;
  lines = 0;
  for (std::size_t n = 0; body.size() < bytes * 3; ++n) {
    if (n % 50 == 49) {
      body += "<w:tbl>";
      for (int row = 0; row < 3; ++row) {
        body += "<w:tr>";
        for (int cell = 0; cell < 3; ++cell, ++lines) body += "<w:tc>" + WordPara(WordRun(Phrase(6))) + "</w:tc>";
        body += "</w:tr>";
      }
      body += "</w:tbl>";
      continue;
    }
    std::string runs = WordRun(Phrase(30)) + "<w:r><w:rPr><w:b/></w:rPr><w:t>" + Phrase(10) + "</w:t></w:r>";
    if (n % 20 == 7) runs += "<w:ins w:id=\"1\" w:author=\"a\">" + WordRun(Phrase(5)) + "</w:ins><w:del w:id=\"2\" w:author=\"a\"><w:r><w:delText>" + Phrase(5) + "</w:delText></w:r></w:del>";
    body += WordPara(runs + WordRun(Phrase(40)));
    ++lines;
  }
  body += WordPara("<w:r><w:txbxContent>" + WordPara(WordRun(Phrase(8))) + "</w:txbxContent></w:r>");
  lines += 2;
  body += R"(<w:sectPr><w:headerReference w:type="default" r:id="rH"/><w:footerReference w:type="default" r:id="rF"/></w:sectPr>)";
  lines += 4;  // header, footer, footnote, comment
  return MakeZip(
      {{"[Content_Types].xml",
        ContentTypes({{"word/document.xml", "wordprocessingml.document.main"},
                      {"word/header1.xml", "wordprocessingml.header"}, {"word/footer1.xml", "wordprocessingml.footer"},
                      {"word/footnotes.xml", "wordprocessingml.footnotes"},
                      {"word/comments.xml", "wordprocessingml.comments"}})},
       {"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "word/document.xml"}})},
       {"word/_rels/document.xml.rels",
        RelationshipsXml({{"rH", "header", "header1.xml"}, {"rF", "footer", "footer1.xml"},
                          {"rN", "footnotes", "footnotes.xml"}, {"rC", "comments", "comments.xml"}})},
       {"word/document.xml", kXml + "<w:document " + ns + "><w:body>" + body + "</w:body></w:document>"},
       {"word/header1.xml", "<w:hdr " + ns + ">" + WordPara(WordRun(Phrase(6))) + "</w:hdr>"},
       {"word/footer1.xml", "<w:ftr " + ns + ">" + WordPara(WordRun(Phrase(6))) + "</w:ftr>"},
       {"word/footnotes.xml", "<w:footnotes " + ns + "><w:footnote w:id=\"1\">" + WordPara(WordRun(Phrase(12))) +
                                  "</w:footnote></w:footnotes>"},
       {"word/comments.xml", "<w:comments " + ns + "><w:comment w:id=\"0\">" + WordPara(WordRun(Phrase(12))) +
                                 "</w:comment></w:comments>"}});
}

std::string Xlsx(std::size_t bytes, std::size_t& lines) {
  const std::string ns = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                         R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
  constexpr int kSheets = 4, kStrings = 50000;
  std::string strings = kXml + "<sst " + ns + " uniqueCount=\"" + std::to_string(kStrings) + "\">";
  for (int i = 0; i < kStrings; ++i) strings += "<si><t>" + Phrase(4 + i % 12) + "</t></si>";
  strings += "</sst>";
  Parts parts = {{"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "xl/workbook.xml"}})}};
  std::vector<std::vector<std::string>> relationships = {{"rT", "sharedStrings", "sharedStrings.xml"},
                                                         {"rY", "styles", "styles.xml"}};
  std::vector<std::pair<std::string, std::string>> types = {
      {"xl/workbook.xml", "spreadsheetml.sheet.main"}, {"xl/sharedStrings.xml", "spreadsheetml.sharedStrings"},
      {"xl/styles.xml", "spreadsheetml.styles"}};
  std::string workbook = kXml + "<workbook " + ns + "><sheets>";
  lines = 0;
  for (int s = 1; s <= kSheets; ++s) {
    const std::string id = "rS" + std::to_string(s);
    workbook += "<sheet name=\"" + (s == 2 ? std::string("价格 表") : "Sheet" + std::to_string(s)) + "\" sheetId=\"" +
                std::to_string(s) + "\" r:id=\"" + id + "\"/>";
    relationships.push_back({id, "worksheet", "worksheets/sheet" + std::to_string(s) + ".xml"});
    types.push_back({"xl/worksheets/sheet" + std::to_string(s) + ".xml", "spreadsheetml.worksheet"});
    ++lines;
    std::string sheet = kXml + "<worksheet " + ns + "><sheetData>";
    const std::size_t target = bytes * 5 / kSheets;
    for (int row = 1; sheet.size() < target; ++row) {
      const std::string r = std::to_string(row);
      sheet += "<row r=\"" + r + "\">";
      for (char column = 'A'; column <= 'H'; ++column) {
        const std::string cell = std::string(1, column) + r;
        if (column == 'C' || column == 'F') {
          sheet += "<c r=\"" + cell + "\" s=\"1\"><v>" + std::to_string(random32() % 100000) + ".5</v></c>";
        } else if (column == 'H' && row % 10 == 0) {
          sheet += "<c r=\"" + cell + "\" t=\"str\"><f>A" + r + "&amp;B" + r + "</f><v>" + Phrase(6) + "</v></c>";
          ++lines;
        } else {
          sheet += "<c r=\"" + cell + "\" t=\"s\"><v>" + std::to_string(random32() % kStrings) + "</v></c>";
          ++lines;
        }
      }
      sheet += "</row>";
    }
    parts.push_back({"xl/worksheets/sheet" + std::to_string(s) + ".xml", sheet + "</sheetData></worksheet>"});
  }
  parts.push_back({"xl/workbook.xml", workbook + "</sheets></workbook>"});
  parts.push_back({"xl/_rels/workbook.xml.rels", RelationshipsXml(relationships)});
  parts.push_back({"xl/sharedStrings.xml", strings});
  parts.push_back({"xl/styles.xml", kXml + "<styleSheet " + ns + R"(><numFmts count="1"><numFmt numFmtId="164" )" +
                                        R"(formatCode="0.00"/></numFmts><cellXfs count="2"><xf numFmtId="0"/>)" +
                                        R"(<xf numFmtId="164" applyNumberFormat="1"/></cellXfs></styleSheet>)"});
  parts.push_back({"[Content_Types].xml", ContentTypes(types)});
  return MakeZip(parts);
}

std::string Pptx(int slides, std::size_t& lines) {
  const std::string ns = kOfficeNamespaces;
  Parts parts = {{"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "ppt/presentation.xml"}})}};
  std::vector<std::vector<std::string>> relationships;
  std::vector<std::pair<std::string, std::string>> types = {{"ppt/presentation.xml", "presentationml.presentation.main"}};
  std::string list;
  lines = 0;
  auto shape = [](const std::string& paragraphs) {
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"T\"/><p:cNvSpPr/><p:nvPr/></p:nvSpPr><p:spPr/><p:txBody>"
           "<a:bodyPr/><a:lstStyle/>" + paragraphs + "</p:txBody></p:sp>";
  };
  auto paragraph = [](const std::string& text) { return "<a:p><a:r><a:rPr lang=\"zh-CN\"/><a:t>" + text + "</a:t></a:r></a:p>"; };
  for (int s = 1; s <= slides; ++s) {
    const std::string n = std::to_string(s), id = "rS" + n;
    list += "<p:sldId id=\"" + std::to_string(255 + s) + "\" r:id=\"" + id + "\"/>";
    relationships.push_back({id, "slide", "slides/slide" + n + ".xml"});
    types.push_back({"ppt/slides/slide" + n + ".xml", "presentationml.slide"});
    types.push_back({"ppt/notesSlides/notesSlide" + n + ".xml", "presentationml.notesSlide"});
    std::string body;
    for (int p = 0; p < 6; ++p) body += paragraph(Phrase(20));
    parts.push_back({"ppt/slides/slide" + n + ".xml",
                     kXml + "<p:sld " + ns + "><p:cSld><p:spTree>" + shape(paragraph(Phrase(8))) + shape(body) +
                         "</p:spTree></p:cSld></p:sld>"});
    parts.push_back({"ppt/slides/_rels/slide" + n + ".xml.rels",
                     RelationshipsXml({{"rN", "notesSlide", "../notesSlides/notesSlide" + n + ".xml"}})});
    parts.push_back({"ppt/notesSlides/notesSlide" + n + ".xml",
                     kXml + "<p:notes " + ns + "><p:cSld><p:spTree>" + shape(paragraph(Phrase(30))) +
                         "</p:spTree></p:cSld></p:notes>"});
    lines += 8;
  }
  parts.push_back({"ppt/presentation.xml", kXml + "<p:presentation " + ns + "><p:sldIdLst>" + list +
                                               "</p:sldIdLst></p:presentation>"});
  parts.push_back({"ppt/_rels/presentation.xml.rels", RelationshipsXml(relationships)});
  parts.push_back({"[Content_Types].xml", ContentTypes(types)});
  return MakeZip(parts);
}

std::string Odt(std::size_t bytes, std::size_t& lines) {
  const std::string ns = R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
                         R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
                         R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
                         R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" office:version="1.3")";
  std::string body;
  lines = 0;
  for (std::size_t n = 0; body.size() < bytes * 3; ++n, ++lines) {
    if (n % 50 == 0) {
      body += "<text:h text:outline-level=\"1\">" + Phrase(10) + "</text:h>";
    } else if (n % 50 == 25) {
      body += "<table:table table:name=\"T" + std::to_string(n) + "\"><table:table-column "
              "table:number-columns-repeated=\"2\"/><table:table-row><table:table-cell><text:p>" + Phrase(6) +
              "</text:p></table:table-cell><table:table-cell><text:p>" + Phrase(6) +
              "</text:p></table:table-cell></table:table-row></table:table>";
      ++lines;
    } else {
      body += "<text:p text:style-name=\"P1\">" + Phrase(30) + "<text:span text:style-name=\"T1\">" + Phrase(10) +
              "</text:span>" + Phrase(40) + "</text:p>";
    }
  }
  lines += 2;  // header, footer
  return MakeZip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                  {"content.xml", kXml + "<office:document-content " + ns + "><office:body><office:text>" + body +
                                      "</office:text></office:body></office:document-content>"},
                  {"META-INF/manifest.xml",
                   kXml + R"(<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" )"
                          R"(manifest:version="1.3"><manifest:file-entry manifest:full-path="/" )"
                          R"(manifest:media-type="application/vnd.oasis.opendocument.text"/><manifest:file-entry )"
                          R"(manifest:full-path="content.xml" manifest:media-type="text/xml"/><manifest:file-entry )"
                          R"(manifest:full-path="styles.xml" manifest:media-type="text/xml"/></manifest:manifest>)"},
                  {"styles.xml", kXml + "<office:document-styles " + ns + ">"
                                        R"(<office:styles><style:style style:name="P1" style:family="paragraph"/>)"
                                        R"(<style:style style:name="T1" style:family="text"/></office:styles>)"
                                        "<office:master-styles>"
                                        "<style:master-page style:name=\"Standard\"><style:header><text:p>" +
                                     Phrase(6) + "</text:p></style:header><style:footer><text:p>" + Phrase(6) +
                                     "</text:p></style:footer></style:master-page></office:master-styles>"
                                     "</office:document-styles>"}});
}

std::string Pdf(int pages, std::size_t& lines) {
  std::vector<std::vector<std::string>> text(static_cast<std::size_t>(pages));
  for (auto& page : text)
    for (int line = 0; line < 50; ++line) page.push_back(Phrase(35, false));
  lines = static_cast<std::size_t>(pages) * 50;
  return MakePdf(text, true);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 5) {
    std::fputs("usage: gen_documents FOLDER [SIZE_MB] [SLIDES] [PAGES]\n", stderr);
    return 2;
  }
  const long sizeMb = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 20;
  const long slides = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 200;
  const long pages = argc > 4 ? std::strtol(argv[4], nullptr, 10) : 300;
  if (sizeMb <= 0 || sizeMb > 200 || slides <= 0 || slides > 10000 || pages <= 0 || pages > 10000) {
    std::fputs("gen_documents: SIZE_MB must be 1 to 200, SLIDES and PAGES 1 to 10000\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  const std::size_t bytes = static_cast<std::size_t>(sizeMb) << 20;
  std::size_t lines = 0;
  std::string document = Docx(bytes, lines);
  if (!Write(folder, "doc.docx", document, lines)) return 1;
  document = Xlsx(bytes, lines);
  if (!Write(folder, "sheet.xlsx", document, lines)) return 1;
  document = Pptx(static_cast<int>(slides), lines);
  if (!Write(folder, "slides.pptx", document, lines)) return 1;
  document = Odt(bytes / 4, lines);
  if (!Write(folder, "text.odt", document, lines)) return 1;
  document = Pdf(static_cast<int>(pages), lines);
  return Write(folder, "pages.pdf", document, lines) ? 0 : 1;
}
