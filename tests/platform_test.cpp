#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "finder/engine/HanziExtraction.h"
#include "platform/ByteScan.h"
#include "platform/CodePage.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/LineReader.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"
#include "platform/Process.h"
#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"

using namespace platform;
using Strings = std::vector<std::string>;

const std::string kZhongAnsi = "\xD6\xD0";      // 中 in CP936
const std::string kZhongUtf8 = "\xE4\xB8\xAD";  // 中 in UTF-8
const std::string kEmoji = "\xF0\x9F\x98\x80";  // CP936 has no emoji

Strings Names(const std::vector<FoundEntry>& entries) {
  Strings names;
  for (const FoundEntry& entry : entries) names.push_back(entry.name);
  return names;
}

Strings ReadLines(const std::string& native) {
  LineReader reader;
  Strings lines;
  if (!reader.OpenNative(native)) lines.push_back("<refused>");
  for (std::string_view line; reader.ReadLine(line);) lines.emplace_back(line);
  return lines;
}

TEST(CodePage, ConvertsBothWaysAndFallsBack) {
  std::string utf8, ansi;
  ASSERT_TRUE(AnsiToUtf8(kZhongAnsi + "a\x80", utf8));
  ASSERT_TRUE(Utf8ToAnsi(utf8, ansi));
  EXPECT_EQ(utf8 + "|" + ansi, kZhongUtf8 + "a\xE2\x82\xAC|" + kZhongAnsi + "a\x80");
  EXPECT_FALSE(AnsiToUtf8(kZhongAnsi.substr(0, 1), utf8));
  // A double-byte code CP936 leaves unassigned reads as GB18030 has it (the
  // euro sign here, an ideograph at FE85); a lone byte that makes no
  // character becomes U+FFFD and swallows nothing after it.
  EXPECT_EQ(AnsiToUtf8Lenient("\xA2\xE3" "A" "\xFE\x85" "\x81" " B" "\xD6"),
            "\xE2\x82\xAC" "A" "\xE4\xA5\x87" "\xEF\xBF\xBD" " B" "\xEF\xBF\xBD");
  // Bytes that are no UTF-8 name a file only as themselves.
  EXPECT_EQ(Utf8ToAnsiOrRaw("\xFF" + kZhongUtf8), "\xFF" + kZhongUtf8);

  // What CP936 lacks takes its GB18030 four-byte form, both ways.
  const std::string hangul = "\xED\x95\x9C\xEA\xB8\x80";  // 한글
  const std::string mixed = kZhongUtf8 + hangul + kEmoji + ".txt";
  std::string back;
  ASSERT_TRUE(Utf8ToAnsi(mixed, ansi));
  EXPECT_EQ(ansi, Gb18030(mixed));  // what CP936 has keeps its bytes
  ASSERT_TRUE(AnsiToUtf8(ansi, back));
  EXPECT_EQ(back, mixed);
  EXPECT_EQ(AnsiToUtf8Lenient(ansi + "\xA8"), mixed + "\xEF\xBF\xBD");
  const std::u16string wide = AnsiToUtf16Lenient(ansi);
  EXPECT_EQ(wide, u"中한글\U0001F600.txt");
  EXPECT_EQ(Utf16ToAnsi(wide), ansi);
  EXPECT_EQ(Utf16ToAnsi(u"\xD800x\u20AC"), "?x\x80");  // a lone surrogate; the euro sign keeps 0x80
}

