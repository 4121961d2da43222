// The line loop of one file: what the search's own thread runs with the hit
// lines going straight into the report, and what the workers of a parallel
// search run with the lines going into a buffer of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "finder/engine/Sinks.h"
#include "platform/FileSearch.h"

#include "finder/engine/HanziExtraction.h"
#include "finder/engine/ScanSettings.h"
#include "platform/LineReader.h"

// What the scan of a file found.
struct LineScan {
  std::int64_t count = 0;  // bytes of extracted text
  std::string firstChars;  // of the first line with a hit, as far as the workbook shows it
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

// Reads the open reader's lines, from the start tag on when tagApplies, and
// hands each line's number and characters to hits.Hit (which writes the
// file's header before its first hit), until the end, a cancel or the limit.
// chars is the caller's buffer, reused from file to file.
template <class Hits>
void ScanLines(const ScanSettings& settings, platform::LineReader& reader, bool tagApplies, std::string& chars,
               Hits& hits, LineScan& scan) {
  const std::string& tag = settings.strStartTag;
  bool tagMet = false;
  std::int64_t lineNumber = 0;
  const SignificantBytes significant(settings.SearchUnicode != 0);
  std::string_view line;
  for (;;) {
    // Lines without a byte the extraction could use are only counted; until
    // a start tag is met every line has to be looked at for it.
    if (!tagApplies || tagMet) lineNumber += static_cast<std::int64_t>(reader.SkipPlainLines(significant));
    if (!reader.ReadLine(line)) break;
    if (settings.IsCancelled()) break;
    ++lineNumber;
    if (tagApplies && !tagMet) {
      if (!LineContains(line, tag)) continue;
      tagMet = true;
    }
    ExtractHanzi(line, settings.SearchUnicode, chars);
    if (chars.empty()) continue;
    hits.Hit(lineNumber, chars);
    if (scan.firstChars.empty()) scan.firstChars.assign(chars, 0, kFirstCharsKept);
    scan.count += static_cast<std::int64_t>(chars.size());
    if (settings.LimitHanZiCountEachFile == 1 &&
        static_cast<std::uint64_t>(scan.count) >= settings.MaxHanZiCountEachFile)
      break;
  }
}

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
  LineScan scan;
  std::vector<Problem> problems;
  bool tooLarge = false;
};
// Reads and extracts path into prepared; reader and chars are the worker's own.
void PrepareFile(const ScanSettings& settings, const std::string& path, platform::LineReader& reader,
                 std::string& chars, PreparedFile& prepared);
