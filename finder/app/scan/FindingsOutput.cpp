#include "finder/app/scan/FindingsOutput.h"

#include "finder/app/findings/FindingText.h"
#include "finder/app/findings/IgnoreMarker.h"
#include "platform/CodePage.h"

namespace {

// Counts without printing: --check or --baseline without --format.
class CountingPrinter : public FindingPrinter {
 public:
  void Print(const Finding&) override {}
  bool End(const FindingSummary&) override { return true; }
  bool Failed() const override { return false; }
};

}  // namespace

Baseline::Covered CoveredBy(const std::vector<SearchRoot>& roots) {
  struct Root {
    std::string relative;
    bool directory;
  };
  std::vector<Root> covered;
  const std::string here = findings::CurrentFolder();
  for (const SearchRoot& root : roots)
    covered.push_back({findings::RelativePath(platform::AnsiToUtf8OrRaw(root.path), here), root.directory});
  return [covered](const std::string& path) {
    for (const Root& root : covered) {
      if (path == root.relative) return true;
      if (!root.directory) continue;
      if (root.relative.empty() || root.relative == ".") return true;
      if (path.size() > root.relative.size() && path.compare(0, root.relative.size(), root.relative) == 0 &&
          path[root.relative.size()] == '/')
        return true;
    }
    return false;
  };
}

bool FindingsOutput::Open(const ScanOptions& options, const std::vector<SearchRoot>& roots, std::FILE* out,
                          std::string& error) {
  references_ = options.search.SearchUnicode != 0;
  if (options.format.empty()) {
    printer_ = std::make_unique<CountingPrinter>();
  } else {
    printer_ = MakePrinter(options.format, out);
    if (!printer_) {
      error = "unknown format '" + options.format + "': one of " + std::string(kFindingFormats) + " is needed";
      return false;
    }
  }
  covered_ = CoveredBy(roots);
  if (!options.baseline.empty()) {
    baselineFile_ = options.baseline;
    baseline_.emplace();
    if (!baseline_->Load(options.baseline, options.updateBaseline, error)) return false;
    if (options.updateBaseline) recorder_.emplace();
  }
  stream_.emplace(*printer_, baseline_ ? &*baseline_ : nullptr, recorder_ ? &*recorder_ : nullptr, covered_);
  stream_->Begin();
  return true;
}

void FindingsOutput::HitLine(const std::string& path, platform::TextEncoding encoding, bool systemText,
                             std::int64_t lineNumber, std::string_view line) {
  // A line marked to be left alone yields no finding (the report keeps it).
  if (LineHasIgnoreMarker(line)) return;
  if (path != path_) {
    path_ = path;
    pathUtf8_ = platform::AnsiToUtf8OrRaw(path);
  }
  FindRuns(line, encoding, systemText, references_, runs_);
  for (CharacterRun& run : runs_) {
    Finding finding;
    finding.path = pathUtf8_;
    finding.line = lineNumber;
    finding.column = run.byteColumn;
    finding.characterColumn = run.characterColumn;
    finding.characterSpan = run.characterSpan;
    finding.text = std::move(run.text);
    finding.encoding = platform::EncodingName(encoding);
    stream_->Add(finding);
  }
}

bool FindingsOutput::Close(std::int64_t files, std::int64_t characters, std::string& error) {
  bool whole = stream_->End(files, characters);
  if (!whole) error = "the findings could not be written whole";
  if (recorder_) {
    baseline_->KeepUncovered(covered_, *recorder_);
    std::string failure;
    if (!recorder_->Write(baselineFile_, failure)) {
      error = failure;
      whole = false;
    }
  }
  return whole;
}
