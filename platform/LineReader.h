// Reads a file line by line the way text-mode reading on Windows does: LF ends
// a line and is dropped, a CR directly before it is dropped too, a lone CR
// stays, a byte 0x1A ends the input, and lines have no length limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class LineReader {
 public:
  LineReader();
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Opens a path text (CP936). Only regular files open; a missing,
  // unreadable or special file (directory, FIFO, device) gives false and then
  // yields no lines. Any file open before is closed first.
  bool Open(std::string_view ansiPath);
  // Same, for a native file name.
  bool OpenNative(const std::string& nativePath);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  // The errno of a failed Open (EISDIR or EINVAL for a directory or other
  // special file) or of a read that failed, so that a caller can tell a read
  // error from the end of the input; 0 when neither happened since the last
  // Open or Close.
  int LastError() const { return error_; }

  // The next line without its end, valid until the next call. False at the
  // end of the input, at a 0x1A byte, or on a read error. A final LF makes no
  // extra empty line. The buffer is reused, so reading allocates only when a
  // line is longer than any before it.
  bool ReadLine(std::string_view& line);

  // Up to capacity lines at once, each as ReadLine gives it, all valid until
  // the next call; 0 at the end of the input. It refills the buffer at most
  // once, before the first line, and otherwise hands out what the buffer
  // holds: for a reader of every line that is cheaper than a call per line.
  std::size_t ReadLines(std::string_view* lines, std::size_t capacity);

  // Skips the lines ahead that hold only bytes below 0x80 (and no "#" when
  // hashIsSignificant) and returns how many it skipped; the next ReadLine
  // gives the first line that holds such a byte, or a later one. It stops
  // after at most one refill of the buffer, so the caller can poll for a
  // cancel between calls. Plain lines cost a vector scan instead of a line
  // hand-out each, which is what makes a mostly-ASCII tree fast to search.
  std::size_t SkipPlainLines(bool hashIsSignificant);

 private:
  bool Fill();
  // Position of the first LF in buffer_ at or after from, or npos.
  std::size_t FindLineFeed(std::size_t from);

  static constexpr std::size_t kNoMask = static_cast<std::size_t>(-1) / 2;

  int fd_ = -1;
  bool atEnd_ = false;
  int error_ = 0;
  std::string buffer_;
  std::size_t begin_ = 0;  // start of unread data in buffer_
  std::size_t end_ = 0;    // end of valid data in buffer_
  std::size_t scanned_ = 0;  // bytes after begin_ already known to hold no LF
  std::size_t maskBase_ = kNoMask;    // buffer position of the block lineFeedMask_ describes
  std::uint64_t lineFeedMask_ = 0;    // its LF bits
};

}  // namespace platform
