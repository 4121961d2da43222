#include "finder/app/scan/FindingsOutput.h"

#include "finder/app/findings/FindingText.h"
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
  if (options.format.empty()) {
    printer_ = std::make_unique<CountingPrinter>();
  } else {
    PrinterOptions printing;
    printing.characterSet = ChoiceOf(kCharsChoices, options.search.Chars).option;
    printing.context = options.context;
    printing.skipping = options.skip != 0;
    printer_ = MakePrinter(options.format, out, printing);
    if (!printer_) {
      error = "unknown format '" + options.format + "': one of " + std::string(kFindingFormats) + " is needed";
      return false;
    }
  }
  context_ = options.context;
  skip_ = options.skip;
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

SinkVerdict FindingsOutput::Runs(const std::string& path, platform::TextEncoding encoding, std::int64_t lineNumber,
                                 std::string_view locator, std::vector<CharacterRun>& runs) {
  if (path != path_) {
    path_ = path;
    finding_.path = platform::AnsiToUtf8OrRaw(path);
  }
  finding_.line = lineNumber;
  if (locator.empty())
    finding_.locator.clear();
  else
    finding_.locator = platform::AnsiToUtf8Lenient(locator);
  finding_.encoding = platform::EncodingName(encoding);
  for (CharacterRun& run : runs) {
    finding_.column = run.byteColumn;
    finding_.characterColumn = run.characterColumn;
    finding_.characterSpan = run.characterSpan;
    finding_.text = run.text;  // a copy: both keep their room for the next line
    if (context_) {
      finding_.context.clear();
      for (int label = 0; label < context::kLabelCount; ++label)
        if (run.labels & context::Bit(static_cast<context::Label>(label)))
          finding_.context.push_back(context::LabelName(static_cast<context::Label>(label)));
    }
    stream_->Add(finding_, (run.labels & skip_) != 0);
  }
  return printer_->Failed() ? SinkVerdict::StopSearch : SinkVerdict::GoOn;
}

bool FindingsOutput::Close(std::int64_t files, std::int64_t characters, bool complete, std::string& error) {
  if (!stream_->End(files, characters)) {
    // A reader that went away is no failure of the listing, but a baseline
    // asked for and not written is.
    if (!printer_->Closed())
      error = "the findings could not be written whole";
    else if (recorder_)
      error = "the baseline " + baselineFile_ + " was not written: the findings' reader went away";
    else
      error.clear();
    return false;
  }
  if (!recorder_) return true;
  if (!complete) {
    error = "the baseline " + baselineFile_ + " was not written: the search did not read everything it covers";
    return false;
  }
  baseline_->KeepUncovered(covered_, *recorder_);
  return recorder_->Write(baselineFile_, error);
}
