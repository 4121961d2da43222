#include "tests/support/Workbook.h"

#include <zip.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace {

std::optional<std::string> ReadEntry(zip_t* archive, const char* name) {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat(archive, name, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) return std::nullopt;
  zip_file_t* file = zip_fopen(archive, name, 0);
  if (!file) return std::nullopt;
  std::string bytes(stat.size, '\0');
  const zip_int64_t got = zip_fread(file, bytes.data(), bytes.size());
  zip_fclose(file);
  if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size) return std::nullopt;
  return bytes;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// A spreadsheet program refuses a part that is not well-formed XML 1.0 text:
// raw control characters and broken UTF-8 are the faults a writer can make.
bool IsXmlText(std::string_view xml) {
  for (std::size_t i = 0; i < xml.size();) {
    const auto lead = static_cast<unsigned char>(xml[i]);
    if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') return false;
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || xml.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(xml[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// Resolves entity and character references.
std::string DecodeXml(std::string_view raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::size_t end = raw[i] == '&' ? raw.find(';', i) : std::string_view::npos;
    if (end == std::string_view::npos) {
      out += raw[i];
      continue;
    }
    const std::string_view name = raw.substr(i + 1, end - i - 1);
    if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "amp") out += '&';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      AppendUtf8(out, static_cast<char32_t>(std::stoul(std::string(name.substr(hex ? 2 : 1)), nullptr, hex ? 16 : 10)));
    } else {
      out.append(raw.substr(i, end - i + 1));
    }
    i = end;
  }
  return out;
}

// Resolves the "_xHHHH_" escapes of cell texts, which stand for UTF-16 units.
std::string DecodeCellEscapes(std::string_view text) {
  const auto unitAt = [&](std::size_t i) -> std::optional<char32_t> {
    if (text.size() - i < 7 || text.substr(i, 2) != "_x" || text[i + 6] != '_') return std::nullopt;
    char32_t unit = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
      const char c = text[k];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return std::nullopt;
      unit = unit * 16 + static_cast<char32_t>(digit);
    }
    return unit;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::optional<char32_t> unit = unitAt(i);
    if (!unit) {
      out += text[i++];
      continue;
    }
    i += 7;
    if (*unit >= 0xD800 && *unit <= 0xDBFF) {
      const std::optional<char32_t> low = i < text.size() ? unitAt(i) : std::nullopt;
      if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
        i += 7;
        continue;
      }
    }
    AppendUtf8(out, *unit >= 0xD800 && *unit <= 0xDFFF ? 0xFFFD : *unit);
  }
  return out;
}

// A pull reader for the small, regular XML that workbook parts hold.
class XmlReader {
 public:
  enum class Event { Start, End, Text, Done, Error };

  explicit XmlReader(std::string_view xml) : xml_(xml) {}

  Event Next() {
    attributes_.clear();
    if (pos_ >= xml_.size()) return Event::Done;
    if (xml_[pos_] != '<') {
      const std::size_t end = std::min(xml_.find('<', pos_), xml_.size());
      text_ = DecodeXml(xml_.substr(pos_, end - pos_));
      pos_ = end;
      return Event::Text;
    }
    if (xml_.compare(pos_, 9, "<![CDATA[") == 0) {
      const std::size_t end = xml_.find("]]>", pos_);
      if (end == std::string_view::npos) return Event::Error;
      text_ = std::string(xml_.substr(pos_ + 9, end - pos_ - 9));
      pos_ = end + 3;
      return Event::Text;
    }
    if (xml_.compare(pos_, 2, "<?") == 0 || xml_.compare(pos_, 2, "<!") == 0) {
      const std::size_t end = xml_.find('>', pos_);
      if (end == std::string_view::npos) return Event::Error;
      pos_ = end + 1;
      return Next();
    }
    const std::size_t end = xml_.find('>', pos_);
    if (end == std::string_view::npos) return Event::Error;
    std::string_view tag = xml_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    const bool closing = !tag.empty() && tag.front() == '/';
    if (closing) tag.remove_prefix(1);
    selfClosing_ = !tag.empty() && tag.back() == '/';
    if (selfClosing_) tag.remove_suffix(1);
    const std::size_t nameEnd = std::min(tag.find_first_of(" \t\r\n"), tag.size());
    name_ = LocalName(tag.substr(0, nameEnd));
    if (!ParseAttributes(tag.substr(nameEnd))) return Event::Error;
    return closing ? Event::End : Event::Start;
  }

  const std::string& Name() const { return name_; }
  const std::string& Text() const { return text_; }
  bool SelfClosing() const { return selfClosing_; }
  std::optional<std::string> Attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes_) {
      if (key == name) return value;
    }
    return std::nullopt;
  }

 private:
  static std::string LocalName(std::string_view qualified) {
    const std::size_t colon = qualified.find(':');
    return std::string(colon == std::string_view::npos ? qualified : qualified.substr(colon + 1));
  }

  bool ParseAttributes(std::string_view rest) {
    for (;;) {
      const std::size_t start = rest.find_first_not_of(" \t\r\n");
      if (start == std::string_view::npos) return true;
      const std::size_t eq = rest.find('=', start);
      if (eq == std::string_view::npos || eq + 1 >= rest.size()) return false;
      const char quote = rest[eq + 1];
      const std::size_t close = rest.find(quote, eq + 2);
      if ((quote != '"' && quote != '\'') || close == std::string_view::npos) return false;
      std::string key(rest.substr(start, eq - start));
      while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
      attributes_.emplace_back(key, DecodeXml(rest.substr(eq + 2, close - eq - 2)));
      rest.remove_prefix(close + 1);
    }
  }

  std::string_view xml_;
  std::size_t pos_ = 0;
  std::string name_;
  std::string text_;
  bool selfClosing_ = false;
  std::vector<std::pair<std::string, std::string>> attributes_;
};

