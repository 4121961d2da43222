// One file's text: how it is read (its encoding), the line loop, and what
// it found. The search's own thread runs it with the hit lines going
// straight into the report; the workers of a parallel search run it with the
// lines going into a buffer of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "finder/engine/ScanSettings.h"
#include "finder/engine/Sinks.h"
#include "platform/FileSearch.h"
#include "platform/LineReader.h"
#include "platform/TextEncoding.h"

// What the scan of a file found.
struct LineScan {
  std::int64_t count = 0;  // bytes of extracted text
  std::string firstChars;  // of the first line with a hit, as far as the workbook shows it
};

// How a file was read.
struct TextRead {
  platform::TextEncoding encoding = platform::TextEncoding::Gbk;
  // Bytes that are not valid in its encoding were met (they acted as ASCII).
  bool invalidBytes = false;
  // Read as GBK, yet all that was read of it is UTF-8 with a character beyond
  // ASCII: the automatic setting would read it as UTF-8.
  bool looksLikeUtf8 = false;
};

// Receives each line with characters: its number, its extracted text (the
// report's bytes) and the line as read (UTF-8 for a Unicode file).
class HitSink {
 public:
  virtual ~HitSink() = default;
  virtual void Hit(std::int64_t lineNumber, std::string_view chars, std::string_view line) = 0;
};

// The first line's characters are kept for the workbook only, whose cell
// holds at most 32,767 UTF-16 units: no more than twice as many bytes can
// show there, so a longer first line costs no memory beyond this.
inline constexpr std::size_t kFirstCharsKept = 128 * 1024;

// The characters of a long line are given back when its file is done, so
// that one long line does not hold its memory for the rest of the search.
inline void ReleaseLongLineChars(std::string& chars) {
  if (chars.capacity() > (1u << 20)) std::string().swap(chars);
}

// Reads the open reader's file in the encoding the setting gives it, from
// the start tag on when one applies, and hands each line with characters to
// hits (which writes the file's header before its first hit), until the end,
// a cancel or the limit. tagPath is the file the start tag is looked for in
// (a converted document's own path); converted: the reader holds the
// converter's output, the system's own text. chars is the caller's buffer,
// reused from file to file.
void ScanText(const ScanSettings& settings, const std::string& tagPath, bool converted, platform::LineReader& reader,
              std::string& chars, HitSink& hits, LineScan& scan, TextRead& read);

// A file opened for its scan. A file that a writer holds locked (a report
// being written: this search's own, which would feed the search its own
// output, or another search's) is not read. The converter's output is
// locked by the search itself, so the lock is not asked of it.
struct OpenedFile {
  bool opened = false;
  int error = 0;
  bool heldByWriter = false;
  platform::FileIdentity identity;
};
OpenedFile OpenForScan(platform::LineReader& reader, const std::string& fileToRead, bool converted);

// What a worker of a parallel search prepared for one text file: how its
// open went, its hit lines as report bytes, its counts and its problems.
// tooLarge: its lines would not fit the buffer, so it is read at its turn.
struct PreparedFile {
  struct Problem {
    ReadProblem problem;
    int error;
  };
  OpenedFile open;
  std::string lines;
  // With ScanSettings::keepHitLines: each hit's line number and line as read.
  std::vector<std::pair<std::int64_t, std::string>> hitLines;
  LineScan scan;
  TextRead read;
  std::vector<Problem> problems;
  bool tooLarge = false;
};
// Reads and extracts path into prepared; reader and chars are the worker's own.
void PrepareFile(const ScanSettings& settings, const std::string& path, platform::LineReader& reader,
                 std::string& chars, PreparedFile& prepared);
