#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/LineReader.h"
#include "platform/NativePath.h"
#include "platform/Process.h"
#include "tests/support/TempDir.h"

using namespace platform;

namespace {

const std::string kZhongAnsi = "\xD6\xD0";         // 中 in CP936
const std::string kZhongUtf8 = "\xE4\xB8\xAD";     // 中 in UTF-8
const std::string kEmoji = "\xF0\x9F\x98\x80";     // CP936 has no emoji

// The bytes WideCharToAnsi writes, as many as it says.
std::string Unit(std::uint16_t unit) {
  char out[3] = {'x', 'x', 'x'};
  return std::string(out, static_cast<std::size_t>(WideCharToAnsi(unit, out)));
}

std::vector<std::string> Names(const std::vector<FoundEntry>& entries) {
  std::vector<std::string> names;
  for (const FoundEntry& entry : entries) names.push_back(entry.name);
  return names;
}

std::vector<std::string> ReadLines(const std::string& native) {
  LineReader reader;
  std::vector<std::string> lines;
  if (!reader.OpenNative(native)) lines.push_back("<refused>");
  std::string_view line;
  while (reader.ReadLine(line)) lines.emplace_back(line);
  return lines;
}

}  // namespace

TEST(CodePage, WideCharToAnsiWritesBytesAndTerminator) {
  EXPECT_EQ(Unit(0x4E2D), kZhongAnsi + '\0');
  EXPECT_EQ(Unit('A'), std::string("A\0", 2));
  EXPECT_EQ(Unit(0x20AC), std::string("\x80\0", 2));
  EXPECT_EQ(Unit(0), std::string(1, '\0'));
  EXPECT_EQ(Unit(0xD800), std::string("?\0", 2));  // lone surrogate
  EXPECT_EQ(Unit(0xAC00), std::string("?\0", 2));  // Hangul, not in CP936
}

TEST(CodePage, StrictConversionsRoundTripAndRefuseBadInput) {
  std::string utf8, ansi;
  ASSERT_TRUE(AnsiToUtf8(kZhongAnsi + "a\x80", utf8));
  EXPECT_EQ(utf8, kZhongUtf8 + "a\xE2\x82\xAC");
  ASSERT_TRUE(Utf8ToAnsi(utf8, ansi));
  EXPECT_EQ(ansi, kZhongAnsi + "a\x80");

  std::string untouched = "keep";
  EXPECT_FALSE(AnsiToUtf8("a\xFF", untouched));
  EXPECT_FALSE(AnsiToUtf8(kZhongAnsi.substr(0, 1), untouched));  // cut-off character
  EXPECT_FALSE(Utf8ToAnsi(kEmoji, untouched));
  EXPECT_FALSE(Utf8ToAnsi("\xED\xA0\x80", untouched));  // encoded surrogate
  EXPECT_EQ(untouched, "keep");
}