TEST(NativePath, DrivePathsAndNamesCp936CannotRepresent) {
  TempDir dir;
  ScopedDriveRoot root(dir.Path());
  // 0x5C inside a character is no separator.
  EXPECT_EQ(ToNative("C:\\s\\\x81\x5C"), dir.Path() + "/glyphwell/drive_c/s/\xE4\xB9\x97");
  dir.Write(kZhongUtf8 + "/" + kEmoji + ".txt", "emoji\n");
  dir.Write(kZhongUtf8 + "/\xFF.txt", "raw\n");
  const std::vector<FoundEntry> found = FindFiles(dir / (kZhongAnsi + "/*.txt"));
  ASSERT_EQ(Names(found), (Strings{Gb18030(kEmoji) + ".txt", "\xFF.txt"}));
  EXPECT_EQ(ReadLines(ToNative(dir / (kZhongAnsi + "/" + found[0].name))), Strings{"emoji"});
  // The folder converts, the listed name that is no UTF-8 is its own bytes:
  // only the mix exists.
  EXPECT_EQ(ReadLines(ToNative(dir / (kZhongAnsi + "/" + found[1].name))), Strings{"raw"});
  // A new file in such a folder lands beside the existing one.
  EXPECT_TRUE(OutputFile().Create(dir / (kZhongAnsi + "/new.txt")));
  EXPECT_TRUE(FileIsThere(dir / (kZhongUtf8 + "/new.txt")));
}

