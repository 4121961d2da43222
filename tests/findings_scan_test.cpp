// glyphwell-scan in developers' trees and CI, as a CI step runs it: where the
// findings stand, the baseline's ratchet, what is passed over, and exit codes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/NativePath.h"
#include "tests/support/Gbk.h"
#include "tests/support/ScanProgram.h"

namespace {

using FindingsScan = ScanProgram;
constexpr auto npos = std::string::npos;

}  // namespace

// Line and column of each finding in the line as stored (bytes) and in
// characters: after a tab, wide characters and a reference, in GBK, UTF-8
// and UTF-16 files whose names hold blanks and Chinese.
TEST_F(FindingsScan, FindingsStandWhereTheirCharactersStand) {
  const std::string line = "\t©€ 中文 x &#25991;字;y 末\n";  // UTF-8 source; GBK lacks © and writes € in one byte
  dir_.Write("t/a b.txt", "first\n" + Gbk("\t中文 x &#25991;字;y 末\n"));
  dir_.Write("t/中.txt", "first\n" + line);
  dir_.Write("t/u16.txt", Transcode("UTF-16LE", "\xEF\xBB\xBF" "first\n" + line));
  const std::string t = dir_ / "t";
  const Outcome vim = Run({"--encoding", "auto", "--format", "vimgrep", "-j1", t});
  EXPECT_EQ(vim.status, 0) << vim.err;
  EXPECT_EQ(vim.out, t + "/a b.txt:2:2:中文\n" + t + "/a b.txt:2:9:文字\n" + t + "/a b.txt:2:22:末\n" +
                         t + "/u16.txt:2:9:中文\n" + t + "/u16.txt:2:19:文字\n" + t + "/u16.txt:2:43:末\n" +
                         t + "/中.txt:2:8:中文\n" + t + "/中.txt:2:17:文字\n" + t + "/中.txt:2:31:末\n");
  EXPECT_FALSE(FileIsThere(platform::DriveFolder('c') + "/GlyphwellResult.txt"));  // --format writes no report
  EXPECT_FALSE(FileIsThere(Workbook()));

  const Outcome json = Run({"--encoding", "auto", "--format", "json", "-q", t + "/中.txt"});
  EXPECT_EQ(json.out,
            "{\"type\":\"finding\",\"path\":\"" + t + "/中.txt\",\"line\":2,\"column\":8,\"character_column\":5,"
            "\"text\":\"中文\",\"encoding\":\"UTF-8\"}\n"
            "{\"type\":\"finding\",\"path\":\"" + t + "/中.txt\",\"line\":2,\"column\":17,\"character_column\":10,"
            "\"text\":\"文字\",\"encoding\":\"UTF-8\"}\n"
            "{\"type\":\"finding\",\"path\":\"" + t + "/中.txt\",\"line\":2,\"column\":31,\"character_column\":22,"
            "\"text\":\"末\",\"encoding\":\"UTF-8\"}\n"
            "{\"type\":\"summary\",\"files\":1,\"characters\":14,\"findings\":3,\"suppressed\":0,\"baseline_gone\":0,"
            "\"chars\":\"han\"}\n");
  EXPECT_EQ(json.err, "");  // quiet: not even the completion text

  // Asked for, the report and the workbook are written beside the findings.
  const Outcome both = Run({"--format", "vimgrep", "--report", dir_ / "r.txt", "--export", t + "/a b.txt"});
  EXPECT_EQ(both.out, t + "/a b.txt:2:2:中文\n" + t + "/a b.txt:2:9:文字\n" + t + "/a b.txt:2:22:末\n");
  EXPECT_TRUE(FileIsThere(dir_ / "r.txt") && FileIsThere(Workbook()));
  EXPECT_NE(both.err.find("处理结束 共搜索了 1 个文件"), npos);
}