TEST(CodePage, LenientConversionsReplaceOneCharacterAtATime) {
  EXPECT_EQ(AnsiToUtf8Lenient("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  // An unassigned double-byte code must not swallow the "A" after it.
  EXPECT_EQ(AnsiToUtf8Lenient("\xA2\xE3" "A"), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(AnsiToUtf8Lenient("ab\xD6"), "ab\xEF\xBF\xBD");
  EXPECT_EQ(AnsiToUtf16Lenient(kZhongAnsi + "x\xFF"), u"\u4E2Dx\uFFFD");
  EXPECT_EQ(AnsiToUtf16Lenient(std::string(5000, 'z') + kZhongAnsi), std::u16string(5000, u'z') + u"\u4E2D");
}

TEST(CodePage, OrRawKeepsBytesWithoutTheOtherForm) {
  EXPECT_EQ(Utf8ToAnsiOrRaw(kZhongUtf8 + kEmoji), kZhongUtf8 + kEmoji);
  EXPECT_EQ(Utf8ToAnsiOrRaw(kZhongUtf8), kZhongAnsi);
  EXPECT_EQ(AnsiToUtf8OrRaw(kZhongAnsi), kZhongUtf8);
  EXPECT_EQ(AnsiToUtf8OrRaw("\xFF\xFF"), "\xFF\xFF");
}

TEST(NativePath, DrivePathsMapIntoTheDataHome) {
  TempDir dir;
  ScopedDriveRoot root(dir.Path());
  EXPECT_TRUE(IsDrivePath("c:\\x"));
  EXPECT_TRUE(IsDrivePath("E:/"));
  EXPECT_FALSE(IsDrivePath("c:"));
  EXPECT_FALSE(IsDrivePath("1:\\x"));
  EXPECT_EQ(DriveFolder('E'), dir.Path() + "/glyphwell/drive_e");
  EXPECT_EQ(ToNative("C:\\sub\\GlyphwellResult.txt"), dir.Path() + "/glyphwell/drive_c/sub/GlyphwellResult.txt");
  // 0x5C inside a character is no separator.
  EXPECT_EQ(ToNative("c:\\\x81\x5C"), dir.Path() + "/glyphwell/drive_c/\xE4\xB9\x97");
  EXPECT_EQ(ToNative("a\\b"), "a\\b");  // a backslash is an ordinary character outside drives
  EXPECT_EQ(SeparatorFor("c:\\x"), '\\');
  EXPECT_EQ(SeparatorFor("/x"), '/');
  std::string directory, name;
  SplitLastComponent("c:\\x\\\x81\x5C.txt", directory, name);
  EXPECT_EQ(directory + "|" + name, "c:\\x\\|\x81\x5C.txt");

  const char* home = std::getenv("HOME");
  const std::string oldHome = home ? home : "/";
  setenv("HOME", dir.Path().c_str(), 1);
  unsetenv("XDG_DATA_HOME");  // ScopedDriveRoot puts it back
  EXPECT_EQ(DriveFolder('c'), dir.Path() + "/.local/share/glyphwell/drive_c");
  setenv("HOME", oldHome.c_str(), 1);
}

TEST(NativePath, NamesCp936CannotRepresentStillResolve) {
  TempDir dir;
  dir.Write(kZhongUtf8 + "/" + kEmoji + ".txt", "emoji\n");
  dir.Write(kZhongAnsi + ".raw", "raw bytes on disk\n");

  const std::vector<FoundEntry> found = FindFiles(dir / (kZhongAnsi + "/*.txt"));
  ASSERT_EQ(Names(found), std::vector<std::string>{kEmoji + ".txt"});
  // The folder converts, the listed name is its own bytes: only the mix exists.
  const std::string mixed = dir / (kZhongAnsi + "/" + found[0].name);
  EXPECT_EQ(ToNative(mixed), dir / (kZhongUtf8 + "/" + kEmoji + ".txt"));
  EXPECT_EQ(ReadLines(ToNative(mixed)), std::vector<std::string>{"emoji"});
  EXPECT_EQ(ToNative(dir / (kZhongAnsi + ".raw")), dir / (kZhongAnsi + ".raw"));

  // A new file in such a folder lands beside the existing one.
  const int fd = OpenForWrite(dir / (kZhongAnsi + "/new.txt"));
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_TRUE(FileIsThere(dir / (kZhongUtf8 + "/new.txt")));
}

TEST(FileSearch, MatchesPatternTheWindowsWay) {
  EXPECT_TRUE(MatchesPattern("README.TXT", "*.txt"));
  EXPECT_TRUE(MatchesPattern("readme", "*.*"));
  EXPECT_FALSE(MatchesPattern("page.html", "*.htm"));
  EXPECT_TRUE(MatchesPattern("a" + kZhongAnsi + "b", "a?b"));
  EXPECT_FALSE(MatchesPattern("a" + kZhongAnsi + "b", "a??b"));
  EXPECT_TRUE(MatchesPattern(" a.txt", " *.txt"));
  EXPECT_FALSE(MatchesPattern("a.txt", " *.txt"));
  EXPECT_FALSE(MatchesPattern("a.txt", ""));
  EXPECT_TRUE(MatchesPattern("abcabd", "*b?"));
  // Would take ages with naive backtracking.
  EXPECT_FALSE(MatchesPattern(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*a*a*b"));
}

TEST(FileSearch, ListsInNameOrderSkippingFifosAndDanglingLinks) {
  TempDir dir;
  for (const char* name : {"B.txt", "a.txt", "C.txt", "_u.txt"}) dir.Write(name, "x");
  ASSERT_EQ(mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "dangling.txt").c_str()), 0);
  EXPECT_EQ(Names(FindFiles(dir / "*.txt")), (std::vector<std::string>{"a.txt", "B.txt", "C.txt", "_u.txt"}));
  EXPECT_EQ(Names(FindFiles(dir / "*")).size(), 4u);  // never "." or ".."
  EXPECT_TRUE(FindFiles(dir / "missing/*").empty());
  EXPECT_TRUE(FindFiles(dir / "fifo.txt/*").empty());
}

TEST(FileSearch, LinkToDirectoryCountsAsTheDirectory) {
  TempDir dir;
  const std::string target = dir.MakeDir("target");
  ASSERT_EQ(symlink(target.c_str(), (dir / "link").c_str()), 0);
  const std::vector<FoundEntry> found = FindFiles(dir / "l*");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].isDirectory);
  FileIdentity identity;
  ASSERT_TRUE(GetIdentity(target, identity));
  EXPECT_EQ(found[0].identity, identity);
  EXPECT_FALSE(GetIdentity(dir / "none", identity));
}

TEST(FileSearch, UnreadableFolderListsNothing) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  TempDir dir;
  dir.Write("closed/a.txt", "x");
  chmod((dir / "closed").c_str(), 0);
  EXPECT_TRUE(FindFiles(dir / "closed/*.*").empty());
}

