// The viewer's window rules without a window: the find-box driving and its
// key notation, the editor hand-off and its adapter editor-at-line, the
// resize steps, the settings file, Word documents through Textifier, and
// where a Navigate2 text leads.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <tuple>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "tests/support/FakeAutomation.h"
#include "tests/support/Gbk.h"
#include "tests/support/Raised.h"
#include "tests/support/TempDir.h"
#include "viewer/EditorHandOff.h"
#include "viewer/FormLayout.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/SourceText.h"
#include "viewer/ViewerSettings.h"
#include "viewer/editor/EditorCommand.h"
#include "viewer/support/ClsIni.h"

using Log = std::vector<std::string>;
using Words = std::vector<std::string>;

// The clock starts half a second past a whole second, so a wait of N
// seconds ends N - 0.5 s later.
TEST(FindInBrowser, DialogOpenOpeningAfterTwoWaitsOrNever) {
  FakeAutomation open;
  open.AddFindDialog();
  FindInBrowser(open, 7, Gbk("中文  汉字"));
  EXPECT_EQ(open.log, (Log{"find", "foreground 40", "foreground 41", "keys " + Gbk("中文  汉字"), "keys {enter}"}));
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

// What a row's characters become as keys: converted references can give any
// ASCII character, and the row can even spell a key's name.
TEST(KeyNotation, RowCharactersAreTypedAsTheyAre) {
  const auto typed = [](std::string_view keys) {
    std::string text;
    for (const KeyStroke& stroke : ParseKeys(keys)) {
      if (stroke.control || stroke.shift || stroke.alt || stroke.enter) return std::string("<key>");
      text += stroke.text;
    }
    return text;
  };
  // 癩 and 楙 end in the bytes of "^" and "{"; a GB18030 four-byte form stays whole.
  for (const std::string& row : {std::string("^+%~{}()[]"), std::string("{enter}"), std::string("{{}") + "{}}",
                                 Gbk("中^文  癩楙") + "{~}", std::string("\x81\x30\x81\x30") + "^"}) {
    FakeAutomation api;
    api.AddFindDialog();
    FindInBrowser(api, 7, row);
    ASSERT_EQ(api.typed.size(), 1u) << row;
    EXPECT_EQ(typed(api.typed[0]), row);
  }

  const std::vector<KeyStroke> keys = ParseKeys("^f{ENTER}~+%x{^}");
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_TRUE(keys[0].control && keys[0].text == "f");
  EXPECT_TRUE(keys[1].enter && keys[2].enter && !keys[1].control);
  EXPECT_TRUE(keys[3].shift && keys[3].alt && keys[3].text == "x");
  EXPECT_TRUE(!keys[4].control && keys[4].text == "^");
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
  // A name GBK lacks, held in its GB18030 form, reaches the editor as the file on disk.
  starter.started.clear();
  OpenInEditor(starter, "ed", Gb18030("/site/한글.txt"), "3");
  EXPECT_EQ(starter.started, (Words{"ed", "/site/한글.txt", "/3"}));
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

// Whole twips at 96 dpi and " 1e3 " are the settings test's.
TEST(WindowValues, TextFormsAndNumbers) {
  EXPECT_EQ(FormatTwips(PixelsToTwips(7, 101)), "99.80198");  // single precision, as twips are kept
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
  ASSERT_FALSE(commands.empty());
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

// The seven keys: what a first start writes, what a run writes, and what
// the next run reads back; unusable values leave the controls as they were.
TEST(ViewerSettings, DefaultsRoundTripAndUnusableValues) {
  TempDir dir;
  ClsIni ini;
  ini.IniFileName(dir / "Tallyview.ini");
  ViewerSettings settings(ini, 96, 96);
  const auto options = [&](const ViewerOptions& current) {
    const ViewerOptions read = settings.ReadOptions(current);
    return std::tuple(read.editorPath, read.useEditor, read.anchorMode);
  };
  using Place = std::vector<std::optional<int>>;
  const auto placement = [&] {
    const StoredPlacement read = settings.ReadPlacement();
    return Place{read.left, read.top, read.width, read.height};
  };
  EXPECT_EQ(options({"", 0, true}), std::tuple("editor-at-line", 0, true));
  EXPECT_EQ(placement(), Place(4));
  EXPECT_EQ(ReadFileBytes(dir / "Tallyview.ini"),
            "[Path]\r\nUltraEdit=\r\n[WINDOW]\r\nLeft=\r\nTop=\r\nWidth=\r\nHeight=\r\n");

  settings.Write({Gbk("/opt/编辑器"), 2, false}, {-10, 50, 600, 401});
  EXPECT_EQ(options({"", 0, true}), std::tuple(Gbk("/opt/编辑器"), 2, false));
  EXPECT_EQ(placement(), (Place{-10, 50, 600, 401}));
  EXPECT_NE(ReadFileBytes(dir / "Tallyview.ini").find("Left=-150\r\nTop=750\r\nWidth=9000\r\nHeight=6015\r\n"),
            std::string::npos);

  dir.Write("Tallyview.ini",
            "[Option]\r\nUseUltraEdit=3\r\nUseMao=40000\r\n[WINDOW]\r\nLeft=abc\r\nTop= 1e3 \r\n"
            "Width=-1500\r\nHeight=\r\n");
  EXPECT_EQ(options({"", 1, false}), std::tuple("editor-at-line", 1, false));
  EXPECT_EQ(placement(), (Place{std::nullopt, 67, std::nullopt, std::nullopt}));  // 1000 twips, 66.7 pixels
}

// A Word document is shown as the text the finder scanned: the real
// converter beside the programs, and converters that fail, hang or are gone.
TEST(SourceText, WordDocumentsThroughTextifier) {
  TempDir dir;
  ScopedDriveRoot drive(dir.Path());

  TextifierConverter real(TEXTIFIER_DIR);
  EXPECT_EQ(SourceTextPath("notes.txt", real), "notes.txt");
  const std::string doc =
      dir.Write("my docs/a b.DOC", ReadFileBytes(TEXTIFIER_DATA "/../../examples/samples/brochure.doc"));
  EXPECT_EQ(SourceTextPath(doc, real), kConvertedTextPath);
  std::string expected;  // the text the document was made from, in CR LF lines
  for (const char c : ReadFileBytes(TEXTIFIER_DATA "/brochure.txt")) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ReadFileBytes(dir / "glyphwell/drive_c/~view.txt"), Gbk(expected));

  // What a conversion with a stand-in converter raises ("" when it converted).
  const auto failure = [&](const std::string& script, std::chrono::milliseconds limit) {
    const std::string folder = dir.MakeDir("converter" + std::to_string(limit.count()) + script.substr(0, 4));
    const std::string program = folder.substr(dir.Path().size() + 1) + "/Textifier";
    if (!script.empty()) chmod(dir.Write(program, "#!/bin/sh\n" + script + "\n").c_str(), 0755);
    TextifierConverter converter(folder, limit);
    return RaisedBy([&] { SourceTextPath(doc, converter); }).what;
  };
  EXPECT_EQ(failure("exit 1", std::chrono::seconds(5)), "");  // damaged: what could be read
  EXPECT_EQ(RaisedBy([&] { SourceTextPath(dir / "gone.doc", real); }).code, RunTimeErrorCode::FileNotFound);
  EXPECT_NE(failure("", std::chrono::seconds(5)).find("不存在"), std::string::npos);
  EXPECT_NE(failure("exit 3", std::chrono::seconds(5)).find("3"), std::string::npos);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(failure("exec sleep 30", std::chrono::milliseconds(300)).find("结束"), std::string::npos);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
