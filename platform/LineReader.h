// Reads a file line by line the way text-mode reading on Windows does: LF ends
// a line and is dropped, a CR directly before it is dropped too, a lone CR
// stays, a byte 0x1A ends the input, and lines have no length limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ByteScan.h"
#include "platform/FileSearch.h"
#include "platform/TextEncoding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  // The open file's identity (device and inode).
  const FileIdentity& Identity() const { return identity_; }
  // The errno of a failed Open (EISDIR or EINVAL for a directory or other
  // special file) or of a read that failed, so that a caller can tell a read
  // error from the end of the input; 0 when neither happened since the last
  // Open or Close.
  int LastError() const { return error_; }

  // Before the first line: the first bytes of the open file as they are on
  // disk (fewer when it is shorter; a 0x1A among them included), without
  // moving on. They are read into the buffer the lines come from, so
  // nothing is read twice; the view is valid until the first line is read.
  std::string_view RawHead(std::size_t count);
  std::string Head(std::size_t count) { return std::string(RawHead(count)); }
  // Before the first line: reading starts at byte offset (past a byte-order
  // mark). False when the file cannot be positioned.
  bool StartAt(std::size_t offset);
  // Before the first line: the file is UTF-16 in that byte order, and its
  // lines come out in UTF-8; U+001A ends the text as 0x1A does.
  void DecodeUtf16(TextEncoding encoding);
  // True when the UTF-16 read so far held an unpaired surrogate or an odd
  // last byte (each shown as U+FFFD).
  bool HadInvalidUtf16() const { return utf16_ && utf16_->HadInvalid(); }
  // Back to the start of the file, as just opened: no offset, no decoding.
  bool Rewind();
  // Hands the rest of the text, from the next line on, to feed piece by
  // piece, without lines, until feed answers false (true is then returned
  // only when the text ended first). The reader is then at the end.
  template <class Feed>
  bool FeedRest(Feed&& feed);

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

  // Skips the lines ahead that hold no stop byte and returns how many it
  // skipped; the next ReadLine gives the first line that holds one, or a
  // later one. It stops after at most one refill of the buffer, so the
  // caller can poll for a cancel between calls. Plain lines cost a vector
  // scan (ScanToStop) instead of a line hand-out each, which is what makes
  // a mostly-ASCII tree fast to search.
  std::size_t SkipPlainLines(const StopBytes& stops);
  // The text before a line just read (its data()), from the text's start,
  // while the buffer still holds all of it in one piece (a file that fits
  // it, read from the start); nullopt once it does not, or for a view that
  // does not lie in the buffer. Valid until the next read.
  std::optional<std::string_view> TextBefore(const char* at) const;
  // The text from its start to where reading has got, while the buffer still
  // holds all of it in one piece; nullopt once it does not.
  std::optional<std::string_view> TextKept() const;
  // From the next file on, keeps a text of up to bytes whole in the buffer
  // (growing it rather than moving what it holds), so that TextBefore serves
  // such a file to its end; the memory is kept for the next file. 0: none.
  void KeepTextFront(std::size_t bytes) { keptFront_ = bytes; }

 private:
  bool Fill();
  // Reads the next piece of raw bytes; transcodes UTF-16 into the buffer at end_.
  std::size_t ReadInto(char* data, std::size_t room);
  void ResetPosition();
  // Scans buffer_[begin_, end_) up to the first stop byte, counting the LFs
  // before it into lines; begin_ moves past the last of them. True when a
  // stop byte was found.
  bool ScanPlain(const StopBytes& stops, std::size_t& lines);
  // Position of the first LF in buffer_ at or after from, or npos.
  std::size_t FindLineFeed(std::size_t from);
  // A 0x1A ends the text: makes sure none lies in buffer_ before upTo (at
  // most end_), and ends the text at the first one. A scan over the text
  // looks for it on its way, so most bytes are never searched twice. True
  // when the text ended there.
  bool CutAtEndOfText(std::size_t upTo);

  static constexpr std::size_t kNoMask = static_cast<std::size_t>(-1) / 2;

  // Grown with realloc, so that the buffer of a long line is extended (in
  // place, by the kernel, for large sizes) rather than copied into a new one
  // beside the old, and pages not yet read into cost no memory: a line needs
  // little more than its own length.
  class Buffer {
   public:
    Buffer() = default;
    ~Buffer();
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    char* data() const { return data_; }
    std::size_t size() const { return size_; }
    // Throws std::bad_alloc when the memory is not there; the content stays.
    void resize(std::size_t size);

   private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
  };

  int fd_ = -1;
  FileIdentity identity_;
  bool atEnd_ = false;
  int error_ = 0;
  Buffer buffer_;
  std::size_t begin_ = 0;  // start of unread data in buffer_
  std::size_t end_ = 0;    // end of valid data in buffer_
  std::size_t scanned_ = 0;  // bytes after begin_ already known to hold no LF
  std::size_t clean_ = 0;    // buffer_ before this holds no 0x1A
  std::size_t maskBase_ = kNoMask;    // buffer position of the block lineFeedMask_ describes
  std::uint64_t lineFeedMask_ = 0;    // its LF bits
  // RawHead read the file's first headBytes_ bytes into the buffer; its
  // text (up to a 0x1A) ends at end_.
  bool headBuffered_ = false;
  std::size_t headBytes_ = 0;
  // Where the text starts in the buffer, kNoMask once it no longer holds it.
  std::size_t textFront_ = 0;
  std::size_t keptFront_ = 0;
  std::string headCopy_;  // RawHead's bytes when they cannot be buffered
  std::unique_ptr<Utf16ToUtf8> utf16_;  // set while a UTF-16 file is read
  std::string raw_, decoded_;           // its pieces, reused
};