TEST(LineReader, TextModeLineEnds) {
  TempDir dir;
  EXPECT_EQ(ReadLines(dir.Write("a", "a\r\nb\rc\n\nd\r")), (std::vector<std::string>{"a", "b\rc", "", "d\r"}));
  EXPECT_EQ(ReadLines(dir.Write("b", "x\n")), std::vector<std::string>{"x"});
  EXPECT_TRUE(ReadLines(dir.Write("c", "")).empty());
  EXPECT_EQ(ReadLines(dir.Write("d", "a\nb\x1A" "c\nd\n")), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ReadLines(dir.Write("e", "\x1A" "a\n")), std::vector<std::string>{});
  EXPECT_EQ(ReadLines(dir.Write("f", std::string("\0b\0\n", 4))), std::vector<std::string>{std::string("\0b\0", 3)});
}

TEST(LineReader, LongLinesAndBufferBoundaries) {
  TempDir dir;
  // The first read ends between the CR and the LF.
  const std::string nearBoundary(256 * 1024 - 1, 'x');
  EXPECT_EQ(ReadLines(dir.Write("a", nearBoundary + "\r\nnext\n")), (std::vector<std::string>{nearBoundary, "next"}));
  const std::string huge(5 * 1024 * 1024, 'y');
  EXPECT_EQ(ReadLines(dir.Write("b", "s\n" + huge + "\r\nt")), (std::vector<std::string>{"s", huge, "t"}));
}

TEST(LineReader, RefusesWhatIsNoRegularFile) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  const std::vector<std::string> refused{"<refused>"};
  EXPECT_EQ(ReadLines(dir / "fifo"), refused);
  EXPECT_EQ(ReadLines(dir.Path()), refused);
  EXPECT_EQ(ReadLines(dir / "missing"), refused);

  LineReader reader;
  ASSERT_TRUE(reader.Open(dir.Write("one", "1\n2\n")));
  std::string_view line;
  ASSERT_TRUE(reader.ReadLine(line));
  ASSERT_TRUE(reader.Open(dir.Write("two", "3\n")));  // nothing of the first file is left over
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "3");
  EXPECT_FALSE(reader.ReadLine(line));
}

TEST(Files, TestsAndRemoval) {
  TempDir dir;
  const std::string file = dir.Write("f.txt", "x");
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(IsDirectory(file));
  EXPECT_TRUE(IsDirectory(dir.Path()));
  EXPECT_FALSE(PathExists(dir / "missing"));
  EXPECT_FALSE(RemoveFile(dir.Path()));
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(PathExists(file));
  EXPECT_FALSE(RemoveFile(file));
  EXPECT_EQ(ModuleFilePath().substr(ModuleFilePath().rfind('/') + 1), "platform_test");
}

