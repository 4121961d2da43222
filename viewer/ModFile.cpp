#include "viewer/ModFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "platform/LineReader.h"
#include "platform/NativePath.h"
#include "platform/ReportFormat.h"
#include "viewer/support/RunTimeError.h"

bool CanOpenFile(const std::string& strFileName) {
  std::string_view path = strFileName;
  if (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  try {
    platform::LineReader reader;
    // A report that a search is writing is held without sharing, so it
    // cannot be opened until the search has closed it.
    return reader.Open(path) && !platform::IsLockedByWriter(reader.Descriptor());
  } catch (const std::exception&) {
    return false;  // out of memory for the reader's buffer: not openable now
  }
}

namespace {

// Collects the page in large chunks: one write per line would dominate the
// time of a page with many short lines.
class PageWriter {
 public:
  PageWriter(platform::OutputFile& file, const std::string& nativePath)
      : file_(file), nativePath_(nativePath), buffer_(new char[kChunk]) {}
  PageWriter(const PageWriter&) = delete;
  PageWriter& operator=(const PageWriter&) = delete;

  void Append(std::string_view bytes) {
    if (used_ + bytes.size() > kChunk) {
      Flush();
      // A line longer than a chunk goes out directly rather than being copied.
      if (bytes.size() >= kChunk) return Write(bytes.data(), bytes.size());
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }

  // A line and its CR LF: the common case, with one room test for both.
  void AppendLine(std::string_view line) {
    if (used_ + line.size() + 2 > kChunk) {
      Append(line);
      Append("\r\n");
      return;
    }
    char* out = buffer_.get() + used_;
    std::memcpy(out, line.data(), line.size());
    out[line.size()] = '\r';
    out[line.size() + 1] = '\n';
    used_ += line.size() + 2;
  }

  void Flush() {
    Write(buffer_.get(), used_);
    used_ = 0;
  }

  // Writes what is left and closes the page; a failure of either raises.
  void Finish() {
    Flush();
    if (!file_.Close()) RaiseOpenError(file_.Error(), nativePath_);
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;

  void Write(const char* data, std::size_t size) {
    if (size > 0 && !file_.Write(data, size)) RaiseOpenError(file_.Error(), nativePath_);
  }

  platform::OutputFile& file_;
  const std::string& nativePath_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

// The line numbers that have a key, ascending. Line n has a key only when the
// key is n in plain decimal, so keys such as "0", "07" or "+7" name no line.
// Walking this list beside the line counter answers the same as a lookup of
// each line's number, without a hash and a cache miss per line.
std::vector<std::int32_t> KeyedLines(const ClsMap& mapRows) {
  std::vector<std::int32_t> lines;
  for (const auto& entry : mapRows.GetObject()) {
    const std::string& key = entry.key;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
    if (error == std::errc() && end == key.data() + key.size() && key[0] != '0' && value <= INT32_MAX)
      lines.push_back(static_cast<std::int32_t>(value));
  }
  if (!std::is_sorted(lines.begin(), lines.end())) std::sort(lines.begin(), lines.end());  // report order is ascending
  return lines;
}

}  // namespace

void BuildAnchorPage(const std::string& strSourcePath, const std::string& strPagePath, const ClsMap& mapRows) {
  platform::OutputFile pageFile;
  const bool created = pageFile.Create(strPagePath);
  const std::string pageNative = platform::ToNative(strPagePath);
  if (!created) RaiseOpenError(pageFile.Error(), pageNative, true);
  PageWriter page(pageFile, pageNative);

  const std::string sourceNative = platform::ToNative(strSourcePath);
  platform::LineReader reader;
  if (!reader.OpenNative(sourceNative)) RaiseOpenError(reader.LastError(), sourceNative);
  // A UTF-8 source is copied as it is, a UTF-16 one as UTF-8 (either
  // without its byte-order mark), so that the page's lines are the lines
  // the finder counted; the browser tells the page's encoding itself.
  platform::ReadInChosenEncoding(reader, platform::EncodingChoice::Automatic);

  const std::vector<std::int32_t> keyedLines = KeyedLines(mapRows);
  auto nextKeyed = keyedLines.begin();
  // The counter is the design's 32-bit integer: a source of more lines overflows.
  std::int32_t lineNumber = 0;
  std::string_view lines[256];
  for (std::size_t count; (count = reader.ReadLines(lines, std::size(lines))) > 0;) {
    for (const std::string_view line : std::span(lines, count)) {
      if (lineNumber == INT32_MAX) {
        page.Flush();
        throw RunTimeError(RunTimeErrorCode::Overflow, sourceNative + ": more lines than the line counter holds");
      }
      ++lineNumber;
      if (nextKeyed != keyedLines.end() && *nextKeyed == lineNumber) {
        ++nextKeyed;
        char number[16];
        const char* end = std::to_chars(number, number + sizeof number, lineNumber).ptr;
        page.Append("<a name=\"");
        page.Append(platform::kAnchorPrefix);
        page.Append(std::string_view(number, static_cast<std::size_t>(end - number)));
        page.Append("\">");
      }
      page.AppendLine(line);
    }
  }
  if (reader.LastError() != 0) {
    page.Flush();
    RaiseOpenError(reader.LastError(), sourceNative);
  }
  page.Finish();
}
