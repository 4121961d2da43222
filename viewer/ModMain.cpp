#include "viewer/ModMain.h"

#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/LineReader.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"
#include "viewer/ModFile.h"
#include "viewer/support/ClsIni.h"
#include "viewer/support/RunTimeError.h"
#include "viewer/support/TextFunctions.h"

void LoadReport(const std::string& strReportPath, ClsObjMap& mapFiles, ListBoxItems& lstFileName) {
  constexpr std::string_view kHeader = platform::kReportHeader;
  const std::string nativePath = platform::ToNative(strReportPath);
  platform::LineReader reader;
  if (!reader.OpenNative(nativePath)) RaiseOpenError(reader.LastError(), nativePath);

  // F, R and T carry over from line to line: a line without a blank repeats
  // the previous row, which is what makes a duplicate key.
  std::string file, row, rest;
  // The row map of the current file, looked up once per header rather than
  // once per row; the file map only grows, so the answer cannot change.
  std::shared_ptr<ClsMap> rows;
  std::string_view line;
  while (reader.ReadLine(line)) {
    if (line.substr(0, kHeader.size()) == kHeader) {
      file = platform::TrimSpaces(line.substr(kHeader.size()));
      lstFileName.AddItem(file);
      rows.reset();
    }
    if (const std::size_t blank = line.find(' '); blank != std::string_view::npos) {
      row = platform::TrimSpaces(line.substr(0, blank));
      rest = line.substr(blank);
    }
    if (!IsNumeric(row)) continue;
    if (!rows) {
      rows = mapFiles.GetValue(file);
      if (!rows) {
        rows = std::make_shared<ClsMap>();
        mapFiles.Add(file, rows);
      }
    }
    rows->Add(row, rest);
  }
  if (reader.LastError() != 0) RaiseOpenError(reader.LastError(), nativePath);
}

RefreshResult RefreshReport(const std::string& strReportPath, ClsObjMap& mapFiles, ListBoxItems& lstFileName) {
  RefreshResult result;
  if (!CanOpenFile(strReportPath)) return result;
  result.reportOpened = true;
  mapFiles = ClsObjMap();
  try {
    LoadReport(strReportPath, mapFiles, lstFileName);
  } catch (const RunTimeError& error) {
    result.loadError = error.what();
  }
  return result;
}

std::string gAppPath;
std::unique_ptr<ClsIni> gIni;

void InitIniFile() {
  gAppPath = GetModuleDirectory();
  if (gAppPath.empty() || gAppPath.back() != '/') gAppPath += '/';
  if (!gIni) gIni = std::make_unique<ClsIni>();
  gIni->IniFileName(WritableFilePath("Tallyview.ini", UserFileKind::Settings));
}

std::string ReportPathFromArgument(std::string_view nativeArgument) {
  std::string path = platform::Utf8ToAnsiOrRaw(nativeArgument);
  if (path.empty() || path.front() == '/' || platform::IsDrivePath(path)) return path;
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).native();
  if (error) return path;
  return platform::Utf8ToAnsiOrRaw(folder) + (folder.ends_with('/') ? "" : "/") + path;
}
