#include "viewer/ModFile.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <string_view>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/LineReader.h"
#include "platform/NativePath.h"
#include "viewer/support/RunTimeError.h"

bool CanOpenFile(const std::string& strFileName) {
  std::string_view path = strFileName;
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  try {
    platform::LineReader reader;
    return reader.Open(path);
  } catch (const std::exception&) {
    return false;  // out of memory for the reader's buffer: not openable now
  }
}

namespace {

// Collects the page in large chunks: one write per line would dominate the
// time of a page with many short lines.
class PageWriter {
 public:
  PageWriter(int fd, const std::string& nativePath) : fd_(fd), nativePath_(nativePath) { buffer_.reserve(kChunk); }
  ~PageWriter() {
    if (fd_ >= 0) close(fd_);
  }
  PageWriter(const PageWriter&) = delete;
  PageWriter& operator=(const PageWriter&) = delete;

  void Append(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kChunk) {
      Flush();
      // A line longer than a chunk goes out directly rather than being copied.
      if (bytes.size() >= kChunk) return Write(bytes.data(), bytes.size());
    }
    buffer_.append(bytes);
  }

  void Flush() {
    Write(buffer_.data(), buffer_.size());
    buffer_.clear();
  }

  // Writes what is left and closes the page; a failure of either raises.
  void Finish() {
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) RaiseOpenError(errno, nativePath_);
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;

  void Write(const char* data, std::size_t size) {
    if (size > 0 && !platform::WriteAll(fd_, data, size)) RaiseOpenError(errno, nativePath_);
  }

  int fd_;
  const std::string& nativePath_;
  std::string buffer_;
};

}  // namespace

void BuildAnchorPage(const std::string& strSourcePath, const std::string& strPagePath, const ClsMap& mapRows) {
  const int fd = platform::OpenForWrite(strPagePath);
  const int openError = errno;
  const std::string pageNative = platform::ToNative(strPagePath);
  if (fd < 0) RaiseOpenError(openError, pageNative);
  PageWriter page(fd, pageNative);

  const std::string sourceNative = platform::ToNative(strSourcePath);
  platform::LineReader reader;
  if (!reader.OpenNative(sourceNative)) RaiseOpenError(reader.LastError(), sourceNative);

  // The counter is the design's 32-bit integer: a source of more lines overflows.
  std::int32_t lineNumber = 0;
  char number[16];
  std::string_view line;
  while (reader.ReadLine(line)) {
    if (lineNumber == INT32_MAX) {
      page.Flush();
      throw RunTimeError(RunTimeErrorCode::Overflow, sourceNative + ": more lines than the line counter holds");
    }
    ++lineNumber;
    const std::string_view key(number, static_cast<std::size_t>(std::to_chars(number, number + sizeof number, lineNumber).ptr - number));
    if (mapRows.Exists(key)) {
      page.Append("<a name=\"mao_Line");
      page.Append(key);
      page.Append("\">");
    }
    page.Append(line);
    page.Append("\r\n");
  }
  if (reader.LastError() != 0) {
    page.Flush();
    RaiseOpenError(reader.LastError(), sourceNative);
  }
  page.Finish();
}
