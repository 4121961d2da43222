// What a front end may add to a file's runs before they leave the thread
// that read them: runs of its own (characters the extraction does not see,
// such as Chinese written as escapes) and a set of bits on each run (what it
// is in its file). The engine only carries the bits; their meaning is the
// front end's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "finder/engine/FindingRuns.h"
#include "platform/TextEncoding.h"

// How the file being annotated is read, so that an annotation that reads it
// again gets the same lines.
struct AnnotatedFile {
  const std::string& path;  // a path text, as the search found it
  platform::TextEncoding encoding = platform::TextEncoding::Gbk;
  std::size_t markLength = 0;  // of the byte-order mark the lines start after
  bool converted = false;      // the lines are a converted document's text, not path's bytes
};

class FileAnnotation {
 public:
  virtual ~FileAnnotation() = default;
  // A line with runs, or one handed over without any (ScanSettings::findEscapes),
  // in line order; line is as the reader gave it (FindRuns). The runs are in
  // column order and stay so. before is the text before the line, from the
  // start, as the reader gave it, when the reader still holds it (a file
  // that fits its buffer), so that an annotation need not read it again.
  virtual void Line(std::int64_t lineNumber, std::string_view line, std::optional<std::string_view> before,
                    std::vector<CharacterRun>& runs) = 0;
};

// One for a search, asked from every thread that reads, so it must be safe
// to call at once from several.
class RunAnnotator {
 public:
  virtual ~RunAnnotator() = default;
  // Made at a file's first line that reaches it: a file without one costs nothing.
  virtual std::unique_ptr<FileAnnotation> ForFile(const AnnotatedFile& file) const = 0;
};