TEST(FileSearch, MatchesAndListsTheWindowsWay) {
  EXPECT_TRUE(MatchesPattern("README.TXT", "*.txt"));
  EXPECT_TRUE(MatchesPattern("a" + kZhongAnsi + "b", "a?b"));
  // A Latin-1 byte that looks like a GBK lead byte takes no "." with it.
  EXPECT_TRUE(MatchesPattern("caf\xE9.txt", "*.txt"));
  EXPECT_TRUE(MatchesPattern("caf\xE9.txt", "caf?.txt"));
  EXPECT_FALSE(MatchesPattern(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*a*a*b"));  // no naive backtracking
  TempDir dir;
  for (const char* name : {"B.txt", "a.txt", "_u.txt"}) dir.Write(name, "x");
  dir.MakeDir("sub");
  ASSERT_EQ(mkfifo((dir / "fifo.txt").c_str(), 0600) + symlink("nowhere", (dir / "dangling.txt").c_str()), 0);
  EXPECT_EQ(Names(FindFiles(dir / "*.txt")), (Strings{"a.txt", "B.txt", "_u.txt"}));
  EXPECT_EQ(Names(FindFiles(dir / "*")).size(), 4u);  // never "." or ".."
}

TEST(LineReader, TextModeLinesFromRegularFilesOnly) {
  TempDir dir;
  EXPECT_EQ(ReadLines(dir.Write("a", "a\r\nb\rc\n\nd\r")), (Strings{"a", "b\rc", "", "d\r"}));
  EXPECT_EQ(ReadLines(dir.Write("b", std::string("\0b\n\x1A" "c\n", 6))), Strings{std::string("\0b", 2)});
  // The first read ends between the CR and the LF.
  const std::string nearBoundary(256 * 1024 - 1, 'x');
  EXPECT_EQ(ReadLines(dir.Write("c", nearBoundary + "\r\nnext\n")), (Strings{nearBoundary, "next"}));
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadLines(dir / "fifo"), Strings{"<refused>"});
}

TEST(Files, WritesAndRemovesOnlyRegularFiles) {
  TempDir dir;
  ScopedDriveRoot root(dir.Path());
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  OutputFile out;
  EXPECT_FALSE(out.Create(dir / "fifo"));
  EXPECT_FALSE(RemoveFile(dir / "fifo"));
  EXPECT_FALSE(RemoveFile(dir.Path()));
  EXPECT_TRUE(PathExists(dir / "fifo"));
  std::string content;
  EXPECT_EQ(ReadWholeFile(dir / "fifo", content), EINVAL);
  EXPECT_EQ(ReadWholeFile(dir.Path(), content), EISDIR);
  for (const std::string text : {"a longer first text", "short\r\n"}) {
    ASSERT_TRUE(out.Create("C:\\r.txt"));
    EXPECT_TRUE(out.Write(text));
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(ReadWholeFile("c:\\r.txt", content), 0);
    EXPECT_EQ(content, text);
  }
  struct stat st {};
  ASSERT_EQ(stat(DriveFolder('c').c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(RemoveFile("c:\\r.txt"));
  EXPECT_FALSE(PathExists("c:\\r.txt"));
}

// The report of a running search stands for a file opened without sharing:
// another writer, a deletion and a reader's open test all fail until it is
// closed, and the second writer leaves its content alone.
TEST(Files, ALockedFileIsNeitherTruncatedNorDeletedWhileHeld) {
  TempDir dir;
  const std::string report = dir / "report.txt";
  OutputFile writer, other;
  ASSERT_TRUE(writer.CreateLocked(report));
  ASSERT_TRUE(writer.Write("first\r\n"));
  EXPECT_FALSE(other.CreateLocked(report));
  EXPECT_EQ(other.Error(), EWOULDBLOCK);
  EXPECT_FALSE(RemoveFile(report));
  InputFile reader;
  ASSERT_TRUE(reader.Open(report));
  FileIdentity a, b;
  ASSERT_TRUE(reader.Identity(a));
  ASSERT_TRUE(writer.Identity(b));
  EXPECT_EQ(a, b);
  const int fd = OpenRegularFile(report);
  EXPECT_TRUE(IsLockedByWriter(fd));
  ASSERT_TRUE(writer.Close());
  EXPECT_FALSE(IsLockedByWriter(fd));
  close(fd);
  EXPECT_EQ(ReadFileBytes(report), "first\r\n");
  ASSERT_TRUE(other.CreateLocked(report));  // free again: truncated
  EXPECT_TRUE(other.Close());
  EXPECT_EQ(ReadFileBytes(report), "");
  EXPECT_TRUE(RemoveFile(report));
}

TEST(Process, StartsProgramsWithoutAShell) {
  EXPECT_EQ(SplitAtBlanks("  a  b\tc d "), (Strings{"a", "b\tc", "d"}));
  TempDir dir;
  const std::string script = dir.Write("script", "exit 0\n");  // no #! line
  chmod(script.c_str(), 0755);
  EXPECT_EQ(StartProcess(script, ""), -1);  // no program, and no shell to fall back on
  EXPECT_EQ(WaitProcess(StartProcess("/usr/bin/test", "x  =   y")), 1);
  dir.Write(kZhongUtf8, "");  // arguments arrive in UTF-8
  EXPECT_EQ(WaitProcess(StartProcess("/usr/bin/test", "-e " + dir / kZhongAnsi)), 0);

  // Detached: found on PATH, one word per argument, blanks kept, and reaped.
  EXPECT_FALSE(StartDetached(script, {}));
  EXPECT_FALSE(StartDetached("no-such-program-here", {}));
  const std::string marker = dir / "made by touch";
  ASSERT_TRUE(StartDetached("touch", {marker}));
  for (int i = 0; i < 500 && access(marker.c_str(), F_OK) != 0; ++i) usleep(10'000);
  EXPECT_EQ(access(marker.c_str(), F_OK), 0);
}

TEST(PathFunctions, ExistenceTestsAndWhereProgramFilesLie) {
  TempDir dir;
  const std::string sub = dir.MakeDir("sub");
  const std::string file = dir.Write("sub/a.txt", "x");
  EXPECT_TRUE(DirectoryExists(sub));
  EXPECT_TRUE(DirectoryExists(sub + "/"));
  EXPECT_TRUE(DirectoryExists(file));  // any entry of that name
  EXPECT_FALSE(DirectoryExists(dir / "none/"));
  EXPECT_TRUE(FileExists(sub));
  EXPECT_TRUE(FileExists(dir / "sub/*.TXT"));
  EXPECT_FALSE(FileExists(dir / "sub/*.htm"));
  EXPECT_TRUE(DirectoryExists(GetModuleDirectory()));

  // A program folder the user may write keeps the files; another one sends
  // them to the user's own folders.
  ScopedEnvironment config("XDG_CONFIG_HOME", dir / "config"), data("XDG_DATA_HOME", dir / "data");
  EXPECT_EQ(WritableFilePath(sub, "a.ini", UserFileKind::Settings), sub + "/a.ini");
  EXPECT_EQ(WritableFilePath(dir / "missing", "a.ini", UserFileKind::Settings), dir / "config/glyphwell/a.ini");
  EXPECT_EQ(WritableFilePath(dir / "missing", "b.xls", UserFileKind::Data), dir / "data/glyphwell/b.xls");
  EXPECT_TRUE(IsDirectory(dir / "config/glyphwell"));
  // An installed program keeps them in the user's folders though it may write
  // its own (a prefix such as ~/.local).
  dir.Write("prefix/share/glyphwell/installed", "");
  const std::string bin = dir.MakeDir("prefix/bin");
  EXPECT_EQ(WritableFilePath(bin, "a.ini", UserFileKind::Settings), dir / "config/glyphwell/a.ini");

  // The helpers and the manual lie beside a program that was not installed,
  // and where the install put them beside one that was.
  EXPECT_EQ(ShippedFileFolder(sub, ShippedFileKind::Helper), sub);
  EXPECT_EQ(ShippedFileFolder(sub, ShippedFileKind::Manual), sub);
  EXPECT_EQ(ShippedFileFolder(bin, ShippedFileKind::Helper), dir / "prefix/lib/glyphwell");
  EXPECT_EQ(ShippedFileFolder(bin, ShippedFileKind::Manual), dir / "prefix/share/glyphwell");
}

// Numbered significant lines as the scan sees them, with or without skipping plain lines.
std::vector<std::pair<std::size_t, std::string>> NumberedLines(const std::string& native, bool skip, bool hash) {
  LineReader reader;
  reader.OpenNative(native);
  std::vector<std::pair<std::size_t, std::string>> lines;
  for (std::size_t number = 1;; ++number) {
    std::string_view line;
    if (skip) number += reader.SkipPlainLines(SignificantBytes(hash).Stops());
    if (!reader.ReadLine(line)) return lines;
    if (std::any_of(line.begin(), line.end(), [hash](unsigned char c) { return c >= 0x80 || (hash && c == '#'); }))
      lines.emplace_back(number, line);
  }
}

// The same, straight from the bytes: text mode ends the text at a 0x1A, LF
// ends a line, a CR right before it goes.
std::vector<std::pair<std::size_t, std::string>> NumberedLinesOf(std::string text, bool hash) {
  text = text.substr(0, text.find('\x1A'));
  std::vector<std::pair<std::size_t, std::string>> lines;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    else if (end > start && text[end - 1] == '\r') --end;
    std::string line = text.substr(start, end - start);
    ++number;
    if (std::any_of(line.begin(), line.end(), [hash](unsigned char c) { return c >= 0x80 || (hash && c == '#'); }))
      lines.emplace_back(number, line);
    start = next;
  }
  return lines;
}

// The text before each line, as the reader still holds it: exact while
// given, whole for a text it keeps, and never again once it has moved on.
TEST(LineReader, TheTextBeforeALineWhileTheBufferHoldsIt) {
  TempDir dir;
  std::mt19937 random(5);
  std::string text = "\xEF\xBB\xBFmarked\r\n";  // read past the mark
  while (text.size() < 700000) text += std::string(random() % 90, 'a' + random() % 26) + (random() % 3 ? "\n" : "\r\n");
  text += "last, no end";
  const std::string file = dir.Write("t", text);
  for (const std::size_t kept : {std::size_t{0}, std::size_t{300000}, std::size_t{1} << 20}) {
    LineReader reader;
    reader.KeepTextFront(kept);
    ASSERT_TRUE(reader.OpenNative(file));
    EXPECT_EQ(ReadInChosenEncoding(reader, EncodingChoice::Utf8), TextEncoding::Utf8);
    std::size_t given = 0, lines = 0;
    bool lost = false;
    for (std::string_view line; reader.ReadLine(line); ++lines) {
      const std::optional<std::string_view> before = reader.TextBefore(line.data());
      if (before) {
        EXPECT_FALSE(lost) << kept;
        ASSERT_EQ(*before, std::string_view(text).substr(3, before->size())) << kept << " " << lines;
        EXPECT_EQ(std::string_view(text).substr(3 + before->size(), line.size()), line) << kept << " " << lines;
        ++given;
      }
      lost = lost || !before;
      const std::string elsewhere(line);
      EXPECT_FALSE(reader.TextBefore(elsewhere.data()) && !elsewhere.empty()) << kept;
    }
    if (kept > text.size()) EXPECT_EQ(given, lines);
    else EXPECT_LT(given, lines) << kept;  // a longer text is moved on at last
    EXPECT_GT(given, 1000u) << kept;
  }
}

TEST(ByteScan, EveryPathStopsWhereTheByteModelStops) {
  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    // Zero to six ASCII stops, high bytes stopping or not, stretches of
    // several blocks with the stop anywhere, or none.
    StopBytes stops;
    stops.highBytes = round % 3 != 0;
    const int count = round % (StopBytes::kMostAscii + 1);
    while (stops.asciiCount < count) stops.Add(static_cast<unsigned char>(1 + random() % 0x7E));
    std::vector<unsigned char> bytes(random() % 400);
    for (unsigned char& b : bytes) {
      const unsigned pick = random() % 100;
      b = static_cast<unsigned char>(pick < 10 ? '\n' : pick < 12 ? 0x80 + random() % 0x80 : 1 + random() % 0x7E);
    }
    std::size_t modelLines = 0, modelEnd = 7, stop = 0;
    for (; stop < bytes.size() && !stops.Is(bytes[stop]); ++stop)
      if (bytes[stop] == '\n') ++modelLines, modelEnd = stop + 1;
    for (const SimdLevel level : {SimdLevel::Plain, SimdLevel::Sse2, SimdLevel::Avx2}) {
      const SimdLevel before = UseSimd(level);
      std::size_t lines = 0, lineEnd = 7;
      EXPECT_EQ(ScanToStop(bytes.data(), bytes.size(), stops, lines, lineEnd), stop) << round << static_cast<int>(level);
      EXPECT_EQ(lines, modelLines) << round << static_cast<int>(level);
      EXPECT_EQ(lineEnd, modelEnd) << round << static_cast<int>(level);
      UseSimd(before);
    }
  }
}

TEST(LineReader, SkippingPlainLinesKeepsNumbersAndLines) {
  TempDir dir;
  std::mt19937 random(7);
  // Several buffers' worth of plain stretches, CR LF, rare significant bytes, a line over a buffer.
  for (int round = 0; round < 4; ++round) {
    std::string text;
    while (text.size() < (1u << 20)) {
      const unsigned pick = random() % 1000;
      if (pick < 3) text += static_cast<char>(0x80 + random() % 0x80);
      else if (pick < 100) text += pick < 6 ? "#" : pick < 60 ? "\r\n" : "\n";
      else if (pick == 999 && round == 2) text += std::string(300000, 'p');
      else text += static_cast<char>('a' + random() % 26);
    }
    // The text ends at a 0x1A in a plain stretch, and on a line with a hit
    // beyond the first buffer.
    if (round == 3) text += "\x1A\xB0\xA1 after the end\n";
    if (round == 1) text.insert(text.size() / 2, "x\xB0\xA1 hit \x1A then more\n");
    if (round == 0) text.insert(text.size() / 3, "plain\x1A\xB0\xA1\n");
    const std::string file = dir.Write("f" + std::to_string(round), text);
    // Every instruction set the scan may use gives the same lines.
    for (const SimdLevel level : {SimdLevel::Plain, SimdLevel::Sse2, SimdLevel::Avx2}) {
      const SimdLevel before = UseSimd(level);
      for (bool hash : {false, true}) {
        const auto expected = NumberedLinesOf(text, hash);
        EXPECT_EQ(NumberedLines(file, true, hash), expected) << round << hash << static_cast<int>(level);
        EXPECT_EQ(NumberedLines(file, false, hash), expected) << round << hash << static_cast<int>(level);
      }
      UseSimd(before);
    }
  }
}
