// What the engine hands outward while a search runs: the name of each file as
// its scan starts, messages for the user, and the summary rows at the end.
// Front ends (the dialog, the terminal) implement them; the engine knows
// nothing else of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <vector>

#include "finder/engine/FindingRuns.h"
#include "finder/engine/SearchOutcome.h"
#include "platform/TextEncoding.h"

class ResultTable;

// What a sink answers for each hit or run handed to it, as a searcher's sink
// does: go on; stop this file's lines (the sink has taken all it can of
// them); or stop the search (its output has closed or failed). The engine
// obeys at once.
enum class SinkVerdict { GoOn, StopFile, StopSearch };

// Receives the name of each file as its scan starts. The name is handed over
// by value, so the receiver may keep it while the engine moves on; it must
// not block the engine (the dialog queues it, the terminal throttles it).
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void PostProgress(std::string path) = 0;
};

// Told of each folder or file that the search could not read, or could not
// read whole. The report and the counts stay as they are (a file that cannot
// be opened simply yields no lines); the terminal prints a line for each,
// the dialog says nothing, as the design asks of it.
enum class ReadProblem {
  Folder,           // a folder could not be listed
  File,             // a file could not be opened
  NotWhole,         // a file's scan ended early: a read error, or memory exhausted
  NotConverted,     // a document could not be converted (the report has its notice)
  ConvertedInPart   // a document's text was converted only in part
};
class ProblemSink {
 public:
  virtual ~ProblemSink() = default;
  // errorNumber: the errno value of the cause (ENOMEM for memory); for a
  // document, the converter's exit status (platform::ConverterExit; -1 when
  // it could not be started).
  virtual void CannotRead(const std::string& path, ReadProblem problem, int errorNumber) = 0;
  // The file held bytes that are not valid in its encoding (they acted as
  // ASCII does: ending a run, not written). Once per file.
  virtual void NotInItsEncoding(const std::string& path, const char* encoding) {
    (void)path;
    (void)encoding;
  }
};

enum class MessageKind { Plain, Information, Stop };

// Messages that the finder shows the user: message boxes in the dialog,
// lines on stderr in the terminal front end. Texts and captions are CP936.
// The call returns when the user has seen the message.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) = 0;
};

// The last step of every search, after the report is closed: the summary of
// all rows collected so far in this program run.
class SummaryExport {
 public:
  virtual ~SummaryExport() = default;
  virtual ExportStatus Export(const ResultTable& table) = 0;
  // Where the summary goes (a path text).
  virtual std::string Destination() const = 0;
};

// Told of the runs of characters of every line with characters, in the
// search's order (file by file, line by line): where each stands and what it
// holds, for a front end that shows where characters stand. A document's
// lines come with their locator ("paragraph 12", "Sheet1!B7"), where its
// line number is that of its converted text; other files' with none. The
// runs may be moved from.
class RunSink {
 public:
  virtual ~RunSink() = default;
  virtual SinkVerdict Runs(const std::string& path, platform::TextEncoding encoding, std::int64_t lineNumber,
                           std::string_view locator, std::vector<CharacterRun>& runs) = 0;
};
