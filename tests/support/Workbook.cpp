#include "tests/support/Workbook.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <zip.h>

#include <memory>
#include <vector>

namespace {

using std::string;
using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

// A part of the archive, parsed; none when it is missing or not well-formed
// XML (raw control bytes, broken UTF-8: what a spreadsheet program refuses).
Document ReadPart(zip_t* archive, const char* name) {
  zip_stat_t stat;
  zip_file_t* file = zip_stat(archive, name, 0, &stat) == 0 ? zip_fopen(archive, name, 0) : nullptr;
  if (!file) return {nullptr, xmlFreeDoc};
  string bytes(stat.size, '\0');
  const bool whole = zip_fread(file, bytes.data(), bytes.size()) == static_cast<zip_int64_t>(stat.size);
  if (zip_fclose(file) != 0 || !whole) return {nullptr, xmlFreeDoc};
  return {xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), name, nullptr,
                        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
          xmlFreeDoc};
}

// The elements of that name below node, at any depth, in document order.
std::vector<xmlNode*> All(xmlNode* node, const char* name, std::vector<xmlNode*> found = {}) {
  for (xmlNode* child = node ? node->children : nullptr; child; child = child->next)
    if (child->type == XML_ELEMENT_NODE) {
      if (xmlStrEqual(child->name, BAD_CAST name)) found.push_back(child);
      found = All(child, name, std::move(found));
    }
  return found;
}

string Attribute(xmlNode* node, const char* name, const char* fallback = "") {
  xmlChar* value = xmlGetProp(node, BAD_CAST name);
  const string text = value ? reinterpret_cast<const char*>(value) : fallback;
  xmlFree(value);
  return text;
}

void AppendUtf8(string& out, unsigned long cp) {
  const int extra = cp < 0x80 ? 0 : cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
  out += static_cast<char>(extra == 0 ? cp : ((0xFF00 >> (extra + 1)) & 0xFF) | (cp >> (6 * extra)));
  for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
}

// The text below node, with the "_xHHHH_" cell escapes resolved.
string Text(xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  const string raw = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw.compare(i, 2, "_x") == 0 && raw.size() > i + 6 && raw[i + 6] == '_' &&
        raw.find_first_not_of("0123456789abcdefABCDEF", i + 2) == i + 6) {
      AppendUtf8(out, std::stoul(raw.substr(i + 2, 4), nullptr, 16));
      i += 6;
    } else {
      out += raw[i];
    }
  }
  return out;
}

}  // namespace

WorkbookCells ReadWorkbook(const std::string& nativePath) {
  WorkbookCells cells;
  zip_t* archive = zip_open(nativePath.c_str(), ZIP_RDONLY, nullptr);
  if (!archive) return cells;
  const Document shared = ReadPart(archive, "xl/sharedStrings.xml"),
                 sheet = ReadPart(archive, "xl/worksheets/sheet1.xml"), styles = ReadPart(archive, "xl/styles.xml");
  zip_close(archive);
  if (!shared || !sheet || !styles) return cells;
  try {
    std::vector<string> strings;
    for (xmlNode* si : All(xmlDocGetRootElement(shared.get()), "si")) strings.push_back(Text(si));
    std::vector<bool> boldFonts, boldFormats;
    for (xmlNode* font : All(All(xmlDocGetRootElement(styles.get()), "fonts").at(0), "font"))
      boldFonts.push_back(!All(font, "b").empty());
    for (xmlNode* xf : All(All(xmlDocGetRootElement(styles.get()), "cellXfs").at(0), "xf"))
      boldFormats.push_back(boldFonts.at(std::stoul(Attribute(xf, "fontId", "0"))));
    for (xmlNode* c : All(xmlDocGetRootElement(sheet.get()), "c")) {
      const string ref = Attribute(c, "r"), type = Attribute(c, "t", "n");
      const std::vector<xmlNode*> value = All(c, "v");
      cells.bold[ref] = boldFormats.at(std::stoul(Attribute(c, "s", "0")));
      if (type == "s") cells.text[ref] = strings.at(std::stoul(Text(value.at(0))));
      else if (type == "inlineStr") cells.text[ref] = Text(c);
      else if (!value.empty()) cells.text[ref] = Text(value[0]), cells.allText = cells.allText && type == "str";
    }
    cells.ok = true;
  } catch (...) {  // a broken reference or number: no workbook a spreadsheet program reads
  }
  return cells;
}