TEST(Files, OpenForWriteCreatesTruncatesAndRefuses) {
  TempDir dir;
  ScopedDriveRoot root(dir.Path());
  EXPECT_EQ(OpenForWrite(dir / "missing/x.txt"), -1);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(OpenForWrite(dir / "fifo"), -1);
  EXPECT_EQ(OpenForWrite("d:\\x.txt"), -1);
  EXPECT_FALSE(FileIsThere(DriveFolder('d')));

  const std::string written = DriveFolder('c') + "/r.txt";
  for (const std::string text : {"a longer first text", "short\r\n"}) {
    const int fd = OpenForWrite("C:\\r.txt");
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(WriteAll(fd, text.data(), text.size()));
    close(fd);
    EXPECT_EQ(ReadFileBytes(written), text);
  }
  struct stat st;
  ASSERT_EQ(stat(DriveFolder('c').c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Process, StartsProgramsWithoutAShell) {
  EXPECT_EQ(SplitAtBlanks("  a  b\tc d "), (std::vector<std::string>{"a", "b\tc", "d"}));
  TempDir dir;
  const std::string plain = dir.Write("plain", "#!/bin/sh\nexit 0\n");
  const std::string script = dir.Write("script", "exit 0\n");
  chmod(script.c_str(), 0755);
  EXPECT_EQ(StartProcess(dir / "missing", ""), -1);
  EXPECT_EQ(StartProcess(plain, ""), -1);   // not executable
  EXPECT_EQ(StartProcess(script, ""), -1);  // no program, and no shell to fall back on
  EXPECT_EQ(WaitProcess(StartProcess("/bin/true", "")), 0);
  EXPECT_EQ(WaitProcess(StartProcess("/bin/false", "")), 1);
  EXPECT_EQ(WaitProcess(StartProcess("/usr/bin/test", "x  =   x")), 0);
  EXPECT_EQ(WaitProcess(StartProcess("/usr/bin/test", "x  =   y")), 1);
  // Arguments arrive in UTF-8.
  dir.Write(kZhongUtf8, "");
  EXPECT_EQ(WaitProcess(StartProcess("/usr/bin/test", "-e " + dir / kZhongAnsi)), 0);
  EXPECT_EQ(WaitProcess(-1), -1);
}

TEST(Process, StandardInputAndSignals) {
  TempDir dir;
  // With our own input a regular file, the child still gets /dev/null.
  const int saved = dup(0);
  const int file = open(dir.Write("in", "x").c_str(), O_RDONLY);
  dup2(file, 0);
  const int status = WaitProcess(StartProcess("/usr/bin/test", "-c /dev/stdin"));
  dup2(saved, 0);
  close(saved);
  close(file);
  EXPECT_EQ(status, 0);

  const int pid = StartProcess("/bin/sleep", "100");
  ASSERT_GT(pid, 0);
  kill(pid, SIGTERM);
  EXPECT_EQ(WaitProcess(pid), 128 + SIGTERM);
}

// Numbered lines as the scan sees them, with or without skipping plain lines.
std::vector<std::pair<std::size_t, std::string>> NumberedLines(const std::string& native, bool skip, bool hash) {
  LineReader reader;
  std::vector<std::pair<std::size_t, std::string>> lines;
  if (!reader.OpenNative(native)) return lines;
  std::size_t number = 0;
  std::string_view line;
  for (;;) {
    if (skip) number += reader.SkipPlainLines(hash);
    if (!reader.ReadLine(line)) break;
    ++number;
    if (line.find_first_of(hash ? "#\x80\xFF" : "\x80\xFF") != std::string_view::npos ||
        std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
      lines.emplace_back(number, line);
  }
  return lines;
}

TEST(LineReader, SkippingPlainLinesKeepsNumbersAndLines) {
  TempDir dir;
  std::mt19937 random(7);
  // Several buffers' worth, with long plain stretches, CR LF pairs, a line
  // longer than the buffer and a few significant bytes.
  for (int round = 0; round < 4; ++round) {
    std::string text;
    while (text.size() < (1u << 20)) {
      const unsigned pick = random() % 1000;
      if (pick < 3) text += static_cast<char>(0x80 + random() % 0x80);
      else if (pick < 6) text += '#';
      else if (pick < 60) text += "\r\n";
      else if (pick < 100) text += '\n';
      else if (pick == 999 && round == 2) text += std::string(300000, 'p');
      else text += static_cast<char>('a' + random() % 26);
    }
    if (round == 3) text += "\x1A\xB0\xA1 after the end\n";
    const std::string file = dir.Write("f" + std::to_string(round), text);
    for (bool hash : {false, true}) {
      const auto expected = NumberedLines(file, false, hash);
      ASSERT_FALSE(expected.empty());
      EXPECT_EQ(NumberedLines(file, true, hash), expected) << "round " << round << " hash " << hash;
    }
  }
}
