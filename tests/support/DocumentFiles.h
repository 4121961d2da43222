// Documents built from scratch for the converter's tests, its fuzz corpus and
// its benchmark: zip containers of XML parts written by the caller, the
// package frame of Office Open XML around them, and PDFs of text lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

using Parts = std::vector<std::pair<std::string, std::string>>;

// A zip archive of the parts in order, deflated (or stored); with a password
// each entry is AES-encrypted. Empty when libzip fails.
std::string MakeZip(const Parts& parts, bool deflate = true, const char* password = nullptr);

// Namespace declarations of the Office Open XML elements the tests write:
// w:, a:, p:, r:, mc: and the spreadsheet's default namespace as x:.
extern const char kOfficeNamespaces[];
// The relationships part listing (id, type, target); type is the last word
// of the relationship type ("officeDocument", "header", "slide").
std::string RelationshipsXml(const std::vector<std::vector<std::string>>& relationships);

// A PDF of pages of UTF-8 lines, in a font whose codes are the characters'
// UTF-16 units mapped by the predefined CMap UniGB-UCS2-H (poppler-data maps
// them back to Unicode), or, with toUnicode, one whose codes a ToUnicode CMap
// of the file maps (for characters beyond the Basic Multilingual Plane).
std::string MakePdf(const std::vector<std::vector<std::string>>& pages, bool toUnicode = false);
