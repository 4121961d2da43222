#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <nlohmann/json.hpp>

#include "finder/app/findings/Baseline.h"
#include "finder/app/findings/FindingPrinter.h"
#include "finder/app/findings/FindingStream.h"
#include "finder/app/findings/FindingText.h"
#include "finder/app/findings/IgnoreMarker.h"
#include "finder/app/findings/PathExclusions.h"
#include "finder/app/findings/PathList.h"
#include "tests/support/TempDir.h"

namespace {

constexpr const char* kTree = "/work/tree";

Finding Make(std::string path, std::int64_t line, std::int64_t column, std::int64_t characterColumn, std::string text,
             std::string encoding = "UTF-8", std::int64_t span = 0) {
  return {std::move(path), line, column, characterColumn, std::move(text), std::move(encoding), span, 0, {}, {}};
}

// What write prints on a FILE*.
std::string Printed(const std::function<void(std::FILE*)>& write) {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&data, &size);
  write(out);
  std::fclose(out);
  std::string text(data, size);
  std::free(data);
  return text;
}

// A baseline file's bytes as the recorder must write them: sorted, indented, one entry a line.
std::string Pretty(const char* json) { return nlohmann::ordered_json::parse(json).dump(2) + "\n"; }

// A small tree as the walk reports it. docs/页面 一.html is GBK; its line 3
// is "\t标题 <b>中文</b>" (a tab and two wide characters before 中文, which
// thus starts at byte 10 but code point 8) and its line 4
// "<p>&#20013;&#25991;</p>" (one run of two references, 16 characters
// wide). src/a b.txt is UTF-8 with line 12 `x = "你好"; // 世界`.
std::vector<Finding> SmallTree() {
  return {Make("docs/页面 一.html", 3, 2, 2, "标题", "GBK"), Make("docs/页面 一.html", 3, 10, 8, "中文", "GBK"),
          Make("docs/页面 一.html", 4, 4, 4, "中文", "GBK", 16), Make("src/a b.txt", 12, 6, 6, "你好"),
          Make("src/a b.txt", 12, 18, 14, "世界")};
}

FindingSummary SmallTreeSummary() { return {2, 12, 5, 1, 0}; }

