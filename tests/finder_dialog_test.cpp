// The finder's dialog driven as a user drives it, offscreen, with the
// desktop's boxes, choosers and shell stood in for; searches run on real
// worker threads over generated trees.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <thread>
#include <utility>

#include "finder/app/dialog/DialogUnits.h"
#include "finder/app/dialog/FinderDialog.h"
#include "finder/app/search/FinderTexts.h"
#include "finder/app/dialog/QtDesktopServices.h"
#include "finder/app/dialog/StatusLine.h"
#include "finder/app/search/SearchStart.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"
#include "tests/support/Gbk.h"
#include "tests/support/StandInServices.h"
#include "tests/support/TempDir.h"

namespace {

using Box = StandInServices::Box;

// The processes of a group that still run (zombies that wait for the system
// to reap them count as ended).
bool GroupHasLiveProcesses(int group) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    if (!std::isdigit(entry.path().filename().c_str()[0])) continue;
    const std::string stat = ReadFileBytes(entry.path() / "stat");  // it may have ended meanwhile
    char state = 0;
    int parent = 0, processGroup = 0;
    if (stat.rfind(')') != std::string::npos &&
        std::sscanf(stat.c_str() + stat.rfind(')') + 1, " %c %d %d", &state, &parent, &processGroup) == 3 &&
        processGroup == group && state != 'Z')
      return true;
  }
  return false;
}

std::string Parsing(const std::string& path) { return Gbk("正在解析文件 ") + path; }

const std::string kQuestion = Gbk("将要开始搜索，可能要占用较长时间\r\n\r\n是否继续?");

}  // namespace

class FinderDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    services_ = std::make_unique<StandInServices>();
    services_->statusNow = [this] { return dialog_ ? Text(kIdStatus) : std::string(); };
    paths_ = FinderPaths{*dir_ / "Glyphwell.ini", *dir_ / "~report.xls", *dir_ / "manual.html"};
    Open();
  }

  void cleanup() {
    dialog_.reset();
    for (const Box& box : services_->boxes) QCOMPARE(box.caption, std::string("Glyphwell"));
    dir_.reset();
  }

  // First start: the home folder and no file; Esc then saves nothing, the close box saves.
  void firstStartDefaultsAndWhatIsSaved() {
    QCOMPARE(EnabledRows(), QStringLiteral("folder"));
    QCOMPARE(Text(kIdFileName), std::string());
    QCOMPARE(Text(kIdPath), std::string(getenv("HOME")));
    // The keyboard walks the controls in the table's order.
    std::vector<int> order;
    for (QWidget* w = Control(kIdFileMode); order.size() < 19; w = w->nextInFocusChain())
      if (int id = dialog_->Control(kIdExit) == w ? kIdExit : w->objectName().mid(7).toInt();
          id != 0 && w->focusPolicy() != Qt::NoFocus)
        order.push_back(id);
    QCOMPARE(order, (std::vector<int>{1002, 1003, 1004, 1008, 1006, 1009, 1013, 1011, 1016, 1017, 1020, 1021, 1018, 1015,
                                       1, 9, 1000, 1012, 1019}));

    Type(kIdPath, "/esc/path");
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!FileIsThere(paths_.iniPath));
    Open();
    Type(kIdPath, "/close/path");
    QCOMPARE(Text(kIdEncoding), std::string("GBK"));
    QCOMPARE(Text(kIdChars), Gbk("双字节字符"));
    dynamic_cast<QComboBox*>(Control(kIdEncoding))->setCurrentIndex(2);
    dialog_->close();
    QVERIFY(ReadFileBytes(paths_.iniPath).find("\r\nEncoding=AUTO\r\n") != std::string::npos);
    QVERIFY(ReadFileBytes(paths_.iniPath).find("Chars") == std::string::npos);  // never chosen
    Open();
    QCOMPARE(Text(kIdPath), std::string("/close/path"));
    QCOMPARE(Text(kIdEncoding), Gbk("自动识别"));
    dynamic_cast<QComboBox*>(Control(kIdChars))->setCurrentIndex(1);
    dialog_->close();
    QVERIFY(ReadFileBytes(paths_.iniPath).ends_with("\r\nEncoding=AUTO\r\nChars=HAN\r\n"));
    Open();
    QCOMPARE(Text(kIdChars), Gbk("仅汉字"));
  }

  void modeClicksAndChoosers() {
    // Clicked where a user clicks: the scope frame lies over the radio buttons.
    ClickInWindow(kIdFileMode);
    QCOMPARE(EnabledRows(), QStringLiteral("file"));  // that the click is read: nonIntegerLimitPrompts
    Type(kIdFileType, "*.typed");
    const std::string chosen = "/a/" + Gbk("中文") + ".txt";
    services_->choice = chosen;
    QTest::mouseClick(Control(kIdBrowseFile), Qt::LeftButton);
    QCOMPARE(Text(kIdFileName), chosen);
    QCOMPARE(Text(kIdFileType), std::string("*.typed"));  // typed text is not reset by the choice
    services_->choice.reset();  // cancelled
    QTest::mouseClick(Control(kIdBrowseFile), Qt::LeftButton);
    QCOMPARE(Text(kIdFileName), chosen);

    ClickInWindow(kIdDirectoryMode);
    QCOMPARE(EnabledRows(), QStringLiteral("folder"));
    QCOMPARE(dialog_->Controller().Fields().FileOrPath, 1);
    // A folder whose name CP936 lacks arrives in its GB18030 form and shows as itself.
    services_->choice = Gb18030("/b/\xED\x95\x9C");  // a Hangul syllable
    Type(kIdPath, "/typed/folder");
    QTest::mouseClick(Control(kIdBrowseFolder), Qt::LeftButton);
    QCOMPARE(services_->startFolders, std::vector<std::string>{"/typed/folder"});  // opens where the field points
    QCOMPARE(dynamic_cast<QLineEdit*>(Control(kIdPath))->text(), QString::fromUtf8("/b/\xED\x95\x9C"));
    dialog_->Controller().ReadControls();
    QCOMPARE(dialog_->Controller().Fields().Path, *services_->choice);
  }

  // Missing paths named as typed, a report that is the searched file, and a
  // declined question: no thread, nothing deleted.
  void refusedStartsLeaveEverything() {
    Type(kIdPath, "/no/such/目录/");
    Type(kIdFileName, "/no/such/file");  // not checked in directory mode
    PressSearch();
    QCOMPARE(services_->boxes.size(), std::size_t(1));
    QCOMPARE(services_->boxes[0].text, Gbk("目录 /no/such/目录/ 不存在!"));
    QVERIFY(services_->boxes[0].icon == MessageIcon::Stop && services_->boxes[0].buttons == MessageButtons::Ok);

    ClickInWindow(kIdFileMode);
    Type(kIdFileName, "no such 文件");
    PressSearch();
    QCOMPARE(services_->boxes.back().text, Gbk("文件 no such 文件 不存在!"));
    const std::string source = dir_->Write("source.txt", "old");
    Type(kIdFileName, source);
    Type(kIdLogFile, source);
    PressSearch();
    QCOMPARE(services_->boxes.back().text, Gbk("日志文件 " + source + " 是要搜索的文件之一，请另选日志文件!"));
    QCOMPARE(ReadFileBytes(source), std::string("old"));

    const std::string report = dir_->Write("out/report.txt", "old");
    Type(kIdLogFile, report);
    services_->declineNext = true;
    PressSearch();
    QCOMPARE(services_->boxes.back().text, kQuestion);
    QVERIFY(services_->boxes.back().icon == MessageIcon::Question);
    QCOMPARE(ReadFileBytes(report), std::string("old"));
    QCOMPARE(services_->threads, 0);
  }

  void searchReportsEachFileAndOpensReport() {
    dir_->Write("tree/a.txt", Gbk("一\r\n"));
    dir_->Write("tree/sub/b.txt", Gbk("x二三\r\n"));
    dir_->Write("tree/z.txt", "plain\r\n");
    dir_->Write("plain/only.txt", "no characters\r\n");
    const std::string report = dir_->MakeDir("out") + "/result.txt", tree = dir_->Path() + "/tree/";
    Type(kIdPath, dir_->Path() + "/tree");
    Type(kIdLogFile, report);
    QTest::keyClick(Control(kIdPath), Qt::Key_Return);  // Enter presses the search button
    QVERIFY(WaitIdle());
    QCOMPARE(Text(kIdStatus), CompletionText(3, 6));
    // The desktop gets the report's UTF-8 copy, line for line.
    QCOMPARE(services_->opened, std::vector<std::string>{Utf8CopyPath(report)});
    QCOMPARE(ReadFileBytes(Utf8CopyPath(report)), platform::AnsiToUtf8Lenient(ReadFileBytes(report)));
    QVERIFY(ReadFileBytes(Utf8CopyPath(report)).find("\r\n1   一\r\n") != std::string::npos);
    // The export's box came while the worker waited, the last file's name on
    // view: before the completion text.
    QCOMPARE(services_->boxes.back().text, Gbk("成功写入Excel文件") + paths_.workbookPath);
    QCOMPARE(services_->boxes.back().status, Parsing(tree + "z.txt"));

    Type(kIdPath, dir_->Path() + "/plain");
    PressSearch();
    QVERIFY(WaitIdle());
    QCOMPARE(Text(kIdStatus), CompletionText(1, 0));
    QCOMPARE(services_->opened.size(), std::size_t(1));  // nothing found, nothing opened
  }

  void cancelThenStartWhileDraining() {
    StartBlockedSearch();
    PressSearch();  // cancel, answered Yes
    QCOMPARE(services_->boxes.back().text, Gbk("是否取消搜索?"));  // the Draining state: finder_logic_test

    const std::size_t boxes = services_->boxes.size();
    PressSearch();  // a start while the old worker still runs waits for it
    QCoreApplication::processEvents();
    QCOMPARE(services_->threads, 1);
    QCOMPARE(services_->boxes.size(), boxes);
    QCOMPARE(Text(kIdStatus), Gbk("正在关闭工作者线程，请稍后... "));

    dir_->Write("gate", "");
    QTRY_COMPARE_WITH_TIMEOUT(services_->threads, 2, 20000);
    QVERIFY(WaitIdle());
    // The old search ended with its own counts before the new one was asked for.
    const Box& question = services_->boxes[boxes + 1];
    QCOMPARE(question.text, kQuestion);
    QCOMPARE(question.status, CompletionText(2, 2));
    QCOMPARE(Text(kIdStatus), CompletionText(22, 42));
    // Only the second report is opened: the first was about to be deleted.
    QCOMPARE(services_->opened.size(), std::size_t(1));
  }

  void closeWhileRunningWaitsForWorker() {
    StartBlockedSearch();
    std::thread opener([this] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      dir_->Write("gate", "");
    });
    const std::size_t boxes = services_->boxes.size();
    dialog_->close();
    opener.join();
    QVERIFY(services_->workerDone);
    QVERIFY(State() == SearchState::Closed);
    QCOMPARE(services_->boxes.size(), boxes);  // the export stayed silent
    QVERIFY(FileIsThere(paths_.workbookPath));
    QVERIFY(ReadFileBytes(*dir_ / "report.txt").find(Gbk("早")) != std::string::npos);
    QTest::qWait(50);                      // notices queued before the close are ignored
  }

  // A converter that never ends, even when asked: Esc during its run ends
  // the dialog within a few seconds, ends the converter and what it started,
  // and the document gets its notice line.
  void escEndsAConverterThatNeverEnds() {
    StartBlockedSearch("trap '' TERM\nwhile :; do sleep 1; done\n");
    const int pid = std::stoi(ReadFileBytes(*dir_ / "converter.pid"));
    const auto start = std::chrono::steady_clock::now();
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
    QVERIFY(services_->workerDone);
    QVERIFY(!GroupHasLiveProcesses(pid));  // nothing it started is left
    QVERIFY(ReadFileBytes(*dir_ / "report.txt").find(Gbk("转换取消 ") + dir_->Path() + "/tree/a.doc\r\n") !=
            std::string::npos);
  }

  // The ways a search may not start: the dialog closed (or Esc) while the
  // start question is up, no thread to be had.
  void questionsOvertakenAndRefusals() {
    Type(kIdLogFile, *dir_ / "report.txt");
    for (bool close : {true, false}) {
      std::filesystem::remove(paths_.iniPath);
      services_->onBox = [this, close](const Box& box) {
        if (box.text == kQuestion) close ? (void)dialog_->close() : QTest::keyClick(dialog_.get(), Qt::Key_Escape);
      };
      PressSearch();
      services_->onBox = nullptr;
      QVERIFY(!dialog_->isVisible());
      QCOMPARE(services_->threads, 0);
      QVERIFY(State() == SearchState::Closed);
      QCOMPARE(FileIsThere(paths_.iniPath), close);  // the close box saves, Esc does not
      Open();
    }

    services_->noThreads = true;
    PressSearch();
    QCOMPARE(services_->boxes.back().text, Gbk("无法启动工作者线程，搜索没有开始。"));
    QVERIFY(State() == SearchState::Idle);
    QCOMPARE(Text(kIdSearch), Gbk("搜索(&S)"));
    services_->noThreads = false;
  }

  // A cancel answered No lets the search go on; when the search ends while
  // the next "是否取消搜索?" is up, the question is closed, its answer changes
  // nothing, and the completion stands.
  void cancelAnsweredNoAndAQuestionTheSearchOutruns() {
    StartBlockedSearch();
    services_->declineNext = true;
    PressSearch();
    QVERIFY(State() == SearchState::Running);
    services_->onBox = [this](const Box& box) {
      if (box.text != Gbk("是否取消搜索?")) return;
      dir_->Write("gate", "");
      QVERIFY(WaitIdle());
    };
    PressSearch();
    services_->onBox = nullptr;
    QCOMPARE(services_->questionsClosed, 1);
    QVERIFY(State() == SearchState::Idle);
    QCOMPARE(Text(kIdStatus), CompletionText(22, 42));
    QCOMPARE(Text(kIdSearch), Gbk("搜索(&S)"));
  }

  // A report on a full file system is not passed off as a success: after the
  // completion text one box says what was lost and where.
  void aLostReportIsTold() {
    std::string report = "/dev/full";  // full for everyone, where no file system can be mounted
    const std::string mount = dir_->MakeDir("small");
    struct Unmount {
      std::string folder;
      bool mounted = false;
      ~Unmount() {
        if (mounted) umount2(folder.c_str(), MNT_DETACH);
      }
    } unmount{mount};
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=16k") == 0) {
      unmount.mounted = true;
      dir_->Write("small/filler", std::string(16 * 1024, 'x'));
      report = mount + "/report.txt";
    }
    dir_->Write("tree/a.txt", Gbk("一二三\n"));
    Type(kIdPath, dir_->Path() + "/tree");
    Type(kIdLogFile, report);
    PressSearch();
    QVERIFY(WaitIdle());
    const Box& lost = services_->boxes.back();
    QCOMPARE(lost.status, CompletionText(1, 6));  // after the completion text
    QVERIFY(lost.icon == MessageIcon::Warning);
    QVERIFY(lost.text.find(Gbk("日志文件 ") + report) != std::string::npos);
  }

  void nonIntegerLimitPrompts() {
    auto* limit = dynamic_cast<QLineEdit*>(Control(kIdMaxCount));
    limit->clear();
    QTest::keyClicks(limit, "12x");
    Type(kIdStartTag, "tag");
    ClickInWindow(kIdFileMode);
    QCOMPARE(services_->boxes.back().text, Gbk("请输入一个整数。"));
    QVERIFY(services_->boxes.back().icon == MessageIcon::Warning);
    const FinderFields& fields = dialog_->Controller().Fields();
    QCOMPARE(fields.FileOrPath, 0);              // read before the limit
    QCOMPARE(fields.MaxHanZiCountEachFile, 30);  // the previous number stays
    QCOMPARE(fields.strStartTag, std::string());  // not read after the refusal

    QTest::mouseClick(Control(kIdExit), Qt::LeftButton);  // prompts again, saves 30
    QCOMPARE(services_->boxes.size(), std::size_t(2));
    FinderSettings saved;
    saved.Load(paths_.iniPath);
    QCOMPARE(saved.MaxHanZiCountEachFile, 30);
    QCOMPARE(saved.FileOrPath, 0);
  }

  void readOnlyProgramFolderKeepsSettings() {
    const std::string program = dir_->MakeDir("program");
    const ScopedReadOnly readOnly(program);
    if (!readOnly.Active()) QSKIP("cannot make a folder read-only here");
    paths_ = FinderPathsFor(program);
    QVERIFY(paths_.iniPath.rfind(std::string(getenv("XDG_CONFIG_HOME")) + "/glyphwell/", 0) == 0);
    Open();
    Type(kIdFileType, "*.kept");
    QTest::mouseClick(Control(kIdExit), Qt::LeftButton);
    Open();
    QCOMPARE(Text(kIdFileType), std::string("*.kept"));
  }

  // The real boxes: Enter answers Yes, Esc answers No (or OK).
  void messageBoxKeys() {
    QtDesktopServices real;
    real.SetOwner(dialog_.get());
    QString shown;
    const auto answer = [&](MessageButtons buttons, Qt::Key key) {
      QTimer::singleShot(0, [&shown, key] { PressInBox(key, &shown); });
      return real.MessageBox(Gbk("问\r\n\r\n题"), "Glyphwell", buttons, MessageIcon::Question);
    };
    QVERIFY(answer(MessageButtons::YesNo, Qt::Key_Return) == MessageAnswer::Yes);
    QCOMPARE(shown, QString::fromUtf8("问\n\n题"));
    QVERIFY(answer(MessageButtons::YesNo, Qt::Key_Escape) == MessageAnswer::No);
    QVERIFY(answer(MessageButtons::Ok, Qt::Key_Escape) == MessageAnswer::Ok);
  }

  // The real shell: xdg-open on PATH gets the native name; when it fails or
  // is missing, the failure comes back with that name.
  void shellOpenUsesXdgOpenOnPathAndTellsFailures() {
    const std::string log = *dir_ / "opened";
    const std::string script = dir_->Write("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + log +
                                                               "'\ncase \"$1\" in *.html) exit 0;; esac\nexit 4\n");
    chmod(script.c_str(), 0755);
    QtDesktopServices real;
    std::vector<std::string> failed;
    const auto record = [&failed](const std::string& native) { failed.push_back(native); };
    {
      const ScopedEnvironment path("PATH", dir_->Path() + "/bin:" + getenv("PATH"));
      real.OpenWithShell(DefaultFinderPaths().manualPath, record);
      QTRY_VERIFY(ReadFileBytes(log).find(".html\n") != std::string::npos);  // whole, before the next one starts
      real.OpenWithShell("c:\\GlyphwellResult.txt", record);
      QTRY_COMPARE(failed.size(), std::size_t(1));
      QCOMPARE(ReadFileBytes(log), GetModuleDirectory() + "/岚桥检字器.html\n" + platform::DriveFolder('c') +
                                       "/GlyphwellResult.txt\n");
      QCOMPARE(failed[0], platform::DriveFolder('c') + "/GlyphwellResult.txt");
    }
    const ScopedEnvironment path("PATH", dir_->Path() + "/nothing");
    real.OpenWithShell("c:\\x.txt", record);
    QTRY_COMPARE(failed.size(), std::size_t(2));

    // The help button goes the same way, and a failure is said in a box.
    services_->openFails = true;
    QTest::mouseClick(Control(kIdHelp), Qt::LeftButton);
    QCOMPARE(services_->opened, std::vector<std::string>{paths_.manualPath});
    QCOMPARE(services_->boxes.back().text, CannotOpenText("/native/" + paths_.manualPath));
  }

  // A path too long for the status line loses its middle: the words before
  // it and the file name at its end stay in view.
  void statusLineKeepsTheFileName() {
    StatusLine line(nullptr);
    line.resize(260, 2 * line.fontMetrics().height() + 2);
    const QString folder = QStringLiteral("/home/user/一个很长的文件夹名字/another/long/folder/").repeated(3);
    line.setText(QStringLiteral("正在解析文件 ") + folder + QStringLiteral("页面.htm"));
    const QString shown = line.Shown();
    QVERIFY2(shown.startsWith(QStringLiteral("正在解析文件 ")) && shown.endsWith(QStringLiteral("页面.htm")) &&
                 shown.contains(QChar(0x2026)),
             qPrintable(shown));
    QVERIFY(line.fontMetrics().boundingRect(line.rect(), Qt::TextWrapAnywhere, shown).height() <= line.height());
    line.setText(QStringLiteral("进度条"));
    QCOMPARE(line.Shown(), QStringLiteral("进度条"));
  }

  void aboutBoxThroughSystemMenu() {
    QAction* about = nullptr;
    for (QAction* action : dialog_->SystemMenu()->actions())
      if (action->text() == QString::fromUtf8("关于 Glyphwell(&A)...")) about = action;
    QVERIFY(about);
    QString title;
    bool icon = false;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      title = box->windowTitle();
      for (QLabel* label : box->findChildren<QLabel*>()) icon = icon || !label->pixmap().isNull();
      box->close();
    });
    about->trigger();
    QCOMPARE(title, QString::fromUtf8("关于 Glyphwell"));
    QVERIFY(icon);
  }

 private:
  void Open() {
    dialog_.reset();
    dialog_ = std::make_unique<FinderDialog>(*services_, paths_);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
  }
  QWidget* Control(int id) const { return dialog_->Control(id); }
  std::string Text(int id) const { return dialog_->ControlText(id); }
  void Type(int id, const std::string& utf8) { dynamic_cast<QLineEdit*>(Control(id))->setText(QString::fromUtf8(utf8.c_str())); }
  void PressSearch() { QTest::mouseClick(Control(kIdSearch), Qt::LeftButton); }
  void ClickInWindow(int id) {
    QTest::mouseClick(dialog_->windowHandle(), Qt::LeftButton, {}, Control(id)->geometry().center());
  }
  SearchState State() const { return dialog_->Controller().Job().State(); }
  bool WaitIdle() {
    return QTest::qWaitFor([&] { return State() == SearchState::Idle; }, 20000);
  }
  // "folder" or "file": the row that the mode enables, both its controls
  // and neither of the other's.
  QString EnabledRows() const {
    const auto on = [&](int a, int b) { return Control(a)->isEnabled() + Control(b)->isEnabled(); };
    const int folder = on(kIdPath, kIdBrowseFolder), file = on(kIdFileName, kIdBrowseFile);
    return folder == 2 && file == 0 ? "folder" : file == 2 && folder == 0 ? "file" : "mixed";
  }

  // A search that waits in its first file, a Word document whose converter
  // stand-in runs until the file "gate" appears (or, bounded so that it never
  // outlives the test, for 30 seconds); body replaces that loop.
  void StartBlockedSearch(const std::string& body = {}) {
    const std::string gate = *dir_ / "gate";
    const std::string converter = dir_->Write(
        "converter/Textifier", "#!/bin/sh\necho $$ > '" + (*dir_ / "converter.pid") + "'\n" +
                                   (body.empty() ? "n=0\nwhile [ ! -e '" + gate +
                                                       "' ] && [ $n -lt 1500 ]; do sleep 0.02; n=$((n+1)); done\n"
                                                 : body) +
                                   "exit 3\n");
    chmod(converter.c_str(), 0755);
    dir_->Write("tree/sub/first.txt", Gbk("早\n"));  // scanned first: the report has a line
    dir_->Write("tree/a.doc", "document");
    for (int i = 0; i < 20; ++i) dir_->Write("tree/t" + std::to_string(i) + ".txt", Gbk("字\n"));
    dialog_->Controller().Job().Searcher().Wiring().converterDirectory = dir_->Path() + "/converter";
    Type(kIdPath, dir_->Path() + "/tree");
    Type(kIdFileType, "*.doc;*.txt");
    Type(kIdLogFile, *dir_ / "report.txt");
    PressSearch();
    QTRY_COMPARE_WITH_TIMEOUT(Text(kIdStatus), Parsing(dir_->Path() + "/tree/a.doc"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(FileIsThere(*dir_ / "converter.pid") && ReadFileBytes(*dir_ / "converter.pid").size() > 1,
                             20000);
    QCOMPARE(Text(kIdSearch), Gbk("取消(&C)"));
  }

  static void PressInBox(Qt::Key key, QString* shown) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || QApplication::activeWindow() != box) {
      QTimer::singleShot(10, [=] { PressInBox(key, shown); });
      return;
    }
    *shown = box->text();
    QTest::keyClick(box, key);
  }

  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<StandInServices> services_;
  FinderPaths paths_;
  std::unique_ptr<FinderDialog> dialog_;
};

// Under ThreadSanitizer: the QtTest watchdog's teardown inside Qt, which is
// not built for the checker. The dialog's own threads stay checked.
extern "C" const char* __tsan_default_suppressions() {
  return "race:QWaitCondition::~QWaitCondition\nrace:QTest::qRun\n";
}

// Every run gets a home of its own, so nothing touches the user's files.
int main(int argc, char* argv[]) {
  std::string home = (std::filesystem::temp_directory_path() / "glyphwell-dialog-XXXXXX").string();
  if (!mkdtemp(home.data())) return 2;
  setenv("HOME", home.c_str(), 1);
  for (const auto& [name, sub] : {std::pair{"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"},
                                  {"XDG_RUNTIME_DIR", "/runtime"}}) {
    mkdir((home + sub).c_str(), 0700);
    setenv(name, (home + sub).c_str(), 1);
  }
  int status;
  {
    QApplication app(argc, argv);
    // The plain style paints without Qt's image-scaling threads, so that a
    // thread checker sees the dialog's threads only.
    QApplication::setStyle(QStringLiteral("Windows"));
    InstallDialogFont();
    FinderDialogTest test;
    status = QTest::qExec(&test, argc, argv);
  }
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return status;
}

#include "finder_dialog_test.moc"
