// The viewer's window rules without a window: the find-box driving, the
// editor hand-off and its adapter editor-at-line, the resize steps, the
// window values of the settings, and where a Navigate2 text leads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/NativePath.h"
#include "platform/Process.h"
#include "tests/support/FakeAutomation.h"
#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"
#include "viewer/EditorHandOff.h"
#include "viewer/FormLayout.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/editor/EditorCommand.h"

using Log = std::vector<std::string>;

constexpr WindowHandle kBrowser = 7, kDialog = 40, kField = 41;

FakeAutomation::Window FindDialogWindow(const std::string& title = kFindDialogTitle) {
  return {kFindDialogClass, title, kDialog, kField};
}

TEST(FindInBrowser, DialogAlreadyOpenTypesAtOnce) {
  FakeAutomation api;
  api.AddWindow(FindDialogWindow());
  FindInBrowser(api, kBrowser, Gbk("中文  汉字"));
  EXPECT_EQ(api.log, (Log{"find", "foreground 40", "foreground 41", "keys " + Gbk("中文  汉字"), "keys {enter}"}));
  // Started half a second past a second: the two-second pause ends at the
  // second whole second, 1.5 s later.
  ASSERT_EQ(api.keyTimes.size(), 2u);
  EXPECT_EQ(api.keyTimes[0], 500);
  EXPECT_EQ(api.keyTimes[1] - api.keyTimes[0], 1500);
  // The waits let events through and sleep between checks.
  EXPECT_GT(api.eventPasses, 0);
  EXPECT_EQ(api.idles, api.eventPasses);
}

TEST(FindInBrowser, DialogOpeningAfterTheSecondCheckTakesTwoWaits) {
  FakeAutomation api;
  api.AddWindow(FindDialogWindow(), 2);  // found by the second check after Ctrl+F
  FindInBrowser(api, kBrowser, Gbk("字"));
  EXPECT_EQ(api.log, (Log{"find", "focus 7", "keys ^f", "find", "find", "foreground 40", "foreground 41",
                          "keys " + Gbk("字"), "keys {enter}"}));
  // Two one-second waits: the first ends at the next whole second (0.5 s),
  // the second a second later.
  EXPECT_EQ(api.keyTimes[1], 2000);
}

TEST(FindInBrowser, DialogNeverOpeningOrOfAnotherLanguageEndsSilently) {
  for (const std::string& title : {std::string("Find"), std::string()}) {
    FakeAutomation api;
    if (!title.empty()) api.AddWindow(FindDialogWindow(title));
    FindInBrowser(api, kBrowser, Gbk("字"));
    EXPECT_EQ(api.log, (Log{"find", "focus 7", "keys ^f", "find", "find", "find"})) << title;
    EXPECT_EQ(api.milliseconds, 3000) << title;
  }
}

TEST(FindInBrowser, TextIsSentUnchanged) {
  FakeAutomation api;
  api.AddWindow(FindDialogWindow());
  const std::string text = Gbk("中^文{enter}+%~()[]");
  FindInBrowser(api, kBrowser, text);
  EXPECT_EQ(api.log[3], "keys " + text);
  // An empty text types nothing of its own; Enter still goes.
  FakeAutomation empty;
  empty.AddWindow(FindDialogWindow());
  FindInBrowser(empty, kBrowser, "");
  EXPECT_EQ(empty.log, (Log{"find", "foreground 40", "foreground 41", "keys ", "keys {enter}"}));
}