// The ratchet: a baseline written from a scan lets nothing new pass, shrugs
// at lines moving, fails a new finding with --check and counts a fixed one
// as gone; a check that cannot read what it was given never passes.
TEST_F(FindingsScan, ABaselineThatMayOnlyShrink) {
  dir_.Write("site/a.txt", Gbk("中文\n英文 中文\n"));
  dir_.Write("site/b.txt", Gbk("字\n"));
  const std::string baseline = dir_ / "baseline.json";
  const std::string site = dir_ / "site";
  EXPECT_EQ(Run({"--baseline", baseline, "--update-baseline", site}).status, 0);
  const std::string written = ReadFileBytes(baseline);
  EXPECT_NE(written.find("\"中文\": 2"), npos) << written;
  EXPECT_EQ(Run({"--baseline", baseline, "--update-baseline", site}).status, 0);
  EXPECT_EQ(ReadFileBytes(baseline), written);  // stable: it diffs well

  const Outcome same = Run({"--baseline", baseline, "--check", "--format", "json", "-q", site});
  EXPECT_EQ(same.status, 0) << same.out;
  EXPECT_NE(same.out.find("\"findings\":0,\"suppressed\":4,\"baseline_gone\":0"), npos) << same.out;

  dir_.Write("site/a.txt", Gbk("new line above\n中文\n英文 中文\n"));
  EXPECT_EQ(Run({"--baseline", baseline, "--check", site}).status, 0);

  dir_.Write("site/b.txt", Gbk("字\n新字\n"));
  const Outcome added = Run({"--baseline", baseline, "--check", "--format", "vimgrep", site});
  EXPECT_EQ(added.status, 1);
  EXPECT_EQ(added.out, site + "/b.txt:2:1:新字\n");

  dir_.Write("site/a.txt", Gbk("中文\n"));
  const Outcome fixed = Run({"--baseline", baseline, "--format", "json", "-q", site});
  EXPECT_NE(fixed.out.find("\"suppressed\":2,\"baseline_gone\":2"), npos) << fixed.out;
  // A scan of one file says nothing of the others' entries.
  const Outcome one = Run({"--baseline", baseline, "--format", "json", "-q", site + "/b.txt"});
  EXPECT_NE(one.out.find("\"baseline_gone\":0"), npos) << one.out;

  const std::string locked = dir_.Write("site/locked.txt", Gbk("字\n"));
  chmod(locked.c_str(), 0);
  if (geteuid() != 0) {
    EXPECT_EQ(Run({"--check", locked}).status, 2);
  }
  EXPECT_EQ(Run({"--check", dir_ / "no-such-folder/"}).status, 2);
  EXPECT_EQ(Run({"--baseline", dir_ / "missing.json", "--check", site}).status, 2);
}

// What is passed over (globs, the marker), several paths and paths from a
// NUL-separated list, and GitHub's cap with its closing notice.
TEST_F(FindingsScan, WhatIsScannedAndTheAnnotationCap) {
  dir_.Write("p/keep.txt", Gbk("留\n跳过 glyphwell-ignore\n"));
  dir_.Write("p/vendor/lib.txt", Gbk("库\n"));
  dir_.Write("p/docs/x.min.txt", Gbk("压\n"));
  dir_.Write("p/docs/y.txt", Gbk("文\n"));
  const std::string p = dir_ / "p";
  const Outcome excluded =
      Run({"--format", "vimgrep", "--exclude", "vendor/", "--exclude", "*.min.txt", "-j1", p});
  EXPECT_EQ(excluded.out, p + "/docs/y.txt:1:1:文\n" + p + "/keep.txt:1:1:留\n");

  dir_.Write("list", p + "/docs/y.txt" + std::string(1, '\0') + p + "/keep.txt" + std::string(1, '\0'));
  const Outcome listed = Run({"--format", "vimgrep", "--files-from", dir_ / "list", "-0", p + "/vendor"});
  EXPECT_EQ(listed.out, p + "/vendor/lib.txt:1:1:库\n" + p + "/docs/y.txt:1:1:文\n" + p + "/keep.txt:1:1:留\n");

  // 40 bytes: past the default limit of 30, which findings do not obey.
  std::string many;
  for (int i = 0; i < 20; ++i) many += Gbk("字") + "\n";
  const std::string github = Run({"--format", "github", "-q", dir_.Write("many.txt", many)}).out;
  // The first ten findings annotated, then the notice that says what was left out.
  EXPECT_EQ(std::count(github.begin(), github.end(), '\n'), 11) << github;
  EXPECT_TRUE(github.ends_with(",line=10,col=1,endColumn=2::字\n::notice::glyphwell-scan: 1 file, 40 characters, 20 findings, "
                               "0 suppressed by the baseline, 0 baseline entries gone; 10 findings are not annotated "
                               "(GitHub shows at most 10 annotations a step): --format vimgrep lists them all\n"))
      << github;
}

