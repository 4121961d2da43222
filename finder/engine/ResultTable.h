// The per-file summary rows of one program run, in scan order. The engine
// appends a row for every file it read; the summary export reads them all at
// the end of each search.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ResultRow {
  std::string file;
  std::string firstChars;
  std::int64_t count = 0;
};

class ResultTable {
 public:
  virtual ~ResultTable() = default;

  void AddRow(const std::string& file, const std::string& firstChars, std::int64_t count) {
    rows_.push_back(ResultRow{file, firstChars, count});
  }
  const std::vector<ResultRow>& Rows() const { return rows_; }

 private:
  std::vector<ResultRow> rows_;
};