struct RecordingStarter : ProgramStarter {
  bool Start(const std::string& program, const std::vector<std::string>& arguments) override {
    starts.push_back({program, arguments});
    return result;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> starts;
  bool result = true;
};

TEST(EditorHandOff, LineNumberAndParameterText) {
  EXPECT_EQ(EditorLineNumber("12"), 12);
  EXPECT_EQ(EditorLineNumber(" 1234 "), 1234);
  EXPECT_EQ(EditorLineNumber("2.5"), 2);  // halves to even, as the runtime rounds
  EXPECT_EQ(EditorLineNumber("3.5"), 4);
  EXPECT_EQ(EditorLineNumber("1e3"), 1000);
  EXPECT_EQ(EditorLineNumber("+7"), 7);
  EXPECT_EQ(EditorLineNumber("2147483648"), std::nullopt);  // beyond 32 bits: no hand-off
  EXPECT_EQ(EditorLineNumber("12a"), std::nullopt);
  EXPECT_EQ(EditorLineNumber(""), std::nullopt);
  EXPECT_EQ(EditorParameters("C:\\docs\\a.txt", 12), "C:\\docs\\a.txt /12");
}

TEST(EditorHandOff, StartsTheEditorWithThePathSplitAtBlanks) {
  RecordingStarter starter;
  const std::string editor = "D:\\Program Files\\ed.exe";
  EXPECT_TRUE(OpenInEditor(starter, editor, Gbk("C:\\My Docs\\中文.txt"), "1234"));
  ASSERT_EQ(starter.starts.size(), 1u);
  EXPECT_EQ(starter.starts[0].first, editor);
  // Words in UTF-8, as another program takes its arguments.
  EXPECT_EQ(starter.starts[0].second, (std::vector<std::string>{"C:\\My", "Docs\\中文.txt", "/1234"}));

  EXPECT_TRUE(OpenInEditor(starter, editor, "a.txt", "x"));
  EXPECT_EQ(starter.starts.size(), 1u);  // not numeric: nothing started
  starter.result = false;
  EXPECT_FALSE(OpenInEditor(starter, editor, "a.txt", "3"));
}

TEST(ResizeSteps, FollowTheWindowAndSkipNegativeSizes) {
  const ResizedControls designed{
      {240, 720, 2295, 6900}, {3000, 1560, 5655, 6015}, {240, 600, 1695, 4200}, {2520, 720, 2655, 3735}};
  ResizedControls c = designed;
  ResizeSteps(12000, 9000, c);
  EXPECT_EQ(c.lstFileName.Height, 9000 - 1420);
  EXPECT_EQ(c.FrameRight.Left, 2635);
  EXPECT_EQ(c.FrameRight.Top, 970);
  EXPECT_EQ(c.FrameRight.Width, 12000 - 3135);
  EXPECT_EQ(c.FrameRight.Height, 9000 - 1420);
  EXPECT_EQ(c.LstRowNum.Height, 9000 - 1420 - 300);
  EXPECT_EQ(c.WebBrowser1.Left, 1650);
  EXPECT_EQ(c.WebBrowser1.Top, 200);
  EXPECT_EQ(c.WebBrowser1.Width, 12000 - 3135 - 1900);
  EXPECT_EQ(c.WebBrowser1.Height, c.LstRowNum.Height);

  // Too narrow for the frame, tall enough for the list: the list follows,
  // the frame and what depends on its width stay.
  ResizedControls narrow = c;
  ResizeSteps(3000, 6000, narrow);
  EXPECT_EQ(narrow.lstFileName.Height, 6000 - 1420);
  EXPECT_EQ(narrow.FrameRight.Width, c.FrameRight.Width);
  EXPECT_EQ(narrow.FrameRight.Height, c.FrameRight.Height);

  // Smaller than every margin: nothing moves.
  ResizedControls tiny = c;
  ResizeSteps(600, 600, tiny);
  EXPECT_EQ(tiny.lstFileName.Height, c.lstFileName.Height);
  EXPECT_EQ(tiny.WebBrowser1.Width, c.WebBrowser1.Width);

  // A frame too low for the row list's margin: the row list and the browser
  // keep their sizes while the frame follows.
  ResizedControls low = c;
  ResizeSteps(12000, 1420 + 200, low);
  EXPECT_EQ(low.FrameRight.Height, 200);
  EXPECT_EQ(low.LstRowNum.Height, c.LstRowNum.Height);
  EXPECT_EQ(low.WebBrowser1.Height, c.WebBrowser1.Height);
}

TEST(WindowValues, TextFormsAndNumbers) {
  EXPECT_EQ(FormatTwips(1440), "1440");
  EXPECT_EQ(FormatTwips(1425.75), "1425.75");
  EXPECT_EQ(FormatTwips(PixelsToTwips(101, 96)), "1515");
  EXPECT_EQ(FormatTwips(PixelsToTwips(7, 101)), "99.80198");  // single precision, as twips are kept
  EXPECT_EQ(ParseTwips(" 1440 "), 1440.0);
  EXPECT_EQ(ParseTwips("1425.75"), 1425.75);
  EXPECT_EQ(ParseTwips("1e3"), 1000.0);
  EXPECT_EQ(ParseTwips("-30"), -30.0);
  for (const char* unusable : {"", "abc", "1,000", "0x10", "1e999", "99999999999999"})
    EXPECT_EQ(ParseTwips(unusable), std::nullopt) << unusable;
  EXPECT_EQ(TwipsToPixels(1500, 96), 100);
  EXPECT_EQ(TwipsToPixels(1500, 120), 125);
}

TEST(Navigate2Text, FragmentOnlyWhereTheFileEndsBeforeIt) {
  TempDir dir;
  ScopedDriveRoot drive(dir.Path());
  const std::string page = dir.Write("glyphwell/drive_c/~temp.htm", "x");
  const std::string hashName = dir.Write("a#b.txt", "y");

  EXPECT_EQ(ResolveNavigateText("").nativePath, "");
  NavigateTarget jump = ResolveNavigateText("c:\\~temp.htm#mao_Line12");
  EXPECT_EQ(jump.nativePath, page);
  EXPECT_EQ(jump.fragment, "mao_Line12");
  jump = ResolveNavigateText("c:\\~temp.htm");
  EXPECT_EQ(jump.nativePath, page);
  EXPECT_EQ(jump.fragment, "");
  // A name with "#" is a name.
  jump = ResolveNavigateText(hashName);
  EXPECT_EQ(jump.nativePath, hashName);
  EXPECT_EQ(jump.fragment, "");
  // Neither the whole nor the part before "#" exists: the whole text, which
  // the browser reports as missing.
  jump = ResolveNavigateText(dir / "gone.htm#mao_Line3");
  EXPECT_EQ(jump.nativePath, dir / "gone.htm#mao_Line3");
  EXPECT_EQ(jump.fragment, "");
}

TEST(EditorAtLine, WordsBackToPathAndLine) {
  using Words = std::vector<std::string>;
  EditorRequest request = ParseEditorWords(Words{"C:\\My", "Docs\\a.txt", "/1234"});
  EXPECT_EQ(request.path, "C:\\My Docs\\a.txt");
  EXPECT_EQ(request.line, 1234);
  request = ParseEditorWords(Words{"/srv/a.txt", "/0"});
  EXPECT_EQ(request.line, 1);
  // No line word: all of it is the path; "/x" is no line either.
  request = ParseEditorWords(Words{"/srv/a", "b.txt"});
  EXPECT_EQ(request.path, "/srv/a b.txt");
  EXPECT_EQ(request.line, std::nullopt);
  request = ParseEditorWords(Words{"/srv/a.txt", "/x1"});
  EXPECT_EQ(request.path, "/srv/a.txt /x1");
  request = ParseEditorWords(Words{"/12"});
  EXPECT_EQ(request.path, "/12");
}

TEST(EditorAtLine, EachEditorGetsItsLineSyntax) {
  using Args = std::vector<std::string>;
  EXPECT_EQ(EditorCommand("vim", "/a.txt", 12).arguments, (Args{"+12", "/a.txt"}));
  EXPECT_EQ(EditorCommand("/usr/bin/kate", "/a.txt", 12).arguments, (Args{"--line", "12", "/a.txt"}));
  EXPECT_EQ(EditorCommand("subl", "/a.txt", 12).arguments, (Args{"/a.txt:12"}));
  const Command code = EditorCommand("code --wait", "/a.txt", 12);
  EXPECT_EQ(code.program, "code");
  EXPECT_EQ(code.arguments, (Args{"--wait", "--goto", "/a.txt:12"}));
  EXPECT_EQ(EditorCommand("gedit", "-x.txt", std::nullopt).arguments, (Args{"./-x.txt"}));

  // Without a terminal a terminal editor gets one; the desktop editors and
  // xdg-open follow.
  std::vector<Command> commands = Candidates("vim", "gedit", false, "/a.txt", 3);
  ASSERT_GE(commands.size(), 3u);
  EXPECT_EQ(commands[0].program, "x-terminal-emulator");
  EXPECT_EQ(commands[0].arguments, (Args{"-e", "vim", "+3", "/a.txt"}));
  EXPECT_EQ(commands[1].program, "gedit");
  EXPECT_EQ(commands.back().program, "xdg-open");
  EXPECT_EQ(commands.back().arguments, (Args{"/a.txt"}));
  commands = Candidates("vim", nullptr, true, "/a.txt", 3);
  EXPECT_EQ(commands[0].program, "vim");
}

// The adapter as the viewer starts it, with a stand-in editor that writes
// down its arguments.
TEST(EditorAtLine, OpensTheFileInTheEditorNamedByVisual) {
  TempDir dir;
  ScopedDriveRoot drive(dir.Path());
  const std::string file = dir.Write("glyphwell/drive_c/My Docs/a.txt", "x\n");
  const std::string log = dir / "args.txt";
  setenv("FAKE_EDITOR_LOG", log.c_str(), 1);
  setenv("VISUAL", FAKE_EDITOR, 1);
  const int pid = platform::StartProcess(EDITOR_AT_LINE, "c:\\My Docs\\a.txt /1234");
  const int status = platform::WaitProcess(pid);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(log), "+1234\n" + file + "\n");

  // A file that is not there opens no editor.
  std::remove(log.c_str());
  EXPECT_EQ(platform::WaitProcess(platform::StartProcess(EDITOR_AT_LINE, "c:\\gone.txt /3")), 1);
  EXPECT_FALSE(FileIsThere(log));
  unsetenv("VISUAL");
  unsetenv("FAKE_EDITOR_LOG");
}