// Where the encoding decision and the columns meet what is counted: an
// automatic reading cut short by the limit is decided by the rest of the
// file; a character outside the BMP takes two UTF-16 units; a baseline made
// of two sibling folders that share a prefix covers each apart.
TEST_F(FindingsScan, DecisionsAtTheEdgesOfWhatIsRead) {
  const std::string mixed = dir_.Write("mixed.txt", "中文字\nx \xD6\xD0\n");
  const Outcome cut = Run({"--chars", "gbk", "--limit", "4", "--format", "json", mixed});
  EXPECT_NE(cut.out.find("\"encoding\":\"GBK\""), npos) << cut.out;
  EXPECT_NE(cut.out.find("\"characters\":9"), npos) << cut.out;
  EXPECT_EQ(cut.err.find("look like UTF-8"), npos) << cut.err;  // it was asked, and is not

  const std::string wide = dir_.Write("wide.txt", Transcode("UTF-16LE", "\xEF\xBB\xBF" "😀 中\n"));
  EXPECT_EQ(Run({"--encoding", "auto", "--format", "vimgrep", wide}).out, wide + ":1:7:中\n");

  dir_.Write("src/a.txt", Gbk("甲\n"));
  dir_.Write("src2/b.txt", Gbk("乙\n"));
  const std::string baseline = dir_ / "b.json";
  ASSERT_EQ(Run({"--baseline", baseline, "--update-baseline", dir_ / "src", dir_ / "src2"}).status, 0);
  dir_.Write("src2/b.txt", "");
  const Outcome src = Run({"--baseline", baseline, "--format", "json", dir_ / "src"});
  EXPECT_NE(src.out.find("\"baseline_gone\":0"), npos) << src.out;
  ASSERT_EQ(Run({"--baseline", baseline, "--update-baseline", dir_ / "src"}).status, 0);
  EXPECT_NE(ReadFileBytes(baseline).find("乙"), npos);  // src2's entry is not src's to drop

  // Nor is the entry of a file the search could not read.
  const std::string before = ReadFileBytes(baseline);
  dir_.Write("src/a.txt", "");
  dir_.Write("src/broken.docx", "PK\x03\x04 no package");
  const Outcome unread = Run({"--baseline", baseline, "--update-baseline", dir_ / "src"});
  EXPECT_EQ(unread.status, 2) << unread.err;
  EXPECT_EQ(ReadFileBytes(baseline), before);
}

