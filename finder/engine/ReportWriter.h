// Writer of the result report: lines of CP936 bytes, each ended by CR LF,
// written through to the file at once.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/FileSearch.h"

// A write to an open report failed (a full disk, an I/O error).
class ReportWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ReportWriter {
 public:
  explicit ReportWriter(std::string path = {});
  virtual ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Replaces the path; an open file is not touched.
  void SetFileName(std::string path);
  const std::string& FileName() const { return path_; }

  // Writes text up to its first zero byte, then CR LF. The first line creates
  // (or truncates) the file. When the file cannot be created the line is lost
  // and the next line tries again; a failed write throws ReportWriteError.
  void WriteLine(std::string_view text);
  void WriteHeader(std::string_view path);
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  // True when fd is the open report itself, which a search must not read
  // while it writes it (the report may lie inside the scanned tree).
  bool IsReport(int fd) const;
  // Lines lost since the last SetFileName, because the file could not be
  // created or a write failed. The terminal front end reports them.
  long LostLines() const { return lostLines_; }

 private:
  std::string path_;
  int fd_ = -1;
  platform::FileIdentity identity_;
  std::string line_;  // reused, so a line costs one write and no allocation
  long lostLines_ = 0;
};
