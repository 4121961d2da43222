#include "finder/app/findings/FindingPrinter.h"

#include "finder/app/findings/FindingText.h"
#include "finder/app/findings/PrinterOutput.h"

namespace {

using findings::PrinterOutput;

// A file's findings come together, so its path is escaped once for them all.
class PathCache {
 public:
  template <class Escape>
  const std::string& Get(const std::string& path, Escape escape) {
    if (!valid_ || path != path_) {
      path_ = path;
      shown_.clear();
      escape(shown_, path);
      valid_ = true;
    }
    return shown_;
  }

 private:
  bool valid_ = false;
  std::string path_;
  std::string shown_;
};

std::int64_t EndColumn(const Finding& finding) {
  const std::int64_t span = finding.characterSpan > 0 ? finding.characterSpan : findings::CodePointCount(finding.text);
  return finding.characterColumn + span;
}

class VimgrepPrinter : public FindingPrinter {
 public:
  VimgrepPrinter(std::FILE* out, const PrinterOptions& options) : out_(out), context_(options.context) {}

  void Print(const Finding& finding) override {
    if (out_.Failed()) return;
    out_.Append(paths_.Get(finding.path, findings::AppendTerminalSafe));
    out_.Append(':');
    if (!finding.locator.empty()) {
      // A document's place is its locator: a line and column would send an
      // editor into the document's bytes.
      findings::AppendTerminalSafe(out_.Buffer(), finding.locator);
    } else {
      out_.AppendNumber(finding.line);
      out_.Append(':');
      out_.AppendNumber(finding.column);
    }
    out_.Append(':');
    if (context_) findings::AppendLabelPrefix(out_.Buffer(), finding);
    findings::AppendTerminalSafe(out_.Buffer(), finding.text);
    out_.Append('\n');
    out_.MaybeFlush();
  }
  bool End(const FindingSummary&) override { return out_.Finish(); }
  bool Failed() const override { return out_.Failed(); }
  bool Closed() const override { return out_.Closed(); }

 private:
  PrinterOutput out_;
  PathCache paths_;
  bool context_;
};

class JsonLinesPrinter : public FindingPrinter {
 public:
  JsonLinesPrinter(std::FILE* out, const PrinterOptions& options)
      : out_(out), characterSet_(options.characterSet), context_(options.context), skipping_(options.skipping) {}

  void Print(const Finding& finding) override {
    if (out_.Failed()) return;
    out_.Append(R"({"type":"finding","path":)");
    out_.Append(paths_.Get(finding.path, findings::AppendJsonString));
    if (!finding.locator.empty()) {
      out_.Append(R"(,"locator":)");
      findings::AppendJsonString(out_.Buffer(), finding.locator);
    } else {
      out_.Append(R"(,"line":)");
      out_.AppendNumber(finding.line);
      out_.Append(R"(,"column":)");
      out_.AppendNumber(finding.column);
      out_.Append(R"(,"character_column":)");
      out_.AppendNumber(finding.characterColumn);
    }
    out_.Append(R"(,"text":)");
    findings::AppendJsonString(out_.Buffer(), finding.text);
    out_.Append(R"(,"encoding":)");
    findings::AppendJsonString(out_.Buffer(), finding.encoding);
    if (context_) {
      out_.Append(R"(,"context":)");
      findings::AppendLabelArray(out_.Buffer(), finding);
    }
    out_.Append("}\n");
    out_.MaybeFlush();
  }

  bool End(const FindingSummary& summary) override {
    out_.Append(R"({"type":"summary","files":)");
    out_.AppendNumber(summary.files);
    out_.Append(R"(,"characters":)");
    out_.AppendNumber(summary.characters);
    out_.Append(R"(,"findings":)");
    out_.AppendNumber(summary.findings);
    out_.Append(R"(,"suppressed":)");
    out_.AppendNumber(summary.suppressed);
    out_.Append(R"(,"baseline_gone":)");
    out_.AppendNumber(summary.baselineGone);
    if (skipping_) {
      out_.Append(R"(,"skipped":)");
      out_.AppendNumber(summary.skipped);
    }
    out_.Append(R"(,"chars":)");
    findings::AppendJsonString(out_.Buffer(), characterSet_);
    out_.Append("}\n");
    return out_.Finish();
  }
  bool Failed() const override { return out_.Failed(); }
  bool Closed() const override { return out_.Closed(); }

 private:
  PrinterOutput out_;
  PathCache paths_;
  std::string characterSet_;
  bool context_;
  bool skipping_;
};

std::string Counted(std::int64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

class GithubPrinter : public FindingPrinter {
 public:
  GithubPrinter(std::FILE* out, const PrinterOptions& options)
      : out_(out), relative_(options.currentFolder), limit_(options.annotationLimit < 0 ? 0 : options.annotationLimit),
        context_(options.context), skipping_(options.skipping) {}

  void Print(const Finding& finding) override {
    if (++printed_ > limit_ || out_.Failed()) return;
    out_.Append("::warning file=");
    out_.Append(paths_.Get(finding.path, [&](std::string& shown, const std::string& path) {
      findings::AppendWorkflowProperty(shown, relative_.Relative(path));
    }));
    if (finding.locator.empty()) {
      out_.Append(",line=");
      out_.AppendNumber(finding.line);
      out_.Append(",col=");
      out_.AppendNumber(finding.characterColumn);
      out_.Append(",endColumn=");
      out_.AppendNumber(EndColumn(finding));
    }
    out_.Append("::");
    // A document's finding is annotated on the file, its locator first.
    std::string message = finding.locator.empty() ? std::string() : finding.locator + ": ";
    if (context_) findings::AppendLabelPrefix(message, finding);
    message += finding.text;
    findings::AppendWorkflowData(out_.Buffer(), message);
    out_.Append('\n');
  }

  // Always one closing notice, so a run that annotated nothing still says
  // what it searched and what the baseline held back.
  bool End(const FindingSummary& summary) override {
    std::string text = "glyphwell-scan: " + Counted(summary.files, "file", "files") + ", " +
                       Counted(summary.characters, "character", "characters") + ", " +
                       Counted(summary.findings, "finding", "findings") + ", " +
                       std::to_string(summary.suppressed) + " suppressed by the baseline, " +
                       Counted(summary.baselineGone, "baseline entry", "baseline entries") + " gone";
    if (skipping_) text += ", " + std::to_string(summary.skipped) + " skipped by their labels";
    if (printed_ > limit_) {
      text += "; " + Counted(printed_ - limit_, "finding is", "findings are") +
              " not annotated (GitHub shows at most " + std::to_string(limit_) +
              " annotations a step): --format vimgrep lists them all";
    }
    out_.Append("::notice::");
    findings::AppendWorkflowData(out_.Buffer(), text);
    out_.Append('\n');
    return out_.Finish();
  }
  bool Failed() const override { return out_.Failed(); }
  bool Closed() const override { return out_.Closed(); }

 private:
  PrinterOutput out_;
  findings::PathRelativizer relative_;
  PathCache paths_;
  std::int64_t limit_;
  std::int64_t printed_ = 0;
  bool context_;
  bool skipping_;
};

}  // namespace

std::unique_ptr<FindingPrinter> MakePrinter(std::string_view format, std::FILE* out, const PrinterOptions& options) {
  if (format == "vimgrep") return std::make_unique<VimgrepPrinter>(out, options);
  if (format == "json") return std::make_unique<JsonLinesPrinter>(out, options);
  if (format == "sarif") return findings::MakeSarifPrinter(out, options);
  if (format == "github") return std::make_unique<GithubPrinter>(out, options);
  return nullptr;
}
