// The viewer's window rules without a window: the find-box driving, the
// editor hand-off and its adapter editor-at-line, the resize steps, the
// window values of the settings, and where a Navigate2 text leads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Process.h"
#include "tests/support/FakeAutomation.h"
#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"
#include "viewer/EditorHandOff.h"
#include "viewer/FormLayout.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/editor/EditorCommand.h"

using Log = std::vector<std::string>;
using Words = std::vector<std::string>;

// The clock starts half a second past a whole second, so a wait of N
// seconds ends N - 0.5 s later.
TEST(FindInBrowser, DialogOpenOpeningAfterTwoWaitsOrNever) {
  FakeAutomation open;
  open.AddFindDialog();
  const std::string text = Gbk("中文  汉字^{enter}+%~()");  // typed unchanged
  FindInBrowser(open, 7, text);
  EXPECT_EQ(open.log, (Log{"find", "foreground 40", "foreground 41", "keys " + text, "keys {enter}"}));
  EXPECT_EQ(open.keyTimes, (std::vector<long>{500, 2000}));
  // The waits let events through and sleep between checks.
  EXPECT_GT(open.eventPasses, 0);
  EXPECT_EQ(open.idles, open.eventPasses);

  FakeAutomation late;
  late.AddFindDialog(2);
  FindInBrowser(late, 7, "x");
  EXPECT_EQ(late.log, (Log{"find", "focus 7", "keys ^f", "find", "find", "foreground 40", "foreground 41", "keys x",
                           "keys {enter}"}));
  EXPECT_EQ(late.keyTimes, (std::vector<long>{500, 2000, 4000}));

  for (bool foreign : {false, true}) {
    FakeAutomation never;
    if (foreign) never.AddFindDialog(0, "Find");  // another language's dialog is not the one
    FindInBrowser(never, 7, "x");
    EXPECT_EQ(never.log, (Log{"find", "focus 7", "keys ^f", "find", "find", "find"})) << foreign;
    EXPECT_EQ(never.milliseconds, 3000) << foreign;
  }
}

TEST(EditorHandOff, LineNumberAndWords) {
  EXPECT_EQ(EditorLineNumber(" 1234 "), 1234);
  EXPECT_EQ(EditorLineNumber("2.5"), 2);  // halves to even, as the runtime rounds
  EXPECT_EQ(EditorLineNumber("1e3"), 1000);
  EXPECT_EQ(EditorLineNumber("2147483648"), std::nullopt);  // beyond 32 bits: no hand-off
  EXPECT_EQ(EditorLineNumber("12a"), std::nullopt);

  struct : ProgramStarter {
    bool Start(const std::string& program, const std::vector<std::string>& arguments) override {
      started.push_back(program);
      started.insert(started.end(), arguments.begin(), arguments.end());
      return false;
    }
    Words started;
  } starter;
  // The words go over in UTF-8; the failed start is reported.
  EXPECT_FALSE(OpenInEditor(starter, "ed", Gbk("C:\\My Docs\\中文.txt"), "12"));
  EXPECT_EQ(starter.started, (Words{"ed", "C:\\My", "Docs\\中文.txt", "/12"}));
}

TEST(ResizeSteps, EachStepIsSkippedOnItsOwn) {
  ResizedControls c{{240, 720, 2295, 6900}, {3000, 1560, 5655, 6015}, {240, 600, 1695, 4200}, {2520, 720, 2655, 3735}};
  ResizeSteps(12000, 9000, c);
  const ResizedControls full = c;
  EXPECT_EQ(c.FrameRight.Width, 12000 - 3135);
  EXPECT_EQ(c.WebBrowser1.Width, 12000 - 3135 - 1900);

  // Too narrow for the frame: the file list follows, the frame stays.
  ResizeSteps(3000, 6000, c);
  EXPECT_EQ(c.lstFileName.Height, 6000 - 1420);
  EXPECT_EQ(c.FrameRight.Height, full.FrameRight.Height);
  // A frame too low for the row list's margin: the row list and the browser
  // keep their sizes.
  ResizeSteps(12000, 1420 + 200, c);
  EXPECT_EQ(c.FrameRight.Height, 200);
  EXPECT_EQ(c.LstRowNum.Height, full.LstRowNum.Height);
  EXPECT_EQ(c.WebBrowser1.Height, full.WebBrowser1.Height);
}

