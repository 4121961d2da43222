// Writer of the result report: lines of CP936 bytes, each ended by CR LF.
// Lines are collected in a buffer and written when it fills, when a file's
// scan ends and at Close, so a report costs a write call per 64 KiB instead
// of one per line. The file is locked while it is open, so that no other
// search truncates or deletes it and no viewer loads it half-written.
#pragma once

#include <cstddef>
#include <cstdint>
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

// The report's lines as bytes, for a writer that collects them before they
// go into the report (a worker of a parallel search): the same bytes that
// WriteHeader and WriteHitLine write, CR LF included.
void AppendHeaderLine(std::string& out, std::string_view path);
void AppendHitLine(std::string& out, std::int64_t lineNumber, std::string_view chars);

class ReportWriter {
 public:
  explicit ReportWriter(std::string path = {});
  // Closes the file; a failure then goes unnoticed.
  virtual ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Replaces the path; an open file is not touched. An empty path writes no
  // report at all (a search whose front end shows its findings instead).
  void SetFileName(std::string path);
  const std::string& FileName() const { return path_; }

  // Adds text up to its first zero byte, then CR LF. A CR or LF inside the
  // text is written as "?", the stand-in the code page uses for what it
  // cannot show, so that no file name or converted reference can start a
  // line of its own (a forged "Input file:" header). The first line creates
  // (or truncates) the file. When the file cannot be created the line is
  // lost and the next line tries again; when another search holds it, every
  // line of this search is lost, so that the other's report stays whole. A
  // failed write of the buffer throws ReportWriteError; what it held is lost.
  // After a failed write every line is written at once until a write
  // succeeds again, so that on a full disk each line fails where it is
  // written, as it would unbuffered.
  void WriteLine(std::string_view text);
  void WriteHeader(std::string_view path);
  // A hit line: the line number as "%-3d", one blank, then the characters,
  // copied straight into the buffer (never into a line of its own first, so
  // a huge line costs no extra copy).
  void WriteHitLine(std::int64_t lineNumber, std::string_view chars);
  // Lines made by AppendHeaderLine and AppendHitLine, written as they are.
  void WriteLines(std::string_view lines);
  // Writes what the buffer holds; throws ReportWriteError on failure.
  void Flush();
  // Flushes and closes the file, releasing it; throws ReportWriteError when
  // the last write or the close fails (the file is closed all the same).
  void Close();

  bool IsOpen() const { return file_.IsOpen(); }
  // True when fd is the open report itself, which a search must not read
  // while it writes it (the report may lie inside the scanned tree).
  bool IsReport(int fd) const;
  bool IsReport(const platform::FileIdentity& identity) const { return file_.IsOpen() && identity == identity_; }
  // Since the last SetFileName: some line was lost (the report could not be
  // created, another search held it, or a write failed), and whether the
  // cause was another search holding the report.
  bool Incomplete() const { return incomplete_; }
  bool HeldByAnother() const { return heldByAnother_; }
  // Since the last SetFileName: the file was created (a search that wrote no
  // line leaves no report).
  bool Created() const { return created_; }

 private:
  // Writes bytes straight to the file; throws ReportWriteError on failure.
  void WriteOut(std::string_view bytes);
  void ThrowIfFailing();
  static constexpr std::size_t kBufferSize = 64 * 1024;

  // Opens the file at the first line; false when the line is lost.
  bool EnsureOpen();
  // Appends bytes, flushing as the buffer fills; with CR and LF replaced
  // unless they are whole lines already.
  void Append(std::string_view bytes, bool lines = false);
  void EndLine();

  std::string path_;
  platform::OutputFile file_;
  platform::FileIdentity identity_;
  std::string buffer_;
  bool failing_ = false;        // the last write failed
  bool heldByAnother_ = false;  // another search writes this report
  bool incomplete_ = false;
  bool created_ = false;
};
