#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
  char out[3];
  EXPECT_EQ(std::string(out, WideCharToAnsi(0x4E2D, out)), kZhongAnsi + '\0');
  EXPECT_EQ(std::string(out, WideCharToAnsi(0xD800, out)), std::string("?\0", 2));  // lone surrogate
  std::string utf8, ansi, untouched = "keep";
  ASSERT_TRUE(AnsiToUtf8(kZhongAnsi + "a\x80", utf8) && Utf8ToAnsi(utf8, ansi));
  EXPECT_EQ(utf8 + "|" + ansi, kZhongUtf8 + "a\xE2\x82\xAC|" + kZhongAnsi + "a\x80");
  EXPECT_FALSE(AnsiToUtf8(kZhongAnsi.substr(0, 1), untouched) || Utf8ToAnsi(kEmoji, untouched));
  EXPECT_EQ(untouched, "keep");
  // An unassigned double-byte code must not swallow the "A" after it.
  EXPECT_EQ(AnsiToUtf8Lenient("\xA2\xE3" "A" "\xD6"), "\xEF\xBF\xBD" "A" "\xEF\xBF\xBD");
  EXPECT_EQ(AnsiToUtf16Lenient(std::string(5000, 'z') + "\xFF"), std::u16string(5000, u'z') + u"\uFFFD");
  EXPECT_EQ(Utf8ToAnsiOrRaw(kZhongUtf8 + kEmoji), kZhongUtf8 + kEmoji);
  EXPECT_EQ(AnsiToUtf8OrRaw("\xFF\xFF"), "\xFF\xFF");
}

TEST(NativePath, DrivePathsAndNamesCp936CannotRepresent) {
  TempDir dir;
  ScopedDriveRoot root(dir.Path());
  EXPECT_TRUE(IsDrivePath("E:/") && !IsDrivePath("c:"));
  // 0x5C inside a character is no separator; outside drives "\" is ordinary.
  EXPECT_EQ(ToNative("C:\\s\\\x81\x5C"), dir.Path() + "/glyphwell/drive_c/s/\xE4\xB9\x97");
  EXPECT_EQ(ToNative("a\\b"), "a\\b");
  std::string directory, name;
  SplitLastComponent("c:\\x\\\x81\x5C.txt", directory, name);
  EXPECT_EQ(directory + "|" + name, "c:\\x\\|\x81\x5C.txt");

  dir.Write(kZhongUtf8 + "/" + kEmoji + ".txt", "emoji\n");
  dir.Write(kZhongAnsi + ".raw", "raw bytes on disk\n");
  const std::vector<FoundEntry> found = FindFiles(dir / (kZhongAnsi + "/*.txt"));
  ASSERT_EQ(Names(found), Strings{kEmoji + ".txt"});
  // The folder converts, the listed name is its own bytes: only the mix exists.
  EXPECT_EQ(ReadLines(ToNative(dir / (kZhongAnsi + "/" + found[0].name))), Strings{"emoji"});
  EXPECT_EQ(ToNative(dir / (kZhongAnsi + ".raw")), dir / (kZhongAnsi + ".raw"));
  // A new file in such a folder lands beside the existing one.
  close(OpenForWrite(dir / (kZhongAnsi + "/new.txt")));
  EXPECT_TRUE(FileIsThere(dir / (kZhongUtf8 + "/new.txt")));
}

TEST(FileSearch, MatchesAndListsTheWindowsWay) {
  EXPECT_TRUE(MatchesPattern("README.TXT", "*.txt"));
  EXPECT_TRUE(MatchesPattern("readme", "*.*"));
  EXPECT_FALSE(MatchesPattern("page.html", "*.htm"));
  EXPECT_TRUE(MatchesPattern("a" + kZhongAnsi + "b", "a?b"));
  EXPECT_FALSE(MatchesPattern("a" + kZhongAnsi + "b", "a??b"));
  EXPECT_TRUE(MatchesPattern("abcabd", "*b?"));
  EXPECT_FALSE(MatchesPattern(std::string(200, 'a'), "*a*a*a*a*a*a*a*a*a*a*b"));  // no naive backtracking

  TempDir dir;
  for (const char* name : {"B.txt", "a.txt", "C.txt", "_u.txt"}) dir.Write(name, "x");
  const std::string target = dir.MakeDir("target");
  ASSERT_EQ(mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "dangling.txt").c_str()) + symlink(target.c_str(), (dir / "link").c_str()), 0);
  EXPECT_EQ(Names(FindFiles(dir / "*.txt")), (Strings{"a.txt", "B.txt", "C.txt", "_u.txt"}));
  const std::vector<FoundEntry> found = FindFiles(dir / "l*");
  FileIdentity identity;
  ASSERT_TRUE(found.size() == 1 && found[0].isDirectory && GetIdentity(target, identity));
  EXPECT_EQ(found[0].identity, identity);
  EXPECT_EQ(Names(FindFiles(dir / "*")).size(), 6u);  // never "." or ".."
}

