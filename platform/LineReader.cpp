#include "platform/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/NativePath.h"

namespace platform {
namespace {

constexpr std::size_t kInitialBuffer = 256 * 1024;
// A buffer grown past this for a long line is given back when its file closes.
constexpr std::size_t kLargestKept = 4 * kInitialBuffer;
constexpr char kEndOfText = 0x1A;

}  // namespace

LineReader::Buffer::~Buffer() { std::free(data_); }

void LineReader::Buffer::resize(std::size_t size) {
  void* grown = std::realloc(data_, size);
  if (grown == nullptr) throw std::bad_alloc();
  data_ = static_cast<char*>(grown);
  size_ = size;
}

LineReader::LineReader() = default;

LineReader::~LineReader() { Close(); }

bool LineReader::Open(std::string_view ansiPath) { return OpenNative(ToNative(ansiPath)); }

bool LineReader::OpenNative(const std::string& nativePath) {
  Close();
  const int fd = OpenRegularFile(nativePath, identity_);
  if (fd < 0) {
    error_ = errno;
    atEnd_ = true;
    return false;
  }
  fd_ = fd;
  if (buffer_.size() < kInitialBuffer) buffer_.resize(kInitialBuffer);
  return true;
}

void LineReader::ResetPosition() {
  atEnd_ = false;
  error_ = 0;
  headBuffered_ = false;
  headBytes_ = 0;
  textFront_ = 0;
  begin_ = end_ = scanned_ = clean_ = 0;
  maskBase_ = kNoMask;
  utf16_.reset();
}

std::string_view LineReader::RawHead(std::size_t count) {
  if (fd_ < 0) return {};
  if (headBuffered_) return std::string_view(buffer_.data(), std::min(count, headBytes_));
  if (begin_ != 0 || end_ != 0 || utf16_ || atEnd_ || count > buffer_.size()) {
    // Reading has begun (or the head would not fit): a copy read apart.
    headCopy_.resize(count);
    ssize_t got;
    do {
      got = pread(fd_, headCopy_.data(), count, 0);
    } while (got < 0 && errno == EINTR);
    headCopy_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return headCopy_;
  }
  // As much as the buffer takes in one read, more until count is there.
  std::size_t got = 0;
  for (;;) {
    const std::size_t size = ReadInto(buffer_.data() + got, buffer_.size() - got);
    got += size;
    if (size == 0 || got >= count) break;
  }
  headBuffered_ = true;
  headBytes_ = got;
  // Where a 0x1A ends the text is found as the text is read (CutAtEndOfText).
  end_ = got;
  clean_ = 0;
  return std::string_view(buffer_.data(), std::min(count, got));
}

bool LineReader::StartAt(std::size_t offset) {
  if (fd_ < 0) return false;
  if (headBuffered_ && begin_ == 0) {
    // The head is read already: the reading starts inside it.
    begin_ = std::min(offset, end_);
    textFront_ = begin_;
    return true;
  }
  if (end_ != 0) textFront_ = kNoMask;  // what the buffer holds is not the text from there
  return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

void LineReader::DecodeUtf16(TextEncoding encoding) {
  if (headBuffered_) {
    // The head in the buffer is raw UTF-16: it is read again through the
    // decoder, from where the reading was to start.
    const std::size_t start = begin_;
    begin_ = end_ = scanned_ = clean_ = 0;
    maskBase_ = kNoMask;
    atEnd_ = false;
    headBuffered_ = false;
    textFront_ = 0;
    if (lseek(fd_, static_cast<off_t>(start), SEEK_SET) != static_cast<off_t>(start)) error_ = errno;
  }
  utf16_ = std::make_unique<Utf16ToUtf8>(encoding);
}

bool LineReader::Rewind() {
  if (fd_ < 0 || lseek(fd_, 0, SEEK_SET) != 0) return false;
  ResetPosition();
  return true;
}

void LineReader::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  ResetPosition();
  if (buffer_.size() > kLargestKept + 2 * keptFront_) {
    try {
      buffer_.resize(kInitialBuffer);
    } catch (const std::bad_alloc&) {
      // Kept as it is; shrinking hardly fails.
    }
  }
}

bool LineReader::Fill() {
  if (fd_ < 0 || atEnd_) return false;
  // Nothing is read past the end of the text.
  if (CutAtEndOfText(end_)) return false;
  char* data = buffer_.data();
  // A text short enough stays whole from its start (TextBefore): the buffer
  // grows instead.
  const bool keep = textFront_ != kNoMask && end_ - textFront_ < keptFront_;
  if (begin_ > 0 && !keep) {
    // Only the start of an unfinished line is left; move it to the front.
    std::memmove(data, data + begin_, end_ - begin_);
    end_ -= begin_;
    clean_ = end_;
    begin_ = 0;
    maskBase_ = kNoMask;
    headBuffered_ = false;  // the file's head is no longer at the front
    textFront_ = kNoMask;
  }
  if (end_ == buffer_.size() || (utf16_ && buffer_.size() - end_ < 64)) {
    // One line fills the buffer, or the text kept whole: half as much
    // again, so that the last growth wastes little address space.
    buffer_.resize(buffer_.size() + buffer_.size() / 2);
    data = buffer_.data();
  }
  std::size_t size = ReadInto(data + end_, buffer_.size() - end_);
  if (size == 0) {
    atEnd_ = true;
    return false;
  }
  end_ += size;
  return true;
}

bool LineReader::CutAtEndOfText(std::size_t upTo) {
  if (upTo <= clean_) return false;
  const char* data = buffer_.data();
  if (const void* stop = std::memchr(data + clean_, kEndOfText, upTo - clean_)) {
    end_ = static_cast<std::size_t>(static_cast<const char*>(stop) - data);
    clean_ = end_;
    atEnd_ = true;
    return true;
  }
  clean_ = upTo;
  return false;
}

std::size_t LineReader::ReadInto(char* data, std::size_t room) {
  if (!utf16_) {
    ssize_t count;
    do {
      count = read(fd_, data, room);
    } while (count < 0 && errno == EINTR);
    if (count < 0) error_ = errno;
    return count > 0 ? static_cast<std::size_t>(count) : 0;
  }
  // Two bytes of UTF-16 make at most three of UTF-8, and a pair held back
  // from the last piece four: read what fits (Fill leaves room for 64).
  decoded_.clear();
  while (decoded_.empty()) {
    raw_.resize((room - 8) / 3 * 2 & ~std::size_t{1});
    ssize_t count;
    do {
      count = read(fd_, raw_.data(), raw_.size());
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
      error_ = errno;
      return 0;
    }
    if (count == 0) {
      utf16_->Finish(decoded_);  // an odd byte left over
      if (decoded_.empty()) return 0;
      break;
    }
    utf16_->Feed(std::string_view(raw_.data(), static_cast<std::size_t>(count)), decoded_);
  }
  std::memcpy(data, decoded_.data(), decoded_.size());
  return decoded_.size();
}

// Lines are mostly short, so a memchr call per line costs more than the
// search itself: the LF bits of the last 64-byte block searched are kept, and
// the next line's end is usually found among them.
std::size_t LineReader::FindLineFeed(std::size_t from) {
  const auto* data = reinterpret_cast<const unsigned char*>(buffer_.data());
#if defined(__SSE2__)
  if (from >= maskBase_ && from < maskBase_ + 64) {
    const std::uint64_t bits = lineFeedMask_ & (~std::uint64_t{0} << (from - maskBase_));
    if (bits != 0) return maskBase_ + static_cast<std::size_t>(__builtin_ctzll(bits));
    from = maskBase_ + 64;
  }
  for (; from + 64 <= end_; from += 64) {
    if (const std::uint64_t bits = LineFeedBits(data + from); bits != 0) {
      maskBase_ = from;
      lineFeedMask_ = bits;
      return from + static_cast<std::size_t>(__builtin_ctzll(bits));
    }
  }
#endif
  if (from >= end_) return std::string::npos;  // also a reader that never had a buffer
  const void* found = std::memchr(data + from, '\n', end_ - from);
  return found ? static_cast<std::size_t>(static_cast<const unsigned char*>(found) - data) : std::string::npos;
}

bool LineReader::ReadLine(std::string_view& line) {
  for (;;) {
    const std::size_t lineFeed = FindLineFeed(begin_ + scanned_);
    if (lineFeed != std::string::npos && !CutAtEndOfText(lineFeed)) {
      const char* data = buffer_.data();
      // The whole line stays in the buffer until it is handed out, so a CR
      // from an earlier read is still just before the LF.
      std::size_t length = lineFeed - begin_;
      if (length > 0 && data[lineFeed - 1] == '\r') --length;
      line = std::string_view(data + begin_, length);
      begin_ = lineFeed + 1;
      scanned_ = 0;
      return true;
    }
    if (lineFeed != std::string::npos) break;  // the text ended before the LF
    scanned_ = end_ - begin_;
    if (!Fill()) break;
  }
  CutAtEndOfText(end_);
  if (end_ <= begin_) return false;
  line = std::string_view(buffer_.data() + begin_, end_ - begin_);
  begin_ = end_;
  scanned_ = 0;
  return true;
}

std::size_t LineReader::ReadLines(std::string_view* lines, std::size_t capacity) {
  if (capacity == 0 || !ReadLine(lines[0])) return 0;
  CutAtEndOfText(end_);
  std::size_t count = 1;
  const char* data = buffer_.data();
  std::size_t begin = begin_;
  const auto handOut = [&](std::size_t lineFeed) {
    std::size_t length = lineFeed - begin;
    if (length > 0 && data[lineFeed - 1] == '\r') --length;
    lines[count++] = std::string_view(data + begin, length);
    begin = lineFeed + 1;
  };
  std::size_t from = begin;
#if defined(__SSE2__)
  // The line ends of a block are taken bit by bit: one pass over the
  // block's LF bits instead of a search per line.
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  for (; count < capacity && from + 64 <= end_; from += 64) {
    std::uint64_t bits = LineFeedBits(bytes + from);
    for (; bits != 0 && count < capacity; bits &= bits - 1) handOut(from + static_cast<std::size_t>(__builtin_ctzll(bits)));
    if (bits != 0) {
      maskBase_ = from;  // the rest of this block's LFs serve the next call
      lineFeedMask_ = bits;
      begin_ = begin;
      scanned_ = 0;
      return count;
    }
  }
#endif
  while (count < capacity) {
    const void* found = std::memchr(data + from, '\n', end_ - from);
    if (!found) break;
    handOut(static_cast<std::size_t>(static_cast<const char*>(found) - data));
    from = begin;
  }
  begin_ = begin;
  // Everything from begin up to from was searched and holds no LF.
  scanned_ = from > begin ? std::min(from, end_) - begin : 0;
  maskBase_ = kNoMask;
  return count;
}

std::optional<std::string_view> LineReader::TextKept() const {
  if (textFront_ == kNoMask) return std::nullopt;
  return std::string_view(buffer_.data() + textFront_, end_ - textFront_);
}

std::optional<std::string_view> LineReader::TextBefore(const char* at) const {
  const std::optional<std::string_view> kept = TextKept();
  if (!kept) return std::nullopt;
  // Compared as addresses: at may point anywhere.
  const auto front = reinterpret_cast<std::uintptr_t>(kept->data());
  const auto where = reinterpret_cast<std::uintptr_t>(at);
  if (where < front || where > front + kept->size()) return std::nullopt;
  return kept->substr(0, where - front);
}

bool EncodingBeforeReading(LineReader& reader, EncodingChoice choice, TextEncoding& encoding,
                           std::size_t& markLength) {
  encoding = TextEncoding::Gbk;
  markLength = 0;
  if (choice == EncodingChoice::Gbk) return true;
  markLength = ByteOrderMark(reader.Head(3), encoding);
  if (markLength > 0) return true;
  encoding = TextEncoding::Utf8;
  return choice == EncodingChoice::Utf8;
}

bool LineReader::ScanPlain(const StopBytes& stops, std::size_t& lines) {
  const auto* data = reinterpret_cast<const unsigned char*>(buffer_.data());
  const std::size_t start = begin_, size = end_ - begin_;
  StopBytes withEnd = stops;
  // The end of the text is found on the way, so that it costs no pass of its own.
  withEnd.Add(kEndOfText);
  const bool seeksEnd = withEnd.Is(kEndOfText);
  std::size_t lineEnd = 0;
  const std::size_t stop = ScanToStop(data + start, size, withEnd, lines, lineEnd);
  begin_ += lineEnd;
  scanned_ = 0;
  if (stop < size && data[start + stop] == kEndOfText)
    CutAtEndOfText(start + stop + 1);
  else if (seeksEnd)
    clean_ = std::max(clean_, start + stop);
  return stop < size;
}

std::size_t LineReader::SkipPlainLines(const StopBytes& stops) {
  std::size_t lines = 0;
  for (int round = 0; round < 2; ++round) {
    if (ScanPlain(stops, lines)) break;
    // What is left is the plain start of a line whose LF has not been read yet.
    if (!Fill()) break;
  }
  return lines;
}

TextEncoding DetectEncoding(LineReader& reader, EncodingChoice choice, std::size_t& markLength) {
  TextEncoding encoding;
  if (EncodingBeforeReading(reader, choice, encoding, markLength)) return encoding;
  Utf8Validator utf8;
  const bool whole = reader.FeedRest([&utf8](std::string_view piece) { return utf8.Feed(piece); }) && utf8.Finish();
  reader.Rewind();
  return UnmarkedEncoding(whole, utf8.SawNonAscii());
}

void ReadAs(LineReader& reader, TextEncoding encoding, std::size_t markLength) {
  if (markLength > 0) reader.StartAt(markLength);
  if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE) reader.DecodeUtf16(encoding);
}

TextEncoding ReadInChosenEncoding(LineReader& reader, EncodingChoice choice) {
  std::size_t markLength = 0;
  const TextEncoding encoding = DetectEncoding(reader, choice, markLength);
  ReadAs(reader, encoding, markLength);
  return encoding;
}

}  // namespace platform
