// The baseline: the findings a tree is allowed to keep, so that CI fails only
// on new ones and the list can only shrink. A finding's fingerprint is its
// path (relative to the current folder), its text and its occurrence among
// the findings of equal text in that file, so moving lines changes nothing.
//
// The file lists, per path, each text with the number of its occurrences
// accepted; sorted, two blanks of indent, UTF-8 as it is, one line per text,
// so that a review sees a ratchet as counts going down:
//   {
//     "version": 1,
//     "files": {
//       "docs/a.html": {
//         "中文": 2,
//         "英文": 1
//       }
//     }
//   }
// A count n accepts occurrences 0 to n-1 of that text in that file.
#pragma once

#include <functional>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "finder/app/findings/Finding.h"
#include "finder/app/findings/FindingText.h"

namespace findings {
// Lets maps keyed by std::string be searched with a string_view.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
}  // namespace findings

// Numbers equal texts within a file in scan order. Findings come file by
// file (the walk scans a file once), so only the current file's texts are
// kept.
class OccurrenceCounter {
 public:
  std::int64_t Next(std::string_view path, std::string_view text);

 private:
  std::string path_;
  bool started_ = false;
  std::unordered_map<std::string, std::int64_t, findings::TextHash, std::equal_to<>> counts_;
};

class Baseline {
 public:
  // folder: what the baseline's paths are relative to; "" for the current folder.
  explicit Baseline(std::string folder = {});

  // Reads a baseline file (a native path). A file that does not exist is an
  // empty baseline when missingIsEmpty (--update-baseline starts one);
  // otherwise, and for a file that cannot be read or is malformed, false
  // with error naming the file.
  bool Load(const std::string& file, bool missingIsEmpty, std::string& error);

  // In scan order, each finding with its occurrence filled in: true when the
  // baseline accepts (suppresses) it.
  bool Accepts(const Finding& finding);

  // Whether a path of the baseline (relative to its folder) lies where the
  // scan looked: a scan of some files says nothing of the others.
  using Covered = std::function<bool(const std::string& relativePath)>;
  // Entries of the baseline, of files the scan covered, that no finding so
  // far matched.
  std::int64_t Gone(const Covered& covered) const;
  // The entries of files the scan did not cover go into the new baseline
  // as they stand.
  void KeepUncovered(const Covered& covered, class BaselineRecorder& recorder) const;
  std::int64_t Entries() const { return entries_; }

 private:
  struct Entry {
    std::int64_t accepted = 0;
    std::int64_t seen = 0;
  };
  using TextEntries = std::unordered_map<std::string, Entry, findings::TextHash, std::equal_to<>>;

  findings::PathRelativizer relative_;
  std::unordered_map<std::string, TextEntries> files_;
  std::int64_t entries_ = 0;
  // The current file's entries, looked up once per file.
  std::string currentPath_;
  bool haveCurrent_ = false;
  TextEntries* currentEntries_ = nullptr;
  std::string scratch_;
};

// Collects a scan's findings, suppressed ones too, and writes them as the
// new baseline.
class BaselineRecorder {
 public:
  explicit BaselineRecorder(std::string folder = {});

  void Add(const Finding& finding);
  // An entry as a baseline holds it: a path relative to the folder, a text
  // and how many of its occurrences are accepted.
  void AddEntry(const std::string& relativePath, const std::string& text, std::int64_t count);
  // The file's whole content.
  std::string Text() const;
  // Replaces file (a native path) only once the new content is complete: it
  // is written beside it and renamed over it. false with error naming the file.
  bool Write(const std::string& file, std::string& error) const;

 private:
  findings::PathRelativizer relative_;
  std::map<std::string, std::map<std::string, std::int64_t, std::less<>>> files_;
  std::map<std::string, std::int64_t, std::less<>>* current_ = nullptr;
  std::string currentPath_;
  std::string scratch_;
};
