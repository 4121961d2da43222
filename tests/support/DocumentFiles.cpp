#include "tests/support/DocumentFiles.h"

#include <zip.h>

#include <cstdio>
#include <map>

const char kOfficeNamespaces[] =
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
    R"(xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" )"
    R"(xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")";

std::string MakeZip(const Parts& parts, bool deflate, const char* password) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* zip = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
  zip_error_fini(&error);
  if (!zip) {
    if (buffer) zip_source_free(buffer);
    return {};
  }
  zip_source_keep(buffer);
  bool ok = true;
  for (const auto& [name, content] : parts) {
    zip_source_t* source = zip_source_buffer(zip, content.data(), content.size(), 0);
    const zip_int64_t index = source ? zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (source) zip_source_free(source);
      ok = false;
      continue;
    }
    const auto at = static_cast<zip_uint64_t>(index);
    ok = ok && zip_set_file_compression(zip, at, deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) == 0;
    if (password) ok = ok && zip_file_set_encryption(zip, at, ZIP_EM_AES_256, password) == 0;
  }
  std::string bytes;
  if (zip_close(zip) != 0) {
    zip_discard(zip);
    ok = false;
  } else if (zip_source_open(buffer) == 0) {
    char chunk[1 << 16];
    for (zip_int64_t got; (got = zip_source_read(buffer, chunk, sizeof chunk)) > 0;)
      bytes.append(chunk, static_cast<std::size_t>(got));
    zip_source_close(buffer);
  }
  zip_source_free(buffer);
  return ok ? bytes : std::string();
}

std::string RelationshipsXml(const std::vector<std::vector<std::string>>& relationships) {
  std::string xml =
      R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
  for (const auto& r : relationships)
    xml += R"(<Relationship Id=")" + r[0] +
           R"(" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/)" + r[1] +
           R"(" Target=")" + r[2] + R"("/>)";
  return xml + "</Relationships>";
}

namespace {

std::u32string Decode(const std::string& utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (int k = 1; k < n && i + k < utf8.size(); ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out += c;
    i += static_cast<std::size_t>(n);
  }
  return out;
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
  return text;
}

std::string Utf16Hex(char32_t c) {
  if (c < 0x10000) return Hex4(static_cast<unsigned>(c));
  const char32_t v = c - 0x10000;
  return Hex4(0xD800 + (v >> 10)) + Hex4(0xDC00 + (v & 0x3FF));
}

}  // namespace

std::string MakePdf(const std::vector<std::vector<std::string>>& pages, bool toUnicode) {
  // With a ToUnicode CMap every character gets a code of its own, 1 up.
  std::map<char32_t, unsigned> codes;
  auto code = [&](char32_t c) {
    if (!toUnicode) return static_cast<unsigned>(c);
    return codes.emplace(c, static_cast<unsigned>(codes.size() + 1)).first->second;
  };
  std::vector<std::string> contents;
  for (const auto& lines : pages) {
    std::string stream = "BT /F1 12 Tf 14 TL 40 800 Td\n";
    for (const std::string& line : lines) {
      stream += "<";
      for (char32_t c : Decode(line)) stream += Hex4(code(c));
      stream += "> Tj T*\n";
    }
    contents.push_back(stream + "ET\n");
  }

  std::vector<std::string> objects;  // object n is objects[n - 1]
  const std::size_t pageCount = pages.size();
  std::string kids;
  for (std::size_t i = 0; i < pageCount; ++i) kids += std::to_string(5 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageCount) + " >>");
  const std::string system = toUnicode ? "/Registry (Adobe) /Ordering (Identity) /Supplement 0"
                                       : "/Registry (Adobe) /Ordering (GB1) /Supplement 4";
  objects.push_back(std::string("<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light /Encoding ") +
                    (toUnicode ? "/Identity-H /ToUnicode 4 0 R" : "/UniGB-UCS2-H") +
                    " /DescendantFonts [<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light"
                    " /CIDSystemInfo << " +
                    system + " >> /DW 1000 /FontDescriptor << /Type /FontDescriptor /FontName /STSong-Light"
                             " /Flags 6 /FontBBox [0 -200 1000 900] /ItalicAngle 0 /Ascent 880 /Descent -120"
                             " /CapHeight 880 /StemV 80 >> >>] >>");
  std::string cmap =
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /Glyphwell def /CMapType 2 def\n"
      "1 begincodespacerange <0000> <FFFF> endcodespacerange\n";
  std::vector<std::pair<char32_t, unsigned>> mapped(codes.begin(), codes.end());
  for (std::size_t from = 0; from < mapped.size(); from += 100) {
    const std::size_t to = std::min(mapped.size(), from + 100);
    cmap += std::to_string(to - from) + " beginbfchar\n";
    for (std::size_t i = from; i < to; ++i)
      cmap += "<" + Hex4(mapped[i].second) + "> <" + Utf16Hex(mapped[i].first) + ">\n";
    cmap += "endbfchar\n";
  }
  cmap += "endcmap CMapName currentdict /CMap defineresource pop end end\n";
  objects.push_back("<< /Length " + std::to_string(cmap.size()) + " >>\nstream\n" + cmap + "endstream");
  for (std::size_t i = 0; i < pageCount; ++i) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R >> >>"
                      " /Contents " +
                      std::to_string(6 + 2 * i) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(contents[i].size()) + " >>\nstream\n" + contents[i] +
                      "endstream");
  }

  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}
