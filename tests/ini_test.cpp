// The INI functions against hand-written files, the finder's settings over
// them, and the viewer's INI class.
#include <gtest/gtest.h>

#include <climits>

#include "finder/app/settings/FinderSettings.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"
#include "tests/support/Raised.h"
#include "tests/support/TempDir.h"
#include "viewer/support/ClsIni.h"

namespace {

using namespace platform;
using namespace std::string_literals;

// Blanks around "=", quotes, a duplicate key, a header in other letter case,
// a line with no "=", a comment, and no line end after the last line.
const char kHandWritten[] =
    "; settings\r\n"
    "[Common]\r\n"
    "  key1 =  value one  \r\n"
    "quoted = \"  padded  \"\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "number = -42\r\n"
    "\r\n"
    "[other]\n"
    "key1=other\n"
    "bare line\n"
    "last=end";

TEST(IniFunctions, ReadsHandWrittenFiles) {
  TempDir dir;
  const std::string ini = dir.Write("a.ini", kHandWritten);
  EXPECT_EQ(ReadIniValue(ini, "common", "KEY1", "d", 300), "value one");
  EXPECT_EQ(ReadIniValue(ini, "COMMON", "quoted", "d", 300), "  padded  ");
  EXPECT_EQ(ReadIniValue(ini, "common", "dup", "d", 300), "first");
  EXPECT_EQ(ReadIniValue(ini, "other", "last", "d", 300), "end");
  EXPECT_EQ(ReadIniValue(ini, "other", "bare line", "d", 300), "d");
  EXPECT_EQ(ReadIniValue(ini, "other", "missing", "default  ", 300), "default");
  EXPECT_EQ(ReadIniValue(ini, "none", "key1", "d", 300), "d");
  EXPECT_EQ(ReadIniValue(ini, "common", "key1", "d", 5), "valu");
  EXPECT_EQ(ReadIniValue(dir / "missing.ini", "common", "key1", "d", 300), "d");

  EXPECT_EQ(ReadIniInteger(ini, "common", "number", 7), -42);
  EXPECT_EQ(ReadIniInteger(ini, "common", "key1", 7), 0);
  EXPECT_EQ(ReadIniInteger(ini, "common", "missing", 7), 7);

  EXPECT_EQ(ListIniSections(ini, 100), "Common\0other\0\0"s);
  EXPECT_EQ(ListIniSections(ini, 9), "Common\0\0"s);  // cut, still ended by two NULs
  EXPECT_EQ(ListIniSection(ini, "OTHER", 100), "key1=other\0bare line\0last=end\0\0"s);
  EXPECT_EQ(ListIniSections(dir / "missing.ini", 100), "");

  // Numbers: leading digits count, a value beyond 32 bits reads as the limit.
  const std::string numbers = dir.Write("n.ini", "[n]\r\na=12abc\r\nb=99999999999\r\nc=\r\nd=\"5\"\r\n");
  for (const auto& [key, value] : {std::pair{"a", 12}, {"b", INT_MAX}, {"c", 1}, {"d", 5}})
    EXPECT_EQ(ReadIniInteger(numbers, "n", key, 1), value) << key;

  // Not an INI file at all: every read gives the default.
  const std::string binary = dir.Write("bin.ini", "\x7f" "ELF\0\0[\x01=\xff\n\x1a=x\r\r\n"s);
  EXPECT_EQ(ReadIniValue(binary, "common", "key", "d", 300), "d");
  EXPECT_EQ(ListIniSection(binary, "", 100), "");

  // Names fold ASCII letters only: the trail byte of a double-byte character is not a letter.
  EXPECT_FALSE(AnsiEqualsIgnoreCase("\xB0\x61", "\xB0\x41"));
  EXPECT_TRUE(AnsiEqualsIgnoreCase("\xB0\x61x", "\xB0\x61X"));
}

TEST(IniFunctions, WritesKeepEveryOtherLine) {
  TempDir dir;
  const std::string ini = dir.Write("a.ini", kHandWritten);
  EXPECT_TRUE(WriteIniValue(ini, "COMMON", "KEY1", " new "));  // in place, the file's spelling of the key
  EXPECT_TRUE(WriteIniValue(ini, "common", "added", "1"));     // after the section's last line, before the blank
  EXPECT_TRUE(WriteIniValue(ini, "third", "k", "v"));          // a new section at the end
  EXPECT_TRUE(DeleteIniKey(ini, "other", "key1"));
  EXPECT_TRUE(DeleteIniKey(ini, "other", "absent"));
  EXPECT_EQ(ReadFileBytes(ini),
            "; settings\r\n[Common]\r\nkey1= new \r\nquoted = \"  padded  \"\r\ndup=first\r\ndup=second\r\n"
            "number = -42\r\nadded=1\r\n\r\n[other]\r\nbare line\r\nlast=end\r\n[third]\r\nk=v\r\n");

  EXPECT_TRUE(DeleteIniSection(ini, "Other"));
  EXPECT_EQ(ListIniSections(ini, 100), "Common\0third\0\0"s);

  // A missing file is created, in a folder that exists.
  EXPECT_TRUE(WriteIniValue(dir / "new.ini", "s", "k", "v"));
  EXPECT_EQ(ReadFileBytes(dir / "new.ini"), "[s]\r\nk=v\r\n");
  EXPECT_TRUE(DeleteIniKey(dir / "none.ini", "s", "k"));
  EXPECT_FALSE(FileIsThere(dir / "none.ini"));
}

TEST(IniFunctions, FailedWritesChangeNothing) {
  TempDir dir;
  EXPECT_FALSE(WriteIniValue(dir / "no/such/folder.ini", "s", "k", "v"));
  dir.MakeDir("folder.ini");
  EXPECT_FALSE(WriteIniValue(dir / "folder.ini", "s", "k", "v"));
  // A file name with a line end must not become lines of its own.
  const std::string names = dir.Write("names.ini", "[s]\r\nk=v\r\n");
  EXPECT_FALSE(WriteIniValue(names, "s", "k", "a.htm\n[evil]\r\nx=1"));
  EXPECT_FALSE(WriteIniValue(names, "s]x", "k", "v"));
  EXPECT_FALSE(WriteIniValue(names, "s", "k=x", "v"));
  EXPECT_EQ(ReadFileBytes(names), "[s]\r\nk=v\r\n");

  const std::string ini = dir.Write("ro.ini", kHandWritten);
  const ScopedReadOnly readOnly(ini);
  if (!readOnly.Active()) GTEST_SKIP() << "cannot make a file read-only here";
  EXPECT_FALSE(WriteIniValue(ini, "common", "key1", "x"));
  EXPECT_FALSE(DeleteIniSection(ini, "common"));
  EXPECT_EQ(ReadFileBytes(ini), kHandWritten);
}

TEST(FinderSettingsTest, DefaultsSaveAndPartialFiles) {
  TempDir dir;
  FinderSettings first;
  first.Load(dir / "Glyphwell.ini");  // first start: no file; no Windows drive, so the user's home
  first.Save();
  EXPECT_EQ(ReadFileBytes(dir / "Glyphwell.ini"),
            "[common]\r\nFileOrPath=1\r\nIncludeSubPath=1\r\nSearchUnicode=1\r\nLimitHanZiCountEachFile=1\r\n"
            "MaxHanZiCountEachFile=30\r\nFileName=\r\nPath=" + std::string(getenv("HOME")) + "\r\n"
            "FileType=*.txt;*.htm;*.html\r\nstrLogFile=c:\\GlyphwellResult.txt\r\nstrStartTag=\r\n");

  // Values written by one run come back in the next; integers stay decimal.
  first.FileOrPath = 0;
  first.MaxHanZiCountEachFile = -5;
  first.Path = "d:\\\xD6\xD0\xCE\xC4";  // 中文
  first.Save();
  FinderSettings second;
  second.Load(dir / "Glyphwell.ini");
  EXPECT_EQ(second.FileOrPath, 0);
  EXPECT_EQ(second.MaxHanZiCountEachFile, -5);
  EXPECT_EQ(second.Path, first.Path);

  // One key of ten; a value past 299 bytes arrives cut.
  const std::string partial =
      dir.Write("p.ini", "[common]\r\nMaxHanZiCountEachFile=100\r\nstrStartTag=" + std::string(400, 'x') + "\r\n");
  FinderSettings third;
  third.Load(partial);
  EXPECT_EQ(third.MaxHanZiCountEachFile, 100);
  EXPECT_EQ(third.strStartTag, std::string(299, 'x'));
  EXPECT_EQ(third.FileType, "*.txt;*.htm;*.html");
  EXPECT_EQ(third.LimitHanZiCountEachFile, 1);
}

TEST(ClsIniTest, ReadsWriteBackDefaultsAndNumbers) {
  TempDir dir;
  ClsIni ini;
  ini.CreateIni(dir.Path() + "//", "/t.ini");
  EXPECT_EQ(ini.IniFileName(), dir.Path() + "/t.ini");
  EXPECT_FALSE(FileIsThere(dir / "t.ini"));

  EXPECT_EQ(ini.ReadString("Path", "UltraEdit", " uedit "), "uedit");
  EXPECT_EQ(ReadFileBytes(dir / "t.ini"), "[Path]\r\nUltraEdit= uedit \r\n");
  ini.WriteString("Path", "UltraEdit", "");
  EXPECT_EQ(ini.ReadString("Path", "UltraEdit", "again"), "again");  // an empty value counts as missing

  ini.WriteNum("WINDOW", "Left", 0);
  ini.WriteNum("WINDOW", "Top", -1);
  ini.WriteNum("WINDOW", "Big", 40000);
  EXPECT_NE(ReadFileBytes(dir / "t.ini").find("Left= 0\r\nTop=-1\r\n"), std::string::npos);
  EXPECT_EQ(ini.ReadNum("WINDOW", "Left", 9), 0);
  EXPECT_EQ(ini.ReadNum("WINDOW", "Top", 9), -1);
  EXPECT_EQ(ini.ReadNum("WINDOW", "Missing", 9), 9);
  EXPECT_EQ(RaisedBy([&] { ini.ReadNum("WINDOW", "Big", 9); }).code, RunTimeErrorCode::Overflow);

  ini.DelKey("WINDOW", "Big");
  ini.DelSection("Path");
  std::vector<std::string> names;
  EXPECT_EQ(ini.GetSectionNames(names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"WINDOW"});
  std::vector<std::string> keys{"stale"};
  EXPECT_EQ(ini.GetKeys("window", keys), 2);
  EXPECT_EQ(keys, (std::vector<std::string>{"Left=0", "Top=-1"}));

  ClsIni missing;
  missing.IniFileName(dir / "none.ini");
  EXPECT_EQ(missing.GetSectionNames(names), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_THROW(missing.GetKeys2("a", keys), RunTimeError);
  EXPECT_THROW(missing.ReadText("a", "b", ""), RunTimeError);
}

// Lists past the sixteen-bit limit overflow; the direct readers take a
// section's lines and a key's run of values as they stand.
TEST(ClsIniTest, ListsAndDirectReaders) {
  TempDir dir;
  std::string text = "[big]\r\n";
  for (int i = 0; i < 1000; ++i) text += "key" + std::to_string(i) + "=" + std::string(30, 'v') + "\r\n";
  ClsIni ini;
  ini.IniFileName(dir.Write("big.ini", text));
  std::vector<std::string> keys;
  EXPECT_THROW(ini.GetKeys("big", keys), RunTimeError);
  ini.IniFileName(dir.Write("small.ini", "[big]\r\n" + text.substr(7, 30000)));
  EXPECT_GT(ini.GetKeys("big", keys), 700);

  ini.IniFileName(dir.Write("d.ini",
                            "[A]\r\n  [Sec]  \r\n x = 1 \r\n\r\n; note\r\nbare\0line\r\n[next]\r\ny=2\r\n"
                            "[Text]\r\nA=1\r\nB=2\r\nA=3\r\nA =4\r\n[Z]\r\nA=9\r\n"s));
  std::vector<std::string> lines;
  EXPECT_EQ(ini.GetKeys2("sec", lines), 2);
  EXPECT_EQ(lines, (std::vector<std::string>{"x = 1", "bareline"}));
  EXPECT_EQ(ini.ReadText("Text", "a", "d"), "1\r\nB=2\r\nA =4");
  // A header with outer blanks is no header to this reader.
  EXPECT_EQ(ini.ReadText("Sec", "x", "d"), "d");
}

}  // namespace