// The encoding rule, in two steps. First what is known before the text is
// read: the GBK choice reads every file as GBK bytes; otherwise a byte-order
// mark decides (markLength its length), else the UTF-8 choice gives UTF-8.
// False for the automatic choice and a file without a mark: its text decides.
bool EncodingBeforeReading(LineReader& reader, EncodingChoice choice, TextEncoding& encoding,
                           std::size_t& markLength);
// Then, for such a file: UTF-8 when its whole text is UTF-8 holding a
// character beyond ASCII, else GBK (plain ASCII reads the same either way).
inline TextEncoding UnmarkedEncoding(bool wholeIsUtf8, bool sawBeyondAscii) {
  return wholeIsUtf8 && sawBeyondAscii ? TextEncoding::Utf8 : TextEncoding::Gbk;
}

// The encoding the choice gives the open file, its text read through where
// the rule needs it; the reader is back at the file's start after it.
TextEncoding DetectEncoding(LineReader& reader, EncodingChoice choice, std::size_t& markLength);

// Sets the reader, at the file's start, to hand out the lines of a file in
// encoding: from past its byte-order mark (markLength), and UTF-16 as UTF-8.
void ReadAs(LineReader& reader, TextEncoding encoding, std::size_t markLength);

// The open file read as the choice gives it (DetectEncoding, then ReadAs).
TextEncoding ReadInChosenEncoding(LineReader& reader, EncodingChoice choice);

// One bit for each LF among the 64 bytes at p.
inline std::uint64_t LineFeedBits(const unsigned char* p) {
#if defined(__SSE2__)
  const __m128i lineFeeds = _mm_set1_epi8('\n');
  const auto* block = reinterpret_cast<const __m128i*>(p);
  const auto bits = [&](int k) {
    const __m128i v = _mm_loadu_si128(block + k);
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lineFeeds)))) << (16 * k);
  };
  return bits(0) | bits(1) | bits(2) | bits(3);
#else
  std::uint64_t bits = 0;
  for (int k = 0; k < 64; ++k) bits |= static_cast<std::uint64_t>(p[k] == '\n') << k;
  return bits;
#endif
}

template <class Feed>
bool LineReader::FeedRest(Feed&& feed) {
  for (;;) {
    CutAtEndOfText(end_);
    if (end_ > begin_ && !feed(std::string_view(buffer_.data() + begin_, end_ - begin_))) return false;
    begin_ = end_;
    scanned_ = 0;
    if (!Fill()) return true;
  }
}

}  // namespace platform
