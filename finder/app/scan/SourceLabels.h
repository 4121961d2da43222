// What glyphwell-scan adds to the engine's runs: the labels of where each
// stands in its file's syntax (comment, string, log call, locale file, ...)
// and the Chinese that a file writes as escapes.
#pragma once

#include <memory>
#include <string>

#include "finder/context/SourceContext.h"
#include "finder/engine/RunAnnotation.h"
#include "platform/TextEncoding.h"

struct SourceLabelsOptions {
  bool labels = false;   // each run's labels (context::Labels bits in CharacterRun::labels)
  bool escapes = false;  // runs of escapes that stand for characters that count
  platform::CharacterSet chars = platform::CharacterSet::Gbk;
  context::CallNames calls;  // beyond the built-in log and translation calls
};

class SourceLabels : public RunAnnotator {
 public:
  explicit SourceLabels(const SourceLabelsOptions& options);
  // A file's lines are read again, from its start up to its last line with
  // a run, only when labels are asked and a lexer reads its kind. Its path
  // is labelled as it lies below the current folder.
  std::unique_ptr<FileAnnotation> ForFile(const AnnotatedFile& file) const override;

 private:
  SourceLabelsOptions options_;
  context::Classifier classifier_;
  std::string here_;  // the current folder, which paths are labelled from
};