TEST(LineReader, TextModeLinesFromRegularFilesOnly) {
  TempDir dir;
  EXPECT_EQ(ReadLines(dir.Write("a", "a\r\nb\rc\n\nd\r")), (Strings{"a", "b\rc", "", "d\r"}));
  EXPECT_EQ(ReadLines(dir.Write("b", std::string("\0b\n\x1A" "c\n", 6))), Strings{std::string("\0b", 2)});
  // The first read ends between the CR and the LF.
  const std::string nearBoundary(256 * 1024 - 1, 'x'), huge(5 * 1024 * 1024, 'y');
  EXPECT_EQ(ReadLines(dir.Write("c", nearBoundary + "\r\nnext\n")), (Strings{nearBoundary, "next"}));
  EXPECT_EQ(ReadLines(dir.Write("d", "s\n" + huge + "\r\nt")), (Strings{"s", huge, "t"}));

  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadLines(dir / "fifo"), Strings{"<refused>"});
  EXPECT_EQ(ReadLines(dir.Path()), Strings{"<refused>"});
  LineReader reader;
  std::string_view line;
  ASSERT_TRUE(reader.Open(dir.Write("one", "1\n2\n")) && reader.ReadLine(line));
  ASSERT_TRUE(reader.Open(dir.Write("two", "3\n")) && reader.ReadLine(line));
  EXPECT_EQ(line, "3");  // nothing of the first file is left over
  EXPECT_FALSE(reader.ReadLine(line));
}

TEST(Files, WritesAndRemovesOnlyRegularFiles) {
  TempDir dir;
  ScopedDriveRoot root(dir.Path());
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(OpenForWrite(dir / "missing/x.txt"), -1);
  EXPECT_EQ(OpenForWrite(dir / "fifo"), -1);
  EXPECT_FALSE(RemoveFile(dir / "fifo") || RemoveFile(dir.Path()));
  EXPECT_TRUE(PathExists(dir / "fifo"));
  for (const std::string text : {"a longer first text", "short\r\n"}) {
    const int fd = OpenForWrite("C:\\r.txt");
    ASSERT_TRUE(fd >= 0 && WriteAll(fd, text.data(), text.size()));
    close(fd);
    EXPECT_EQ(ReadFileBytes(DriveFolder('c') + "/r.txt"), text);
  }
  struct stat st;
  ASSERT_EQ(stat(DriveFolder('c').c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(RemoveFile("c:\\r.txt") && !PathExists("c:\\r.txt"));
}

TEST(Process, StartsProgramsWithoutAShell) {
  EXPECT_EQ(SplitAtBlanks("  a  b\tc d "), (Strings{"a", "b\tc", "d"}));
  TempDir dir;
  const std::string script = dir.Write("script", "exit 0\n");
  chmod(script.c_str(), 0755);
  EXPECT_EQ(StartProcess(script, ""), -1);  // no program, and no shell to fall back on
  EXPECT_EQ(WaitProcess(StartProcess("/usr/bin/test", "x  =   y")), 1);
  dir.Write(kZhongUtf8, "");  // arguments arrive in UTF-8
  EXPECT_EQ(WaitProcess(StartProcess("/usr/bin/test", "-e " + dir / kZhongAnsi)), 0);
}

// Numbered significant lines as the scan sees them, with or without skipping plain lines.
std::vector<std::pair<std::size_t, std::string>> NumberedLines(const std::string& native, bool skip, bool hash) {
  LineReader reader;
  reader.OpenNative(native);
  std::vector<std::pair<std::size_t, std::string>> lines;
  std::string_view line;
  for (std::size_t number = 1;; ++number) {
    if (skip) number += reader.SkipPlainLines(hash);
    if (!reader.ReadLine(line)) return lines;
    if (std::any_of(line.begin(), line.end(), [hash](unsigned char c) { return c >= 0x80 || (hash && c == '#'); }))
      lines.emplace_back(number, line);
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
    if (round == 3) text += "\x1A\xB0\xA1 after the end\n";
    const std::string file = dir.Write("f" + std::to_string(round), text);
    for (bool hash : {false, true}) {
      const auto expected = NumberedLines(file, false, hash);
      ASSERT_FALSE(expected.empty());
      EXPECT_EQ(NumberedLines(file, true, hash), expected) << "round " << round << " hash " << hash;
    }
  }
}
