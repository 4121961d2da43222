// Reads the cells of the first sheet of a workbook written by the export, so
// that tests check what a spreadsheet program would show.
#pragma once

#include <map>
#include <string>

struct WorkbookCells {
  bool ok = false;                          // the file is a readable workbook
  std::map<std::string, std::string> text;  // "A1" -> cell text (UTF-8)
  std::map<std::string, bool> bold;         // "A1" -> cell shown in bold
  bool allText = true;                      // every cell holds a string, no number
};

WorkbookCells ReadWorkbook(const std::string& nativePath);
