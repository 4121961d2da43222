// The SARIF 2.1.0 document, written as it goes so that a large scan needs no
// memory for its results: the header at Begin, one result a line, the run's
// counters at End. GitHub code scanning takes the fields it requires from it.
#include <filesystem>

#include "finder/app/findings/FindingText.h"
#include "finder/app/findings/PrinterOutput.h"

namespace findings {

namespace {

constexpr std::string_view kRuleId = "chinese-characters";

// FNV-1a: stable across builds and machines, which std::hash is not.
std::uint64_t Fnv1a(std::string_view text, std::uint64_t hash = 14695981039346656037ull) {
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool LeavesFolder(std::string_view relative) {
  return relative == ".." || relative.substr(0, 3) == "../";
}

class SarifPrinter : public FindingPrinter {
 public:
  SarifPrinter(std::FILE* out, const PrinterOptions& options)
      : out_(out), relative_(options.currentFolder), informationUri_(options.informationUri),
        toolVersion_(options.toolVersion),
        // The message says what the characters are under the set in force.
        messagePrefix_(options.characterSet == "han" ? "Chinese text (character set han): "
                                                     : "Chinese characters (character set gbk): "),
        context_(options.context), skipping_(options.skipping) {}

  void Begin() override {
    if (begun_) return;
    begun_ = true;
    std::string& o = out_.Buffer();
    o += R"({"$schema":"https://json.schemastore.org/sarif-2.1.0.json","version":"2.1.0","runs":[{"tool":{"driver":{)";
    o += R"("name":"glyphwell-scan","version":)";
    AppendJsonString(o, toolVersion_);
    if (!informationUri_.empty()) {
      o += R"(,"informationUri":)";
      AppendJsonString(o, informationUri_);
    }
    o += R"(,"rules":[{"id":)";
    AppendJsonString(o, kRuleId);
    o += R"(,"name":"ChineseCharacters")"
         R"(,"shortDescription":{"text":"Chinese characters in a text file"})"
         R"(,"fullDescription":{"text":"A line holds Chinese characters or full-width punctuation, which in a )"
         R"(product being moved to other languages mark text that is not translated yet."})"
         R"(,"help":{"text":"Translate the text or move it into the translation resources. To accept what a )"
         R"(tree holds today, record it with --update-baseline and check later scans with --baseline; a line )"
         R"(that must keep its characters is passed over when it holds the marker glyphwell-ignore.",)"
         R"("markdown":"Translate the text or move it into the translation resources.\n\nTo accept what a tree )"
         R"(holds today, record it with `--update-baseline` and check later scans with `--baseline FILE`; a )"
         R"(line that must keep its characters is passed over when it holds the marker `glyphwell-ignore`."})"
         R"(,"defaultConfiguration":{"level":"warning"}}]}})";
    if (!relative_.Folder().empty()) {
      o += R"(,"originalUriBaseIds":{"%SRCROOT%":{"uri":"file://)";
      std::string folder;
      AppendPercentEncoded(folder, relative_.Folder());
      if (folder.back() != '/') folder += '/';
      o += folder;
      o += R"("}})";
    }
    o += R"(,"columnKind":"unicodeCodePoints","results":[)";
  }

  void Print(const Finding& finding) override {
    Begin();
    if (out_.Failed()) return;
    std::string& o = out_.Buffer();
    o += first_ ? "\n" : ",\n";
    first_ = false;
    o += R"({"ruleId":)";
    AppendJsonString(o, kRuleId);
    o += R"(,"ruleIndex":0,"level":"warning","message":{"text":)";
    AppendJsonString(o, messagePrefix_ + finding.text);
    o += R"(},"locations":[{"physicalLocation":{"artifactLocation":)";
    o += Location(finding.path);
    if (!finding.locator.empty()) {
      // A document has no lines a viewer of the file could show: the
      // finding stands at a logical place in it instead.
      o += R"(},"logicalLocations":[{"name":)";
      AppendJsonString(o, finding.locator);
      o += R"(,"kind":"element"}]}],"partialFingerprints":{"primaryLocationLineHash":")";
    } else {
      o += R"(,"region":{"startLine":)";
      out_.AppendNumber(finding.line);
      o += R"(,"startColumn":)";
      out_.AppendNumber(finding.characterColumn);
      o += R"(,"endLine":)";
      out_.AppendNumber(finding.line);
      o += R"(,"endColumn":)";
      const std::int64_t span = finding.characterSpan > 0 ? finding.characterSpan : CodePointCount(finding.text);
      out_.AppendNumber(finding.characterColumn + span);
      o += R"(}}}],"partialFingerprints":{"primaryLocationLineHash":")";
    }
    o += Fingerprint(finding);
    o += '"';
    if (context_) {
      o += R"(},"properties":{"context":)";
      AppendLabelArray(o, finding);
    }
    o += "}}";
    out_.MaybeFlush();
  }

  bool End(const FindingSummary& summary) override {
    Begin();
    std::string& o = out_.Buffer();
    o += first_ ? "]" : "\n]";
    o += R"(,"properties":{"files":)";
    out_.AppendNumber(summary.files);
    o += R"(,"characters":)";
    out_.AppendNumber(summary.characters);
    o += R"(,"findings":)";
    out_.AppendNumber(summary.findings);
    o += R"(,"suppressed":)";
    out_.AppendNumber(summary.suppressed);
    o += R"(,"baselineGone":)";
    out_.AppendNumber(summary.baselineGone);
    if (skipping_) {
      o += R"(,"skipped":)";
      out_.AppendNumber(summary.skipped);
    }
    o += "}}]}\n";
    return out_.Finish();
  }

  bool Failed() const override { return out_.Failed(); }
  bool Closed() const override { return out_.Closed(); }
  bool UsesOccurrence() const override { return true; }

 private:
  // The artifactLocation object of a path; a file's findings share it.
  const std::string& Location(const std::string& path) {
    if (locationValid_ && path == locationPath_) return location_;
    locationValid_ = true;
    locationPath_ = path;
    const std::string& relative = relative_.Relative(path);
    location_ = R"({"uri":")";
    if (LeavesFolder(relative) || (relative_.Folder().empty() && !path.empty() && path.front() == '/')) {
      // GitHub cannot place a file outside the checkout; an absolute URI at
      // least names it.
      namespace fs = std::filesystem;
      location_ += "file://";
      AppendPercentEncoded(location_, (fs::path(relative_.Folder()) / path).lexically_normal().generic_string());
      location_ += R"("})";
    } else {
      AppendPercentEncoded(location_, relative);
      location_ += R"(","uriBaseId":"%SRCROOT%"})";
    }
    return location_;
  }

  // The finding's fingerprint (path, text, occurrence) as one opaque value in
  // the form GitHub's own hashes take: hash, ":", number.
  std::string Fingerprint(const Finding& finding) {
    const std::uint64_t hash = Fnv1a(finding.text, Fnv1a(std::string_view("\0", 1), Fnv1a(relative_.Relative(finding.path))));
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string(hex) + ":" + std::to_string(finding.occurrence);
  }

  PrinterOutput out_;
  PathRelativizer relative_;
  std::string informationUri_;
  std::string toolVersion_;
  std::string messagePrefix_;
  bool context_;
  bool skipping_;
  bool begun_ = false;
  bool first_ = true;
  bool locationValid_ = false;
  std::string locationPath_;
  std::string location_;
};

}  // namespace

std::unique_ptr<FindingPrinter> MakeSarifPrinter(std::FILE* out, const PrinterOptions& options) {
  return std::make_unique<SarifPrinter>(out, options);
}

}  // namespace findings
