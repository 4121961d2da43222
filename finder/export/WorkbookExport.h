// The summary workbook "~report.xls": every row of the program run under the
// titles "FileName", "中文" and "字数", written anew at the end of each search.
#pragma once

#include <string>

#include "finder/engine/ResultTable.h"
#include "finder/engine/Sinks.h"

class WorkbookExport : public SummaryExport {
 public:
  // The workbook lies in the module directory.
  WorkbookExport();
  // For tests and other front ends: the workbook at an explicit path.
  explicit WorkbookExport(std::string workbookPath);

  const std::string& WorkbookPath() const { return workbookPath_; }
  // Messages of the export go here; none are shown while it is unset.
  void SetMessageSink(MessageSink* sink) { sink_ = sink; }

  // Writes every row of table into a new workbook. Never throws; every
  // outcome is told through the message sink, but for a failed write, which
  // ends silently (the front ends say it from the search's outcome).
  ExportStatus Export(const ResultTable& table) override;
  std::string Destination() const override { return workbookPath_; }

 private:
  void Show(const std::string& text, MessageKind kind);

  std::string workbookPath_;
  MessageSink* sink_ = nullptr;
};
