#include "finder/engine/ReportWriter.h"

#include <cerrno>
#include <cstring>

ReportWriter::ReportWriter(std::string path) : path_(std::move(path)) {}

ReportWriter::~ReportWriter() {
  try {
    Close();
  } catch (const ReportWriteError&) {
    // Nobody is left to tell.
  }
}

void ReportWriter::SetFileName(std::string path) {
  path_ = std::move(path);
  lostLines_ = 0;
  heldByAnother_ = false;
}

void ReportWriter::WriteLine(std::string_view text) {
  if (!file_.IsOpen()) {
    if (heldByAnother_ || !file_.CreateLocked(path_)) {
      heldByAnother_ = heldByAnother_ || file_.Error() == EWOULDBLOCK;
      ++lostLines_;
      return;
    }
    file_.Identity(identity_);
    buffer_.reserve(kBufferSize);
  }
  const void* zero = std::memchr(text.data(), '\0', text.size());
  if (zero) text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
  // A line longer than the buffer is not copied twice: it follows what the
  // buffer holds directly.
  if (buffer_.size() + text.size() + 2 > kBufferSize) Flush();
  if (text.size() + 2 > kBufferSize) {
    ++bufferedLines_;
    failing_ = !file_.Write(text) || !file_.Write("\r\n");
    if (failing_) lostLines_ += bufferedLines_;
    bufferedLines_ = 0;
    if (failing_) throw ReportWriteError("cannot write the report");
    return;
  }
  buffer_.append(text.data(), text.size());
  buffer_.append("\r\n", 2);
  ++bufferedLines_;
  if (failing_) Flush();
}

void ReportWriter::WriteHeader(std::string_view path) {
  std::string header = "Input file:";
  header.append(path.data(), path.size());
  WriteLine(header);
}

void ReportWriter::Flush() {
  if (buffer_.empty()) return;
  failing_ = !file_.Write(buffer_);
  buffer_.clear();
  if (failing_) lostLines_ += bufferedLines_;
  bufferedLines_ = 0;
  if (failing_) throw ReportWriteError("cannot write the report");
}

bool ReportWriter::IsReport(int fd) const {
  platform::FileIdentity other;
  return file_.IsOpen() && platform::GetIdentity(fd, other) && other == identity_;
}

void ReportWriter::Close() {
  if (!file_.IsOpen()) return;
  bool flushed = true;
  try {
    Flush();
  } catch (const ReportWriteError&) {
    flushed = false;
  }
  failing_ = false;
  if (file_.Close() && flushed) return;
  if (flushed) ++lostLines_;  // the close told of a write that failed late
  throw ReportWriteError("cannot write the report");
}
