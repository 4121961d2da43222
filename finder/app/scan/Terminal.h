// What glyphwell-scan shows on the terminal's stderr: names made safe to
// print, the progress line, the export's messages and the files and folders
// that could not be read.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "finder/engine/Sinks.h"

// A path text as the terminal may show it: UTF-8, with control characters
// (C0, DEL and C1, which a terminal obeys) written as \xHH, so that a name
// holding escape sequences can neither retitle nor clear the terminal.
std::string TerminalText(std::string_view ansi);

// One line on stderr, redrawn a few times a second at most, so that a tree of
// many small files is not slowed down by the terminal.
class TerminalProgress : public ProgressSink {
 public:
  explicit TerminalProgress(std::FILE* err) : err_(err) {}
  ~TerminalProgress() override { Clear(); }
  void PostProgress(std::string path) override;
  void Clear();

 private:
  void Draw(const std::string& path);

  std::FILE* err_;
  long files_ = 0;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// The export's messages and the refused starts, as lines on stderr, the
// progress line cleared first.
class TerminalMessages : public MessageSink {
 public:
  TerminalMessages(std::FILE* err, TerminalProgress& progress) : err_(err), progress_(progress) {}
  void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;

 private:
  std::FILE* err_;
  TerminalProgress& progress_;
};

// One line on stderr for each folder or file that could not be read
// (whole), and for each file with bytes its encoding does not allow.
class TerminalProblems : public ProblemSink {
 public:
  TerminalProblems(std::FILE* err, TerminalProgress& progress) : err_(err), progress_(progress) {}
  void CannotRead(const std::string& path, ReadProblem problem, int errorNumber) override;
  void NotInItsEncoding(const std::string& path, const char* encoding) override;
  // Folders and files that could not be read at all.
  long Unreadable() const { return unreadable_; }

 private:
  std::FILE* err_;
  TerminalProgress& progress_;
  long unreadable_ = 0;
};
