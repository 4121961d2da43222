#include "finder/app/findings/FindingStream.h"

FindingStream::FindingStream(FindingPrinter& printer, Baseline* baseline, BaselineRecorder* recorder,
                             Baseline::Covered covered)
    : printer_(printer),
      baseline_(baseline),
      recorder_(recorder),
      covered_(covered ? std::move(covered) : [](const std::string&) { return true; }),
      numbered_(baseline != nullptr || recorder != nullptr || printer.UsesOccurrence()) {}

bool FindingStream::Add(Finding& finding, bool skipped) {
  if (numbered_) finding.occurrence = occurrences_.Next(finding.path, finding.text);
  if (recorder_ != nullptr) recorder_->Add(finding);
  const bool accepted = baseline_ != nullptr && baseline_->Accepts(finding);
  if (skipped) {
    ++skipped_;
    return false;
  }
  if (accepted) {
    ++suppressed_;
    return false;
  }
  ++new_;
  printer_.Print(finding);
  return true;
}

FindingSummary FindingStream::Summary(std::int64_t files, std::int64_t characters) const {
  FindingSummary summary;
  summary.files = files;
  summary.characters = characters;
  summary.findings = new_;
  summary.suppressed = suppressed_;
  summary.skipped = skipped_;
  summary.baselineGone = baseline_ != nullptr ? baseline_->Gone(covered_) : 0;
  return summary;
}