bool ReadSharedStrings(std::string_view xml, std::vector<std::string>& strings) {
  XmlReader reader(xml);
  bool inText = false;
  int phoneticDepth = 0;  // phonetic runs are not part of the shown text
  for (;;) {
    switch (reader.Next()) {
      case XmlReader::Event::Done: return true;
      case XmlReader::Event::Error: return false;
      case XmlReader::Event::Start:
        if (reader.Name() == "si") strings.emplace_back();
        if (reader.Name() == "rPh" && !reader.SelfClosing()) ++phoneticDepth;
        if (reader.Name() == "t" && !reader.SelfClosing()) inText = true;
        break;
      case XmlReader::Event::End:
        if (reader.Name() == "rPh") --phoneticDepth;
        if (reader.Name() == "t") inText = false;
        break;
      case XmlReader::Event::Text:
        if (inText && phoneticDepth == 0 && !strings.empty()) strings.back() += DecodeCellEscapes(reader.Text());
        break;
    }
  }
}

// Whether each cell format (the "s" index of a cell) shows its text in bold.
bool ReadBoldFormats(std::string_view xml, std::vector<bool>& boldByFormat) {
  XmlReader reader(xml);
  std::vector<bool> boldFonts;
  std::string section;
  for (;;) {
    switch (reader.Next()) {
      case XmlReader::Event::Done: return true;
      case XmlReader::Event::Error: return false;
      case XmlReader::Event::Start:
        // The schema puts the fonts before the cell formats that refer to them.
        if (reader.Name() == "fonts" || reader.Name() == "cellXfs" || reader.Name() == "cellStyleXfs") section = reader.Name();
        if (section == "fonts" && reader.Name() == "font") boldFonts.push_back(false);
        if (section == "fonts" && reader.Name() == "b" && !boldFonts.empty()) {
          const std::string value = reader.Attribute("val").value_or("1");
          boldFonts.back() = value != "0" && value != "false";
        }
        if (section == "cellXfs" && reader.Name() == "xf") {
          const std::size_t font = std::stoul(reader.Attribute("fontId").value_or("0"));
          boldByFormat.push_back(font < boldFonts.size() && boldFonts[font]);
        }
        break;
      case XmlReader::Event::End:
        if (reader.Name() == section) section.clear();
        break;
      case XmlReader::Event::Text: break;
    }
  }
}

bool ReadSheet(std::string_view xml, const std::vector<std::string>& strings, const std::vector<bool>& boldByFormat,
               WorkbookCells& cells) {
  XmlReader reader(xml);
  std::string ref, type, value, inlineText;
  std::size_t format = 0;
  bool hasValue = false;
  std::string element;  // the text-carrying element we are in: "v" or "t"
  const auto finishCell = [&]() -> bool {
    cells.bold[ref] = format < boldByFormat.size() && boldByFormat[format];
    if (type == "s") {
      if (!hasValue) return false;
      const std::size_t index = std::stoul(value);
      if (index >= strings.size()) return false;
      cells.text[ref] = strings[index];
    } else if (type == "inlineStr") {
      cells.text[ref] = inlineText;
    } else if (type == "str") {
      cells.text[ref] = value;
    } else if (hasValue) {
      cells.text[ref] = value;
      cells.allText = false;
    }
    return true;
  };
  for (;;) {
    switch (reader.Next()) {
      case XmlReader::Event::Done: return true;
      case XmlReader::Event::Error: return false;
      case XmlReader::Event::Start:
        if (reader.Name() == "c") {
          ref = reader.Attribute("r").value_or("");
          type = reader.Attribute("t").value_or("n");
          format = std::stoul(reader.Attribute("s").value_or("0"));
          value.clear();
          inlineText.clear();
          hasValue = false;
          if (ref.empty()) return false;
          if (reader.SelfClosing() && !finishCell()) return false;
        } else if ((reader.Name() == "v" || reader.Name() == "t") && !reader.SelfClosing()) {
          element = reader.Name();
          if (element == "v") hasValue = true;
        }
        break;
      case XmlReader::Event::End:
        if (reader.Name() == "c" && !finishCell()) return false;
        if (reader.Name() == element) element.clear();
        break;
      case XmlReader::Event::Text:
        if (element == "v") value += reader.Text();
        if (element == "t") inlineText += DecodeCellEscapes(reader.Text());
        break;
    }
  }
}

}  // namespace

WorkbookCells ReadWorkbook(const std::string& nativePath) {
  WorkbookCells cells;
  int error = 0;
  zip_t* archive = zip_open(nativePath.c_str(), ZIP_RDONLY, &error);
  if (!archive) return cells;
  const std::optional<std::string> sheet = ReadEntry(archive, "xl/worksheets/sheet1.xml");
  const std::optional<std::string> shared = ReadEntry(archive, "xl/sharedStrings.xml");
  const std::optional<std::string> styles = ReadEntry(archive, "xl/styles.xml");
  zip_close(archive);
  if (!sheet) return cells;

  std::vector<std::string> strings;
  std::vector<bool> boldByFormat;
  try {
    for (const std::optional<std::string>* part : {&sheet, &shared, &styles}) {
      if (*part && !IsXmlText(**part)) return cells;
    }
    if (shared && !ReadSharedStrings(*shared, strings)) return cells;
    if (styles && !ReadBoldFormats(*styles, boldByFormat)) return cells;
    cells.ok = ReadSheet(*sheet, strings, boldByFormat, cells);
  } catch (const std::exception&) {
    // A number attribute that is not a number: not a workbook we can read.
    cells.ok = false;
  }
  return cells;
}
