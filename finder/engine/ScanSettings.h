// What a front end hands the engine for one search: its choices (what is
// read, how, and what counts), and apart from them how the search is wired
// to the front end (whom it tells, who may stop it, how many read).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "finder/engine/RunAnnotation.h"
#include "finder/engine/Sinks.h"
#include "platform/TextEncoding.h"

class ScanSettings {
 public:
  virtual ~ScanSettings() = default;

  std::string strLogFile;
  std::int32_t SearchUnicode = 0;
  std::int32_t LimitHanZiCountEachFile = 0;
  std::uint32_t MaxHanZiCountEachFile = 0;
  std::string strStartTag;
  platform::EncodingChoice Encoding = platform::EncodingChoice::Gbk;
  platform::CharacterSet Chars = platform::CharacterSet::Gbk;
  // The runs of characters of each line with characters are found too (for
  // the wiring's RunSink), by the workers of a parallel search as well; a
  // line holding ignoreMarker (when not empty) has none.
  bool findRuns = false;
  std::string ignoreMarker;
  // With findRuns, lines without characters that hold a "\\", "&" or "%"
  // (where escapes may stand) go to the wiring's annotator too; the report
  // and the counts do not change.
  bool findEscapes = false;
};

// The front end fills it before a search; the engine only reads it.
struct SearchWiring {
  ProgressSink* notifyWindow = nullptr;
  // The front end clears it to cancel; the engine polls it before each line
  // and each directory step.
  std::atomic<unsigned char>* runningFlag = nullptr;
  // Folders and files that could not be read (whole) are told here.
  ProblemSink* problems = nullptr;
  // The runs of every line with characters, with ScanSettings::findRuns.
  RunSink* runs = nullptr;
  // Adds to each file's runs before they reach runs; none leaves them as found.
  const RunAnnotator* annotator = nullptr;
  // The last step of every search; none (the terminal's --no-export, most
  // tests) leaves it out.
  SummaryExport* summaryExport = nullptr;
  // Where the document converter lies; empty: the module directory.
  std::string converterDirectory;
  // Files of a directory search are read and extracted by this many threads;
  // their lines, rows, counters, progress and problems are still committed
  // in the walk's order, so nothing the search writes changes. With 1 the
  // search's own thread reads alone.
  int workers = 1;

  // True when the running flag is set and cleared. An unset flag never cancels.
  bool IsCancelled() const {
    return runningFlag != nullptr && runningFlag->load(std::memory_order_relaxed) == 0;
  }
};