TEST(WindowValues, TextFormsAndNumbers) {
  EXPECT_EQ(FormatTwips(PixelsToTwips(101, 96)), "1515");
  EXPECT_EQ(FormatTwips(PixelsToTwips(7, 101)), "99.80198");  // single precision, as twips are kept
  EXPECT_EQ(ParseTwips(" 1e3 "), 1000.0);
  EXPECT_EQ(ParseTwips("-30"), -30.0);
  for (const char* unusable : {"", "abc", "1,000", "0x10", "1e999"})
    EXPECT_EQ(ParseTwips(unusable), std::nullopt) << unusable;
}

TEST(Navigate2Text, FragmentOnlyWhereTheFileEndsBeforeIt) {
  TempDir dir;
  ScopedDriveRoot drive(dir.Path());
  const std::string page = dir.Write("glyphwell/drive_c/~temp.htm", "x");
  const std::string hashName = dir.Write("a#b.txt", "y");
  const auto target = [](std::string_view text) {
    const NavigateTarget resolved = ResolveNavigateText(text);
    return Words{resolved.nativePath, resolved.fragment};
  };
  EXPECT_EQ(target(""), (Words{"", ""}));
  EXPECT_EQ(target("c:\\~temp.htm#mao_Line12"), (Words{page, "mao_Line12"}));
  EXPECT_EQ(target(hashName), (Words{hashName, ""}));
  EXPECT_EQ(target(dir / "gone.htm#x"), (Words{dir / "gone.htm#x", ""}));
}

TEST(EditorAtLine, PathLineAndEachEditorsSyntax) {
  EditorRequest request = ParseEditorWords(Words{"C:\\My", "Docs\\a.txt", "/1234"});
  EXPECT_EQ(request.path, "C:\\My Docs\\a.txt");
  EXPECT_EQ(request.line, 1234);
  request = ParseEditorWords(Words{"/srv/a", "/x1"});  // no line word: all of it is the path
  EXPECT_EQ(request.path, "/srv/a /x1");
  EXPECT_EQ(request.line, std::nullopt);

  EXPECT_EQ(EditorCommand("/usr/bin/kate", "/a", 12).arguments, (Words{"--line", "12", "/a"}));
  EXPECT_EQ(EditorCommand("subl", "/a", 12).arguments, (Words{"/a:12"}));
  EXPECT_EQ(EditorCommand("code --wait", "/a", 12).arguments, (Words{"--wait", "--goto", "/a:12"}));
  EXPECT_EQ(EditorCommand("gedit", "-x", std::nullopt).arguments, (Words{"./-x"}));
  // Without a terminal a terminal editor gets one; xdg-open comes last.
  const std::vector<Command> commands = Candidates("vim", "gedit", false, "/a", 3);
  EXPECT_EQ(commands[0].program, "x-terminal-emulator");
  EXPECT_EQ(commands[0].arguments, (Words{"-e", "vim", "+3", "/a"}));
  EXPECT_EQ(commands[1].program, "gedit");
  EXPECT_EQ(commands.back().program, "xdg-open");
}

// The adapter as the viewer starts it, with a stand-in editor that writes
// down its arguments.
TEST(EditorAtLine, OpensTheFileInTheEditorNamedByVisual) {
  TempDir dir;
  ScopedDriveRoot drive(dir.Path());
  const std::string file = dir.Write("glyphwell/drive_c/My Docs/a.txt", "x\n");
  const std::string log = dir / "args.txt";
  ScopedEnvironment logName("FAKE_EDITOR_LOG", log), visual("VISUAL", FAKE_EDITOR);
  EXPECT_EQ(platform::WaitProcess(platform::StartProcess(EDITOR_AT_LINE, "c:\\My Docs\\a.txt /1234")), 0);
  EXPECT_EQ(ReadFileBytes(log), "+1234\n" + file + "\n");
  // A file that is not there opens no editor.
  std::remove(log.c_str());
  EXPECT_EQ(platform::WaitProcess(platform::StartProcess(EDITOR_AT_LINE, "c:\\gone.txt /3")), 1);
  EXPECT_FALSE(FileIsThere(log));
}
