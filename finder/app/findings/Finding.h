// A finding: one run of counted characters on one line, as glyphwell-scan
// prints it for editors and CI, and the counters that close such a listing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Finding {
  std::string path;  // UTF-8, as the walk built it from the PATH given
  std::int64_t line = 0;
  std::int64_t column = 0;           // 1-based, bytes of the line as stored
  std::int64_t characterColumn = 0;  // 1-based, code points
  std::string text;                  // UTF-8
  std::string encoding;              // "GBK", "UTF-8", "UTF-16LE", "UTF-16BE"
  // Code points the run takes in the line. A character reference takes more
  // than the one character it stands for, so this can exceed the code points
  // of text; 0 means exactly those.
  std::int64_t characterSpan = 0;
  // How many findings with the same text came before this one in its file,
  // in scan order, suppressed ones included. With path and text it is the
  // finding's fingerprint, which survives lines moving. OccurrenceCounter
  // (or FindingStream) fills it in.
  std::int64_t occurrence = 0;
  // Where a document's finding stands in it ("paragraph 12", "Sheet1!B7",
  // "slide 3 notes", "page 5"); line and columns are then those of its
  // converted text, which no editor has. Empty for other files.
  std::string locator;
  // What it is in its file ("comment", "string", "log", ...), printed when
  // PrinterOptions::context asks.
  std::vector<std::string_view> context;
};

struct FindingSummary {
  std::int64_t files = 0;
  std::int64_t characters = 0;  // the report's count: bytes of extracted text
  std::int64_t findings = 0;    // printed, that is new against the baseline
  std::int64_t suppressed = 0;  // accepted by the baseline
  std::int64_t baselineGone = 0;  // baseline entries that no longer occur
  std::int64_t skipped = 0;     // dropped by their labels (--skip)
};
