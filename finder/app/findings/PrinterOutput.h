// The printers' shared output: a large buffer handed to fwrite in big
// pieces, since a scan may print millions of short lines.
#pragma once

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "finder/app/findings/FindingPrinter.h"

namespace findings {

class PrinterOutput {
 public:
  explicit PrinterOutput(std::FILE* out) : out_(out) { buffer_.reserve(kFlushAt + 64 * 1024); }
  PrinterOutput(const PrinterOutput&) = delete;
  PrinterOutput& operator=(const PrinterOutput&) = delete;

  // Appended to directly by the printers and the escaping functions.
  std::string& Buffer() { return buffer_; }
  void Append(std::string_view text) { buffer_.append(text); }
  void Append(char c) { buffer_ += c; }
  void AppendNumber(std::int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, result.ptr);
  }
  // Writes the buffer out once it is large; call after each finding.
  void MaybeFlush() {
    if (buffer_.size() >= kFlushAt) Flush();
  }
  // Writes out what is buffered and flushes the stream; false once anything
  // could not be written.
  bool Finish() {
    Flush();
    if (!failed_ && (std::fflush(out_) != 0 || std::ferror(out_))) Fail();
    return !failed_;
  }
  bool Failed() const { return failed_; }
  bool Closed() const { return closed_; }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;

  void Flush() {
    if (!failed_ && !buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size()) Fail();
    buffer_.clear();
  }

  void Fail() {
    failed_ = true;
    closed_ = errno == EPIPE;
  }

  std::FILE* out_;
  std::string buffer_;
  bool failed_ = false;
  bool closed_ = false;
};

// The format makers behind MakePrinter, one per source file.
std::unique_ptr<FindingPrinter> MakeSarifPrinter(std::FILE* out, const PrinterOptions& options);

// A finding's labels before its text: "[comment,log] ".
inline void AppendLabelPrefix(std::string& out, const Finding& finding) {
  out += '[';
  for (std::size_t k = 0; k < finding.context.size(); ++k) {
    if (k > 0) out += ',';
    out += finding.context[k];
  }
  out += "] ";
}

// A finding's labels as a JSON array: ["comment","log"].
inline void AppendLabelArray(std::string& out, const Finding& finding) {
  out += '[';
  for (std::size_t k = 0; k < finding.context.size(); ++k) {
    if (k > 0) out += ',';
    out += '"';
    out += finding.context[k];
    out += '"';
  }
  out += ']';
}

}  // namespace findings
