#include "tests/support/Workbook.h"

#include <zip.h>

#include <optional>
#include <string_view>
#include <vector>

namespace {

using std::string;
using std::string_view;
constexpr auto npos = string_view::npos;

// A spreadsheet program refuses a part holding raw control bytes or broken UTF-8.
bool IsXmlText(string_view xml) {
  for (std::size_t i = 0; i < xml.size();) {
    const auto lead = static_cast<unsigned char>(xml[i]);
    if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') return false;
    std::size_t length = lead < 0x80 ? 1 : lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || xml.size() - i < length) return false;
    while (--length > 0)
      if ((static_cast<unsigned char>(xml[++i]) & 0xC0) != 0x80) return false;
    ++i;
  }
  return true;
}

std::optional<string> ReadPart(zip_t* archive, const char* name) {
  zip_stat_t stat;
  zip_file_t* file = zip_stat(archive, name, 0, &stat) == 0 ? zip_fopen(archive, name, 0) : nullptr;
  if (!file) return std::nullopt;
  string bytes(stat.size, '\0');
  const bool whole = zip_fread(file, bytes.data(), bytes.size()) == static_cast<zip_int64_t>(stat.size);
  return zip_fclose(file) == 0 && whole && IsXmlText(bytes) ? std::optional(bytes) : std::nullopt;
}

void AppendUtf8(string& out, unsigned long cp) {
  const int extra = cp < 0x80 ? 0 : cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
  out += static_cast<char>(extra == 0 ? cp : ((0xFF00 >> (extra + 1)) & 0xFF) | (cp >> (6 * extra)));
  for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
}

// Resolves entity and character references and the "_xHHHH_" cell escapes.
string Decode(string_view raw) {
  string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::size_t end = raw[i] == '&' ? raw.find(';', i) : npos;
    const string name(end == npos ? "" : raw.substr(i + 1, end - i - 1));
    const bool escape = raw.substr(i, 2) == "_x" && raw.size() > i + 6 && raw[i + 6] == '_' &&
                        raw.find_first_not_of("0123456789abcdefABCDEF", i + 2) == i + 6;
    if (escape) AppendUtf8(out, std::stoul(string(raw.substr(i + 2, 4)), nullptr, 16)), i += 6;
    else if (end == npos) out += raw[i];
    else if (name[0] == '#') AppendUtf8(out, std::stoul(name.substr(name[1] == 'x' ? 2 : 1), nullptr, name[1] == 'x' ? 16 : 10));
    else out += name == "amp" ? '&' : name == "lt" ? '<' : name == "gt" ? '>' : name == "quot" ? '"' : name == "apos" ? '\'' : throw name;
    if (end != npos) i = end;
  }
  return out;
}

// The start tag and the content of every <name ...> element of xml.
struct Element { string_view tag, content; };
std::vector<Element> Elements(string_view xml, const string& name) {
  std::vector<Element> found;
  for (std::size_t at = xml.find("<" + name); at != npos; at = xml.find("<" + name, at + 1)) {
    const std::size_t tagEnd = xml.find('>', at);
    if (tagEnd == npos) throw name;
    if (string_view(" />").find(xml[at + name.size() + 1]) == npos) continue;  // <fonts> when looking for <font>
    const std::size_t end = xml[tagEnd - 1] == '/' ? tagEnd + 1 : xml.find("</" + name + ">", tagEnd);
    if (end == npos) throw name;
    found.push_back({xml.substr(at, tagEnd - at), xml.substr(tagEnd + 1, end - tagEnd - 1)});
  }
  return found;
}

string Attribute(const Element& element, const string& name, const string& fallback = "") {
  const std::size_t at = element.tag.find(" " + name + "=\""), begin = at + name.size() + 3;
  return at == npos ? fallback : string(element.tag.substr(begin, element.tag.find('"', begin) - begin));
}

string Texts(string_view xml) {
  string text;
  for (const Element& t : Elements(xml, "t")) text += Decode(t.content);
  return text;
}

}  // namespace

WorkbookCells ReadWorkbook(const std::string& nativePath) {
  WorkbookCells cells;
  zip_t* archive = zip_open(nativePath.c_str(), ZIP_RDONLY, nullptr);
  if (!archive) return cells;
  const auto shared = ReadPart(archive, "xl/sharedStrings.xml"), sheet = ReadPart(archive, "xl/worksheets/sheet1.xml"),
             styles = ReadPart(archive, "xl/styles.xml");
  zip_close(archive);
  if (!shared || !sheet || !styles) return cells;
  try {
    std::vector<string> strings;
    for (const Element& si : Elements(*shared, "si")) strings.push_back(Texts(si.content));
    std::vector<bool> boldFonts, boldFormats;
    for (const Element& fonts : Elements(*styles, "fonts"))
      for (const Element& font : Elements(fonts.content, "font")) boldFonts.push_back(font.content.find("<b/>") != npos);
    for (const Element& xfs : Elements(*styles, "cellXfs"))
      for (const Element& xf : Elements(xfs.content, "xf")) boldFormats.push_back(boldFonts.at(std::stoul(Attribute(xf, "fontId", "0"))));
    for (const Element& c : Elements(*sheet, "c")) {
      const string ref = Attribute(c, "r"), type = Attribute(c, "t", "n");
      const std::vector<Element> value = Elements(c.content, "v");
      cells.bold[ref] = boldFormats.at(std::stoul(Attribute(c, "s", "0")));
      if (type == "s") cells.text[ref] = strings.at(std::stoul(string(value.at(0).content)));
      else if (type == "inlineStr") cells.text[ref] = Texts(c.content);
      else if (!value.empty()) cells.text[ref] = Decode(value[0].content), cells.allText = cells.allText && type == "str";
    }
    cells.ok = true;
  } catch (...) {  // a broken reference or number: no workbook a spreadsheet program reads
  }
  return cells;
}
