// The per-file summary rows of one program run and their export into the
// summary workbook "~report.xls" in the finder's directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "finder/export/MessageSink.h"

struct ResultRow {
  std::string file;
  std::string firstChars;
  std::int64_t count = 0;
};

class ResultTable {
 public:
  // The workbook lies in the module directory.
  ResultTable();
  // For tests and other front ends: the workbook at an explicit path.
  explicit ResultTable(std::string workbookPath);
  virtual ~ResultTable() = default;

  void AddRow(const std::string& file, const std::string& firstChars, std::int64_t count);
  const std::vector<ResultRow>& Rows() const { return rows_; }
  const std::string& WorkbookPath() const { return workbookPath_; }
  // Tests keep their workbooks apart with it.
  void SetWorkbookPath(std::string path) { workbookPath_ = std::move(path); }

  // Messages of the export go here; none are shown while it is unset.
  void SetMessageSink(MessageSink* sink) { sink_ = sink; }

  // Writes every row collected so far into a new workbook. Never throws;
  // every outcome is told through the message sink.
  void Export();

 private:
  void Show(const std::string& text, MessageKind kind);

  std::string workbookPath_;
  std::vector<ResultRow> rows_;
  MessageSink* sink_ = nullptr;
};
