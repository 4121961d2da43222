// Cells named as a spreadsheet names them: "Sheet1!B7", "'价格 表'!B7".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textifier {

// "A" for column 1, "Z" for 26, "AA" for 27.
std::string ColumnName(std::uint64_t column);
// "B7" from "B7" or "$B$7"; false when reference names no cell.
bool ParseCellName(std::string_view reference, std::uint64_t& column, std::uint64_t& row);
// The sheet name as a formula writes it before "!": in single quotes (a
// quote doubled) unless it is one word of letters, digits, "_" and "." that
// starts with no digit and could be no cell name ("A1", "R1C1").
std::string QuotedSheetName(std::string_view name);
// "Sheet1!B7", or "Sheet1!B7:D9" for a range of more than one cell.
std::string CellLocator(std::string_view quotedSheet, std::uint64_t column, std::uint64_t row,
                        std::uint64_t lastColumn = 0, std::uint64_t lastRow = 0);

}  // namespace textifier
