#include "finder/engine/ReportWriter.h"

#include "platform/ReportFormat.h"

#include <cerrno>
#include <charconv>
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
  incomplete_ = false;
  heldByAnother_ = false;
  created_ = false;
}

bool ReportWriter::EnsureOpen() {
  if (file_.IsOpen()) return true;
  if (path_.empty()) return false;  // a search without a report: nothing is lost
  if (heldByAnother_ || !file_.CreateLocked(path_)) {
    heldByAnother_ = heldByAnother_ || file_.Error() == EWOULDBLOCK;
    incomplete_ = true;
    return false;
  }
  file_.Identity(identity_);
  created_ = true;
  buffer_.reserve(kBufferSize);
  return true;
}

namespace {

// A CR or LF inside a line would end it and start one of the text's own.
void ReplaceLineEnds(char* begin, char* end) {
  for (char* p = begin; (p = static_cast<char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));) *p++ = '?';
  for (char* p = begin; (p = static_cast<char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p))));) *p++ = '?';
}

void AppendText(std::string& out, std::string_view text) {
  const std::size_t start = out.size();
  out.append(text.data(), text.size());
  ReplaceLineEnds(out.data() + start, out.data() + out.size());
}

// "%-3d" and one blank.
std::string_view HitLinePrefix(std::int64_t lineNumber, char (&number)[24]) {
  char* end = std::to_chars(number, number + sizeof number - 4, lineNumber).ptr;
  while (end - number < 3) *end++ = ' ';
  *end++ = ' ';
  return std::string_view(number, static_cast<std::size_t>(end - number));
}

}  // namespace

void AppendHeaderLine(std::string& out, std::string_view path) {
  out += platform::kReportHeader;
  AppendText(out, path.substr(0, path.find('\0')));
  out += "\r\n";
}

void AppendHitLine(std::string& out, std::int64_t lineNumber, std::string_view chars) {
  char number[24];
  out += HitLinePrefix(lineNumber, number);
  AppendText(out, chars);
  out += "\r\n";
}

void ReportWriter::Append(std::string_view bytes, bool lines) {
  while (!bytes.empty()) {
    if (buffer_.size() == kBufferSize) Flush();
    const std::size_t take = std::min(bytes.size(), kBufferSize - buffer_.size());
    if (lines)
      buffer_.append(bytes.data(), take);
    else
      AppendText(buffer_, bytes.substr(0, take));
    bytes.remove_prefix(take);
  }
}

void ReportWriter::EndLine() {
  if (buffer_.size() + 2 > kBufferSize) Flush();
  buffer_.append("\r\n", 2);
  if (failing_) Flush();
}

void ReportWriter::WriteLine(std::string_view text) {
  if (!EnsureOpen()) return;
  text = text.substr(0, text.find('\0'));
  Append(text);
  EndLine();
}

void ReportWriter::WriteHeader(std::string_view path) {
  if (!EnsureOpen()) return;
  Append(platform::kReportHeader);
  Append(path.substr(0, path.find('\0')));
  EndLine();
}

void ReportWriter::WriteHitLine(std::int64_t lineNumber, std::string_view chars) {
  if (!EnsureOpen()) return;
  char number[24];
  Append(HitLinePrefix(lineNumber, number));
  Append(chars);
  EndLine();
}

void ReportWriter::WriteLines(std::string_view lines) {
  if (lines.empty() || !EnsureOpen()) return;
  if (buffer_.empty()) {
    // A worker's lines, ready made, go out as they are: no copy into the buffer.
    WriteOut(lines);
    return;
  }
  Append(lines, true);
  if (failing_) Flush();
}

void ReportWriter::Flush() {
  if (buffer_.empty()) return;
  failing_ = !file_.Write(buffer_);
  buffer_.clear();
  ThrowIfFailing();
}

void ReportWriter::WriteOut(std::string_view bytes) {
  failing_ = !file_.Write(bytes);
  ThrowIfFailing();
}

void ReportWriter::ThrowIfFailing() {
  if (!failing_) return;
  incomplete_ = true;
  throw ReportWriteError("cannot write the report");
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
  incomplete_ = true;  // a close can tell of a write that failed late
  throw ReportWriteError("cannot write the report");
}
