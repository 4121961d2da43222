// Writer of the result report: lines of CP936 bytes, each ended by CR LF.
// Lines are collected in a buffer and written when it fills, when a file's
// scan ends and at Close, so a report costs a write call per 64 KiB instead
// of one per line. The file is locked while it is open, so that no other
// search truncates or deletes it and no viewer loads it half-written.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/FileSearch.h"
#include "platform/Files.h"

// A write to an open report failed (a full disk, an I/O error).
class ReportWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ReportWriter {
 public:
  explicit ReportWriter(std::string path = {});
  // Closes the file; a failure then goes unnoticed.
  virtual ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Replaces the path; an open file is not touched.
  void SetFileName(std::string path);
  const std::string& FileName() const { return path_; }

  // Adds text up to its first zero byte, then CR LF. The first line creates
  // (or truncates) the file. When the file cannot be created the line is
  // lost and the next line tries again; when another search holds it, every
  // line of this search is lost, so that the other's report stays whole. A
  // failed write of the buffer throws ReportWriteError; what it held is lost.
  // After a failed write every line is written at once until a write
  // succeeds again, so that on a full disk each line fails where it is
  // written, as it would unbuffered.
  void WriteLine(std::string_view text);
  void WriteHeader(std::string_view path);
  // Writes what the buffer holds; throws ReportWriteError on failure.
  void Flush();
  // Flushes and closes the file, releasing it; throws ReportWriteError when
  // the last write or the close fails (the file is closed all the same).
  void Close();

  bool IsOpen() const { return file_.IsOpen(); }
  // True when fd is the open report itself, which a search must not read
  // while it writes it (the report may lie inside the scanned tree).
  bool IsReport(int fd) const;
  // Lines lost since the last SetFileName, because the file could not be
  // created or a write failed. The terminal front end reports them.
  long LostLines() const { return lostLines_; }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  std::string path_;
  platform::OutputFile file_;
  platform::FileIdentity identity_;
  std::string buffer_;
  long bufferedLines_ = 0;
  bool failing_ = false;       // the last write failed
  bool heldByAnother_ = false;  // another search writes this report
  long lostLines_ = 0;
};