std::string Render(std::string_view format, std::vector<Finding> findings, const FindingSummary& summary,
                   PrinterOptions options = {}) {
  if (options.currentFolder.empty()) options.currentFolder = kTree;
  return Printed([&](std::FILE* out) {
    auto printer = MakePrinter(format, out, options);
    ASSERT_NE(printer, nullptr);
    OccurrenceCounter occurrences;
    printer->Begin();
    for (Finding& finding : findings) {
      finding.occurrence = occurrences.Next(finding.path, finding.text);
      printer->Print(finding);
    }
    EXPECT_TRUE(printer->End(summary));
  });
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(FindingText, EscapingForEachFormatAndRelativePaths) {
  const std::string nasty = "a\"b\\c\td\x1b[2Je\x7f" "f\xC2\x85g\xFFh中";
  std::string json;
  findings::AppendJsonString(json, nasty);
  EXPECT_EQ(json, "\"a\\\"b\\\\c\\td\\u001B[2Je\\u007Ff\\u0085g\xEF\xBF\xBDh中\"");
  EXPECT_TRUE(nlohmann::json::accept(json));

  std::string terminal;
  findings::AppendTerminalSafe(terminal, nasty);
  EXPECT_EQ(terminal, "a\"b\\c\\x09d\\x1B[2Je\\x7Ff\\x85g\\xFFh中");

  std::string uri;
  findings::AppendPercentEncoded(uri, "docs/页面 一.html?#%~");
  EXPECT_EQ(uri, "docs/%E9%A1%B5%E9%9D%A2%20%E4%B8%80.html%3F%23%25~");

  std::string data, property;
  findings::AppendWorkflowData(data, "50%:a,b\r\n中");
  findings::AppendWorkflowProperty(property, "50%:a,b\r\n中");
  EXPECT_EQ(data, "50%25:a,b%0D%0A中");
  EXPECT_EQ(property, "50%25%3Aa%2Cb%0D%0A中");

  // Overlong forms, surrogates and cut sequences are not UTF-8.
  EXPECT_TRUE(findings::IsValidUtf8("中文 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(findings::IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(findings::IsValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(findings::IsValidUtf8("\xE4\xB8"));

  // Paths relative to the current folder, however spelt.
  EXPECT_EQ(findings::RelativePath("./docs//x/../a.html", kTree), "docs/a.html");
  EXPECT_EQ(findings::RelativePath("/work/tree/./docs/a.html", "/work/tree/"), "docs/a.html");
  EXPECT_EQ(findings::RelativePath("/work/other/a.html", kTree), "../other/a.html");
  EXPECT_EQ(findings::RelativePath("/a.html", "/"), "a.html");
}

// What the runs of glyphwell-scan do not meet: GitHub's code-point columns
// and a reference run's width, a GBK file's encoding, the closing notice;
// and names that would end a line, drive the terminal, split GitHub's
// properties or break JSON.
TEST(Printers, ColumnsNoticesAndHostileNames) {
  const std::vector<std::string> json = Lines(Render("json", SmallTree(), SmallTreeSummary()));
  ASSERT_EQ(json.size(), 6u);
  EXPECT_EQ(json[1],
            R"({"type":"finding","path":"docs/页面 一.html","line":3,"column":10,"character_column":8,"text":"中文","encoding":"GBK"})");
  const std::vector<std::string> github = Lines(Render("github", SmallTree(), SmallTreeSummary()));
  ASSERT_EQ(github.size(), 6u);
  EXPECT_EQ(github[1], "::warning file=docs/页面 一.html,line=3,col=8,endColumn=10::中文");
  EXPECT_EQ(github[2], "::warning file=docs/页面 一.html,line=4,col=4,endColumn=20::中文");
  EXPECT_EQ(github[5], "::notice::glyphwell-scan: 2 files, 12 characters, 5 findings, 1 suppressed by the baseline, "
                       "0 baseline entries gone");

  EXPECT_EQ(Render("vimgrep", {Make("x\n\x1b]0;t\x07\xC2\x9B.txt", 1, 1, 1, "中")}, {}),
            "x\\x0A\\x1B]0;t\\x07\\x9B.txt:1:1:中\n");
  EXPECT_EQ(Lines(Render("github", {Make("/work/tree/a:b,c.txt", 1, 1, 1, "中")}, {}))[0],
            "::warning file=a%3Ab%2Cc.txt,line=1,col=1,endColumn=2::中");
  const std::string odd = Render("json", {Make("a\"\n\xFF.txt", 1, 1, 1, "中")}, {});
  for (const std::string& line : Lines(odd)) EXPECT_TRUE(nlohmann::json::accept(line)) << line;
  EXPECT_EQ(nlohmann::json::parse(Lines(odd)[0])["path"], "a\"\n\xEF\xBF\xBD.txt");
}

TEST(Printers, SarifHoldsWhatGithubRequires) {
  PrinterOptions options;
  options.informationUri = "https://glyphwell.example/scan";
  std::vector<Finding> findings = SmallTree();
  findings.push_back(Make("/elsewhere/b.txt", 1, 1, 1, "中"));
  const nlohmann::json log = nlohmann::json::parse(Render("sarif", findings, SmallTreeSummary(), options));

  EXPECT_FALSE(log.at("$schema").get<std::string>().empty());
  EXPECT_EQ(log.at("version"), "2.1.0");
  ASSERT_EQ(log.at("runs").size(), 1u);
  const nlohmann::json& run = log["runs"][0];
  const nlohmann::json& driver = run.at("tool").at("driver");
  EXPECT_EQ(driver.at("name"), "glyphwell-scan");
  EXPECT_EQ(driver.at("version"), "0.80");
  EXPECT_EQ(driver.at("informationUri"), options.informationUri);
  ASSERT_EQ(driver.at("rules").size(), 1u);
  const nlohmann::json& rule = driver["rules"][0];
  for (const char* field : {"/id", "/name", "/shortDescription/text", "/fullDescription/text", "/help/text"}) {
    EXPECT_FALSE(rule.at(nlohmann::json::json_pointer(field)).get<std::string>().empty()) << field;
  }
  EXPECT_EQ(rule.at("defaultConfiguration").at("level"), "warning");
  EXPECT_EQ(run.at("columnKind"), "unicodeCodePoints");
  EXPECT_EQ(run.at("originalUriBaseIds").at("%SRCROOT%").at("uri"), "file:///work/tree/");

  const nlohmann::json& results = run.at("results");
  ASSERT_EQ(results.size(), 6u);
  for (const nlohmann::json& result : results) {
    EXPECT_EQ(result.at("ruleId"), rule["id"]);
    EXPECT_EQ(result.at("level"), "warning");
    ASSERT_EQ(result.at("locations").size(), 1u);
    EXPECT_FALSE(result.at("partialFingerprints").at("primaryLocationLineHash").get<std::string>().empty());
  }
  const nlohmann::json& third = results[2];
  EXPECT_NE(third.at("message").at("text").get<std::string>().find("中文"), std::string::npos);
  const nlohmann::json& location = third["locations"][0]["physicalLocation"];
  EXPECT_EQ(location.at("artifactLocation"),
            nlohmann::json::parse(R"({"uri":"docs/%E9%A1%B5%E9%9D%A2%20%E4%B8%80.html","uriBaseId":"%SRCROOT%"})"));
  EXPECT_EQ(location.at("region"), nlohmann::json::parse(R"({"startLine":4,"startColumn":4,"endLine":4,"endColumn":20})"));
  EXPECT_EQ(results[4]["locations"][0]["physicalLocation"]["region"],
            nlohmann::json::parse(R"({"startLine":12,"startColumn":14,"endLine":12,"endColumn":16})"));
  // A file outside the current folder is named by its absolute URI.
  EXPECT_EQ(results[5]["locations"][0]["physicalLocation"]["artifactLocation"],
            nlohmann::json::parse(R"({"uri":"file:///elsewhere/b.txt"})"));
  // Equal texts of one file differ by occurrence; the counters close the run.
  EXPECT_NE(results[1]["partialFingerprints"], results[2]["partialFingerprints"]);
  EXPECT_EQ(run.at("properties").at("suppressed"), 1);

  // The fingerprint follows the finding, not its line.
  std::vector<Finding> moved = SmallTree();
  for (Finding& finding : moved) finding.line += 7;
  const nlohmann::json again = nlohmann::json::parse(Render("sarif", moved, SmallTreeSummary(), options));
  for (std::size_t i = 0; i < moved.size(); ++i) {
    EXPECT_EQ(again["runs"][0]["results"][i]["partialFingerprints"], results[i]["partialFingerprints"]);
  }
  // No findings is still a whole document.
  EXPECT_TRUE(nlohmann::json::parse(Render("sarif", {}, {}))["runs"][0]["results"].empty());
}

TEST(Printers, UnknownFormatsAndFailedOutput) {
  EXPECT_EQ(MakePrinter("xml", stdout), nullptr);
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  for (const char* format : {"vimgrep", "json", "sarif", "github"}) {
    auto printer = MakePrinter(format, full);
    printer->Begin();
    printer->Print(Make("a.txt", 1, 1, 1, "中"));
    EXPECT_FALSE(printer->End({})) << format;
    EXPECT_TRUE(printer->Failed()) << format;
    std::clearerr(full);
  }
  std::fclose(full);
}

class BaselineLife : public ::testing::Test {
 protected:
  // Scans the findings as a search hands them over and returns what was
  // printed, in vimgrep form.
  std::string Scan(std::vector<Finding> findings, Baseline* baseline, BaselineRecorder* recorder = nullptr) {
    return Printed([&](std::FILE* out) {
      auto printer = MakePrinter("vimgrep", out);
      FindingStream stream(*printer, baseline, recorder);
      stream.Begin();
      for (Finding& finding : findings) stream.Add(finding);
      summary_ = stream.Summary(1, 0);
      EXPECT_TRUE(stream.End(1, 0));
    });
  }

  // A baseline read from file, as each run of the program reads it afresh.
  std::unique_ptr<Baseline> Loaded(const std::string& file) {
    auto baseline = std::make_unique<Baseline>(kTree);
    std::string error;
    EXPECT_TRUE(baseline->Load(file, false, error)) << error;
    return baseline;
  }

  static std::vector<Finding> Today(int shift = 0) {
    return {Make("/work/tree/a.html", 1 + shift, 1, 1, "中文"), Make("/work/tree/a.html", 2 + shift, 1, 1, "英文"),
            Make("/work/tree/a.html", 5 + shift, 1, 1, "中文"), Make("b/c.txt", 1, 1, 1, "你好")};
  }

  TempDir dir_;
  FindingSummary summary_;
};

TEST_F(BaselineLife, WrittenSortedThenOnlyNewFindingsPass) {
  const std::string file = dir_ / "baseline.json";
  BaselineRecorder recorder(kTree);
  Baseline none(kTree);
  ASSERT_EQ(Lines(Scan(Today(), &none, &recorder)).size(), 4u);  // an empty baseline holds nothing back
  std::string error;
  ASSERT_TRUE(recorder.Write(file, error)) << error;
  EXPECT_EQ(ReadFileBytes(file), Pretty(R"({"version":1,"files":{"a.html":{"中文":2,"英文":1},"b/c.txt":{"你好":1}}})"));
  // The same findings in another file order give the same bytes.
  BaselineRecorder reordered(kTree);
  std::vector<Finding> today = Today();
  std::rotate(today.begin(), today.begin() + 3, today.end());
  Baseline unused(kTree);
  Scan(today, &unused, &reordered);
  EXPECT_EQ(reordered.Text(), ReadFileBytes(file));
}

// A baseline read back lets findings pass by file and text, whatever their
// lines; that the ratchet holds through the program is findings_scan_test's.
TEST_F(BaselineLife, PathsSpeltAnyWayAndTheOccurrenceThatIsNew) {
  // As a reviewer may have edited it: paths spelt in other ways.
  const std::string file =
      dir_.Write("baseline.json", R"({"version":1,"files":{"./a.html":{"中文":2,"英文":1},"/work/tree/b/c.txt":{"你好":1}}})");
  EXPECT_EQ(Scan(Today(3), Loaded(file).get()), "");  // a new line above shifts nothing

  std::vector<Finding> more = Today();
  more.insert(more.begin() + 2, Make("/work/tree/a.html", 3, 1, 1, "中文"));
  // The third 中文 in scan order is the one the baseline does not hold.
  EXPECT_EQ(Scan(more, Loaded(file).get()), "/work/tree/a.html:5:1:中文\n");
  EXPECT_EQ(summary_.findings, 1);
  EXPECT_EQ(summary_.suppressed, 4);
}

TEST_F(BaselineLife, OddNamesAndEmptyBaselinesReadBack) {
  const std::string file = dir_ / "baseline.json";
  std::string error;
  BaselineRecorder empty(kTree);
  ASSERT_TRUE(empty.Write(file, error)) << error;
  EXPECT_EQ(ReadFileBytes(file), Pretty(R"({"version":1,"files":{}})"));
  Baseline baseline(kTree);
  EXPECT_TRUE(baseline.Load(file, false, error)) << error;

  // A name that is not UTF-8, with a quote and a line break, is matched in
  // the form JSON gives it.
  const Finding odd = Make("b\"a\nd\xFF.txt", 1, 1, 1, "中");
  BaselineRecorder recorder(kTree);
  recorder.Add(odd);
  ASSERT_TRUE(recorder.Write(file, error)) << error;
  ASSERT_TRUE(baseline.Load(file, false, error)) << error;
  EXPECT_TRUE(baseline.Accepts(odd));
}

TEST_F(BaselineLife, MissingUnreadableAndMalformedFilesAreNamed) {
  Baseline baseline(kTree);
  std::string error;
  const std::string missing = dir_ / "none.json";
  EXPECT_TRUE(baseline.Load(missing, true, error));
  EXPECT_EQ(baseline.Entries(), 0);
  EXPECT_FALSE(baseline.Load(missing, false, error));
  EXPECT_NE(error.find(missing), std::string::npos);
  EXPECT_FALSE(baseline.Load(dir_.Path(), true, error));  // a folder is no baseline
  for (const char* content : {"{\"version\":1,\"files\":{", "[]", R"({"version":2,"files":{}})",
                              R"({"version":1,"files":{"a":{"中":-1}}})", R"({"version":1,"files":{"a":["中"]}})"}) {
    const std::string file = dir_.Write("bad.json", content);
    error.clear();
    EXPECT_FALSE(baseline.Load(file, true, error)) << content;
    EXPECT_EQ(error.find("the baseline " + file + " is malformed: "), 0u) << error;
  }
}

TEST_F(BaselineLife, WriteReplacesOnlyWhenComplete) {
  BaselineRecorder recorder(kTree);
  recorder.Add(Make("a.txt", 1, 1, 1, "中"));
  std::string error;
  // Through a link, the link stays and its target gets the content.
  const std::string target = dir_.Write("real.json", "old");
  const std::string link = dir_ / "link.json";
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(recorder.Write(link, error)) << error;
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileBytes(target), recorder.Text());

  EXPECT_FALSE(recorder.Write(dir_.MakeDir("folder.json"), error));
  EXPECT_NE(error.find("folder.json"), std::string::npos);
  const std::string kept = dir_.Write("locked/baseline.json", "old");
  {
    const ScopedReadOnly locked(dir_ / "locked");
    if (locked.Active()) {
      EXPECT_FALSE(recorder.Write(kept, error));
    }
  }
  EXPECT_EQ(ReadFileBytes(kept), "old");
}

TEST(PathExclusions, GlobsAsGitignoreHasThem) {
  PathExclusions exclusions;
  std::string error;
  for (const char* glob : {"*.min.js", "build/", "docs/old/*.html", "**/vendor", "third/**", "/top?.txt", "a/**/z.txt"}) {
    ASSERT_TRUE(exclusions.Add(glob, error)) << glob;
  }
  struct Case {
    const char* path;
    bool folder;
    bool excluded;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"app.min.js", false, true},          {"web/lib/app.min.js", false, true},
           {"build", true, true},                {"src/build", true, true},
           {"src/build", false, false},          // folders only
           {"docs/old/a.html", false, true},     {"x/docs/old/a.html", false, false},  // anchored
           {"docs/old/new/a.html", false, false},  // "*" stays within one name
           {"vendor", true, true},               {"a/b/vendor", true, true},
           {"third", true, false},               {"third/x", false, true},
           {"third/x/y.txt", false, true},       {"top1.txt", false, true},
           {"top12.txt", false, false},          {"sub/top1.txt", false, false},
           {"a/z.txt", false, true},             {"a/b/c/z.txt", false, true},
           {"b/a/z.txt", false, false},          {"", true, false},  // the root itself
       }) {
    EXPECT_EQ(exclusions.Excludes(c.path, c.folder), c.excluded) << c.path;
  }
  EXPECT_FALSE(exclusions.Add("", error));
  EXPECT_FALSE(exclusions.Add("/", error));
  EXPECT_FALSE(PathExclusions().Excludes("a.txt", false));
}

TEST(PathList, NewlinesWithCrLfOrNulSeparators) {
  TempDir dir;
  std::vector<std::string> paths;
  std::string error;
  const std::string lines = dir.Write("list.txt", "a.txt\r\nb c.txt\n\n\r\n中文.txt");
  ASSERT_TRUE(ReadPathList(lines, false, paths, error)) << error;
  EXPECT_EQ(paths, (std::vector<std::string>{"a.txt", "b c.txt", "中文.txt"}));

  // With NUL separators a name may hold a line feed or end in a CR.
  paths.clear();
  const std::string nul = dir.Write("list0", std::string("a\0b\nc\r\0\0d", 9));
  ASSERT_TRUE(std::freopen(nul.c_str(), "rb", stdin));
  ASSERT_TRUE(ReadPathList("-", true, paths, error)) << error;
  EXPECT_EQ(paths, (std::vector<std::string>{"a", "b\nc\r", "d"}));

  // A pipe, as a shell's <(git ls-files) hands it over.
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "p.txt\n", 6), 6);
  close(ends[1]);
  paths.clear();
  ASSERT_TRUE(ReadPathList("/dev/fd/" + std::to_string(ends[0]), false, paths, error)) << error;
  close(ends[0]);
  EXPECT_EQ(paths, std::vector<std::string>{"p.txt"});

  EXPECT_FALSE(ReadPathList(dir / "missing", false, paths, error));
  EXPECT_EQ(error, "cannot read the path list " + (dir / "missing") + ": No such file or directory");
  EXPECT_FALSE(ReadPathList(dir.Path(), false, paths, error));
}

// A GBK line with the marker is findings_scan_test's.
TEST(IgnoreMarker, FoundInUtf8LinesWhole) {
  EXPECT_TRUE(LineHasIgnoreMarker("label = \"中文\"  # glyphwell-ignore"));
  EXPECT_FALSE(LineHasIgnoreMarker("label = \"中文\"  # glyphwell-ignor"));
}