// A reader that goes away ends the search at once and quietly, as a pipe
// into head expects; nothing it could not see is written as a baseline.
TEST_F(FindingsScan, ASearchEndsWhenItsOutputCloses) {
  std::string lines;
  for (int i = 0; i < 400; ++i) lines += Gbk("汉字出现在每一行上，一行又一行地写下去") + "\n";
  constexpr int kFiles = 300;  // about 3.5 MB of findings, far past what a pipe and a buffer hold
  for (int i = 0; i < kFiles; ++i) dir_.Write("t/" + std::to_string(1000 + i) + ".txt", lines);
  const std::string report = dir_ / "r.txt";
  // The exit status of a run whose reader takes a line and goes away.
  const auto closedRun = [&](std::vector<std::string> args) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_adddup2(&io, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&io, pipeEnds[0]);
    posix_spawn_file_actions_addopen(&io, 2, OutputName(2, "").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program_.c_str(), &io, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&io);
    close(pipeEnds[1]);
    char first[64];
    EXPECT_GT(read(pipeEnds[0], first, sizeof first), 0);
    close(pipeEnds[0]);
    int status = -1;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  };
  const std::string baseline = dir_ / "b.json";
  EXPECT_EQ(closedRun({program_, "--format", "vimgrep", "--baseline", baseline, "--update-baseline", "-q", dir_ / "t"}), 2);
  EXPECT_FALSE(std::filesystem::exists(baseline));
  EXPECT_EQ(closedRun({program_, "--format", "vimgrep", "-q", "--report", report, "-j2", dir_ / "t"}), 0);
  EXPECT_EQ(ReadFileBytes(OutputName(2, "")), "");
  const std::string written = ReadFileBytes(report);
  std::size_t headers = 0;
  for (std::size_t at = written.find("Input file:"); at != npos; at = written.find("Input file:", at + 1)) ++headers;
  EXPECT_GT(headers, 0u);
  EXPECT_LT(headers, static_cast<std::size_t>(kFiles) / 2) << "the search went on after its output closed";
}

