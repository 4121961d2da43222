#include "finder/engine/LineScan.h"

#include <cerrno>
#include <new>

#include "finder/engine/ReportWriter.h"
#include "platform/Files.h"

namespace {

// Lines a worker may collect for one file; a file with more is scanned at
// its turn instead, so memory stays bounded by the window of pending files.
constexpr std::size_t kMostBufferedLines = 1 << 20;

// Hit lines into the prepared buffer, the header before the first.
struct BufferHits {
  const std::string& path;
  std::string& lines;
  void Hit(std::int64_t lineNumber, std::string_view chars) {
    // Checked before the copy, so that a huge line is never held twice.
    if (lines.size() + chars.size() > kMostBufferedLines) throw BufferFull{};
    if (lines.empty()) AppendHeaderLine(lines, path);
    AppendHitLine(lines, lineNumber, chars);
  }
  struct BufferFull {};
};

}  // namespace

OpenedFile OpenForScan(platform::LineReader& reader, const std::string& fileToRead, bool converted) {
  OpenedFile opened;
  if (!reader.Open(fileToRead)) {
    opened.error = reader.LastError();
    return opened;
  }
  platform::GetIdentity(reader.Descriptor(), opened.identity);
  if (!converted && platform::IsLockedByWriter(reader.Descriptor())) {
    opened.heldByWriter = true;
    opened.error = EBUSY;
    reader.Close();
    return opened;
  }
  opened.opened = true;
  return opened;
}

void PrepareFile(const ScanSettings& settings, const std::string& path, platform::LineReader& reader,
                 std::string& chars, PreparedFile& prepared) {
  try {
    prepared.open = OpenForScan(reader, path, false);
    if (prepared.open.opened) {
      const bool tagApplies = !settings.strStartTag.empty() && settings.ContainsStartTag(path, settings.strStartTag);
      BufferHits hits{path, prepared.lines};
      ScanLines(settings, reader, tagApplies, chars, hits, prepared.scan);
      if (reader.LastError() != 0) prepared.problems.push_back({ReadProblem::NotWhole, reader.LastError()});
    }
  } catch (const BufferHits::BufferFull&) {
    prepared.tooLarge = true;
  } catch (const std::bad_alloc&) {
    prepared.problems.push_back({ReadProblem::NotWhole, ENOMEM});
    std::string().swap(chars);
  }
  ReleaseLongLineChars(chars);
  if (prepared.tooLarge) {
    std::string().swap(prepared.lines);
    prepared.scan = LineScan();
    prepared.problems.clear();
  }
  reader.Close();
}