namespace {

// Runs a program (looked up on PATH) in folder, without a shell; its exit status.
int RunIn(const std::string& folder, std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addchdir_np(&io, folder.c_str());
  posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&io, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int started = posix_spawnp(&pid, argv[0], &io, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&io);
  int status = -1;
  if (started != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

// Findings mode in a Git work tree, as a JavaScript project's CI runs it:
// every text file whatever its name, Chinese text only, what Git ignores
// passed over (judged as git check-ignore judges it), .git never read,
// binary files passed over; and a check that read nothing never passes.
TEST_F(FindingsScan, ADevelopersDefaultsInAGitTree) {
  const std::string tree = dir_.MakeDir("project");
  ASSERT_EQ(RunIn(tree, {"git", "init", "-q"}), 0) << "git is needed";
  dir_.Write("project/.gitignore", "dist/\n*.log\n!keep.log\n");
  dir_.Write("project/.git/info/exclude", "secret.txt\n");
  dir_.Write("project/.git/notes.txt", "仓库\n");
  dir_.Write("project/src/App.vue", "<template><p>欢迎</p></template>\n");
  dir_.Write("project/src/locale/fr.js", "export default { hello: 'Bonjour à vous, ça va ? élève' };\n");
  dir_.Write("project/dist/bundle.js", "\"打包\"\n");
  dir_.Write("project/debug.log", "日志\n");
  dir_.Write("project/keep.log", "保留\n");
  dir_.Write("project/secret.txt", "秘密\n");
  dir_.Write("project/logo.gif", std::string("GIF89a\x01\0\x01\0", 10) + Gbk("鼢黠镲"));
  const Outcome check = Run({"--check", "--format", "vimgrep", "-j1", tree});
  EXPECT_EQ(check.status, 1) << check.err;
  EXPECT_EQ(check.out, tree + "/src/App.vue:1:14:欢迎\n" + tree + "/keep.log:1:1:保留\n");  // folders first
  EXPECT_NE(check.err.find("1 binary file(s) passed over"), npos) << check.err;
  EXPECT_FALSE(FileIsThere(platform::DriveFolder('c') + "/GlyphwellResult.txt"));  // --check writes no report
  for (const char* file : {"dist/bundle.js", "debug.log", "keep.log", "secret.txt", "src/App.vue"}) {
    const bool ignored = RunIn(tree, {"git", "check-ignore", "-q", file}) == 0;
    EXPECT_EQ(ignored, check.out.find(std::string("/") + file + ":") == npos) << file;
  }

  const Outcome all = Run({"--no-ignore", "--format", "vimgrep", "-j1", tree});
  EXPECT_NE(all.out.find("/dist/bundle.js:1:2:打包"), npos) << all.out;
  EXPECT_EQ(all.out.find(".git/"), npos) << all.out;

  // A folder below the top of the work tree is judged by the same rules.
  dir_.Write("project/src/trace.log", "追踪\n");
  EXPECT_EQ(Run({"--format", "vimgrep", "-j1", tree + "/src"}).out, tree + "/src/App.vue:1:14:欢迎\n");

  // Nothing matched: said, and a check fails on it.
  const Outcome none = Run({"--check", "--patterns", "*.none", tree});
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("no file was searched in " + tree + " (patterns \"*.none\")"), npos) << none.err;
  EXPECT_EQ(Run({"--format", "json", "--patterns", "*.none", tree}).status, 1);
}

// The report mode's per-file limit says how many files it cut short.
TEST_F(FindingsScan, TheLimitIsSaid) {
  const Outcome cut = Run({"--no-export", "--report", dir_ / "r.txt", dir_.Write("long.txt", Gbk("一二三四五六七八九十\n十一十二十三十四十五十六\n"))});
  EXPECT_NE(cut.err.find("1 file(s) stopped at the per-file limit of 30 bytes; --no-limit reads them whole"), npos)
      << cut.err;
}

// A small mixed tree as a Chinese team's code base holds it: each finding
// labelled by its file's syntax (a GBK file whose character's trail byte
// is a backslash included), in every format; the CI recipe keeps only what
// must be translated.
TEST_F(FindingsScan, SourceContextLabelsEachFinding) {
  dir_.Write("p/src/app.js", "// 注释\nconst a = \"字符串\";\nconsole.log(\"日志\");\nt(\"翻译\");\n");
  dir_.Write("p/src/gbk.js", "s = \"\x81\x5C\"; // " + Gbk("注释") + "\n");  // 乗: 81 5C
  dir_.Write("p/src/page.html", "<p title=\"属性\">文本</p><!-- 注释 -->\n<script>var s = '脚本';</script>\n");
  dir_.Write("p/tests/a.test.js", "expect(\"测试\");\n");
  dir_.Write("p/locales/zh.json", "{\"k\": \"值\"}\n");
  dir_.Write("p/notes.txt", "纯文本\n");
  const std::string p = dir_ / "p";
  const Outcome labelled = Run({"--format", "vimgrep", "--context", "-j1", p});
  EXPECT_EQ(labelled.status, 0) << labelled.err;
  EXPECT_EQ(labelled.out, p + "/locales/zh.json:1:8:[string,locale] 值\n" +
                              p + "/src/app.js:1:4:[comment] 注释\n" + p + "/src/app.js:2:12:[string] 字符串\n" +
                              p + "/src/app.js:3:14:[string,log] 日志\n" + p + "/src/app.js:4:4:[string,i18n] 翻译\n" +
                              p + "/src/gbk.js:1:6:[string] 乗\n" + p + "/src/gbk.js:1:14:[comment] 注释\n" +
                              p + "/src/page.html:1:11:[attribute] 属性\n" + p + "/src/page.html:1:19:[text] 文本\n" +
                              p + "/src/page.html:1:34:[comment] 注释\n" + p + "/src/page.html:2:18:[string] 脚本\n" +
                              p + "/tests/a.test.js:1:9:[string,test] 测试\n" + p + "/notes.txt:1:1:[text] 纯文本\n");

  const std::string app = p + "/src/app.js";
  EXPECT_NE(Run({"--format", "json", "--context", app}).out.find("\"text\":\"日志\",\"encoding\":\"UTF-8\","
                                                                   "\"context\":[\"string\",\"log\"]}\n"),
            npos);
  EXPECT_NE(Run({"--format", "sarif", "--context", app}).out.find("\"properties\":{\"context\":[\"comment\"]}}"), npos);
  EXPECT_NE(Run({"--format", "github", "--context", app}).out.find("::[string,i18n] 翻译\n"), npos);
  // More call names, one of each kind.
  dir_.Write("p/src/more.js", "report(\"甲\");\nlocalize(\"乙\");\n");
  EXPECT_EQ(Run({"--format", "vimgrep", "--context", "--log-calls", "report", "--i18n-calls", "x, localize",
                 p + "/src/more.js"}).out,
            p + "/src/more.js:1:9:[string,log] 甲\n" + p + "/src/more.js:2:11:[string,i18n] 乙\n");

  const Outcome recipe =
      Run({"--check", "--format", "vimgrep", "--skip", "comment,log,i18n,test,locale", "-j1", p});
  EXPECT_EQ(recipe.status, 1);
  EXPECT_EQ(recipe.out, p + "/src/app.js:2:12:字符串\n" + p + "/src/gbk.js:1:6:乗\n" + p + "/src/more.js:1:9:甲\n" +
                            p + "/src/more.js:2:11:乙\n" + p + "/src/page.html:1:11:属性\n" +
                            p + "/src/page.html:1:19:文本\n" + p + "/src/page.html:2:18:脚本\n" +
                            p + "/notes.txt:1:1:纯文本\n");
  EXPECT_EQ(Run({"--skip", "comments", "--check", p}).status, 2);  // no such label
  EXPECT_EQ(Run({"--context", p}).status, 2);                       // labels belong to findings

  // A page too large for the reader to keep whole: the lexer goes on, in
  // step, from the page read again, in the comment it was in.
  std::string page = "<p>" + Gbk("一") + "</p>\n<!--\n";
  while (page.size() < (2u << 20)) page += "<p>plain text of a page</p>\n";
  const auto line = std::to_string(std::count(page.begin(), page.end(), '\n') + 1);
  page += Gbk("二") + " -->\n<p>" + Gbk("三") + "</p>\n";
  const std::string large = dir_.Write("large/page.html", page);
  EXPECT_EQ(Run({"--format", "vimgrep", "--context", large}).out,
            large + ":1:4:[text] 一\n" + large + ":" + line + ":1:[comment] 二\n" + large + ":" +
                std::to_string(std::stoi(line) + 1) + ":4:[text] 三\n");
}

// Skipping is no way to forget or to smuggle: a baseline made without
// --skip holds under it (a skipped finding is neither new nor gone), a new
// string whose text an older, skipped comment holds is still new, and a
// baseline written under --skip keeps what it skipped.
TEST_F(FindingsScan, ABaselineAcrossSkipChanges) {
  dir_.Write("p/a.js", "// 注释\nx = \"文字\";\n");
  dir_.Write("p/b.html", "<!-- 注释 --><p>正文</p>\n");
  const std::string p = dir_ / "p";
  const std::string baseline = dir_ / "b.json";
  ASSERT_EQ(Run({"--baseline", baseline, "--update-baseline", p}).status, 0);
  const Outcome skipping = Run({"--check", "--skip", "comment", "--baseline", baseline, "--format", "json", "-q", p});
  EXPECT_EQ(skipping.status, 0) << skipping.out;
  EXPECT_NE(skipping.out.find("\"findings\":0,\"suppressed\":2,\"baseline_gone\":0,\"skipped\":2"), npos)
      << skipping.out;

  dir_.Write("p/a.js", "// 注释\nx = \"文字\";\n// 新注释\n");
  EXPECT_EQ(Run({"--check", "--skip", "comment", "--baseline", baseline, p}).status, 0);
  EXPECT_EQ(Run({"--check", "--baseline", baseline, p}).status, 1);
  ASSERT_EQ(Run({"--skip", "comment", "--baseline", baseline, "--update-baseline", p}).status, 0);
  EXPECT_EQ(Run({"--check", "--baseline", baseline, p}).status, 0);  // the comments were recorded

  dir_.Write("p/a.js", "// 注释\nx = \"文字\";\n// 新注释\ny = \"注释\";\n");
  EXPECT_EQ(Run({"--check", "--skip", "comment", "--baseline", baseline, p}).status, 1);
}

// Each form of escape once, found where it starts (bytes as stored in
// vimgrep, code points in JSON), beside the characters of the same line; a
// reference the engine converts is not found twice; the report and the
// counts stay those of a search without --escapes.
TEST_F(FindingsScan, ChineseWrittenAsEscapes) {
  const std::string e = dir_.Write("e.txt", "a\\u4e2d\\u6587 中\\u6587\n\\ud840\\udc00\n"
                                            "\\u{4E2D} \\U00004E2D \\x{4E2D}\n"
                                            "\"\\xe4\\xb8\\xad\" %E4%B8%AD \\4E2D\n"
                                            "&#20013;&#x6587; &#26159;\nplain \\n & 100%\n");
  const std::string g = dir_.Write("g.txt", Gbk("中") + "\\u6587\n");
  const Outcome found = Run({"--format", "vimgrep", "--escapes", "-j1", e, g});
  EXPECT_EQ(found.out, e + ":1:2:中文\n" + e + ":1:15:中\n" + e + ":1:18:文\n" + e + ":2:1:𠀀\n" + e + ":3:1:中\n" +
                           e + ":3:10:中\n" + e + ":3:21:中\n" + e + ":4:2:中\n" + e + ":4:16:中\n" + e + ":4:26:中\n" +
                           e + ":5:1:中\n" + e + ":5:9:文\n" + e + ":5:18:是\n" + g + ":1:1:中\n" + g + ":1:3:文\n");
  const std::string json = Run({"--format", "json", "--escapes", e}).out;
  EXPECT_NE(json.find("\"line\":1,\"column\":18,\"character_column\":16,\"text\":\"文\""), npos) << json;

  const Outcome with = Run({"--format", "json", "--escapes", "--report", dir_ / "with.txt", e, g});
  const Outcome without = Run({"--format", "json", "--report", dir_ / "without.txt", e, g});
  EXPECT_EQ(ReadFileBytes(dir_ / "with.txt"), ReadFileBytes(dir_ / "without.txt"));
  // The same files and characters: "files":2,"characters":N
  const auto counts = [](const std::string& out) {
    const std::size_t from = out.find("\"files\"");
    return out.substr(from, out.find(",\"findings\"") - from);
  };
  EXPECT_EQ(counts(with.out), counts(without.out));
  EXPECT_NE(counts(with.out), "");
}

// Workers hand their files' findings to the search's thread a file at a
// time: several find what one finds, line for line and run for run, with
// and without labels.
TEST_F(FindingsScan, WorkersFindWhatOneFinds) {
  const char* lines[] = {"plain\n", "a 中文 b\n", "x 汉字 y 日本 z\n", "<p title=\"标题\">正文 // 注 \"串\"</p>\n", "\n"};
  for (int f = 0; f < 40; ++f) {
    std::string text;
    for (int k = 0; k < 25 + f; ++k) text += lines[(k * 7 + f) % std::size(lines)];
    dir_.Write("w/d" + std::to_string(f % 4) + "/f" + std::to_string(f) + (f % 2 ? ".html" : ".txt"), text);
  }
  for (const char* labels : {"--quiet", "--context"}) {
    const Outcome one = Run({"--format", "json", labels, "-j1", dir_ / "w"});
    const Outcome three = Run({"--format", "json", labels, "-j3", dir_ / "w"});
    EXPECT_NE(one.out.find("\"text\":\"日本\""), npos) << one.out;
    EXPECT_EQ(one.out, three.out) << labels;
  }
}
