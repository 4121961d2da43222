// The viewer's window on the offscreen platform, with a stand-in browser, the
// find-box operations and program start replaced; and a second copy of the
// viewer.
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QRadioButton>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "tests/support/FakeAutomation.h"
#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"
#include "viewer/ModFile.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/support/ClsIni.h"
#include "viewer/window/SingleInstance.h"
#include "viewer/window/frmMain.h"

namespace {

using Words = std::vector<std::string>;

class FakeBrowser : public BrowserControl {
 public:
  using BrowserControl::BrowserControl;
  void Navigate2(const std::string& ansiText) override { calls.push_back("nav " + ansiText); }
  void ShowNotice(const QString& text) override {
    calls.push_back("notice");
    notice = text;
  }
  void FindText(const QString&) override {}

  Words calls;
  QString notice;
};

// Each start as the program followed by its arguments.
struct RecordingStarter : ProgramStarter {
  bool Start(const std::string& program, const std::vector<std::string>& arguments) override {
    starts.push_back(arguments);
    starts.back().insert(starts.back().begin(), program);
    return true;
  }
  std::vector<Words> starts;
};

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

Words Entries(const ListBoxModel* model) {
  Words entries;
  for (int row = 0; row < model->Count(); ++row) entries.push_back(model->Item(row));
  return entries;
}

}  // namespace

class ViewerWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<ScopedDriveRoot> drive_;
  FakeAutomation automation_;
  RecordingStarter starter_;
  FakeBrowser* browser_ = nullptr;
  std::string source_;  // a source file whose second line holds "中文"

  std::string DriveC(std::string_view name) { return *dir_ / ("glyphwell/drive_c/" + std::string(name)); }
  std::string IniPath() { return *dir_ / "Tallyview.ini"; }
  void WriteReport(std::initializer_list<std::string> lines) { dir_->Write("glyphwell/drive_c/GlyphwellResult.txt", Lines(lines)); }

  std::unique_ptr<frmMain> MakeForm() {
    gIni = std::make_unique<ClsIni>();
    gIni->IniFileName(IniPath());
    automation_ = FakeAutomation();
    automation_.AddFindDialog();
    starter_ = RecordingStarter();
    auto form = std::make_unique<frmMain>(frmMain::Services{&automation_, &starter_, [this](QWidget* parent) {
                                                              return browser_ = new FakeBrowser(parent);
                                                            }});
    form->Form_Load();
    return form;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    drive_ = std::make_unique<ScopedDriveRoot>(dir_->Path());
    source_ = dir_->Write("site/a b.htm", Gbk("line one\r\n<p>中文 x</p>\r\nend\r\n"));
  }
  void cleanup() {
    gIni.reset();
    drive_.reset();
    dir_.reset();
  }

  void refreshSequence() {
    // No report: both lists empty, the browser sent to the empty address.
    auto form = MakeForm();
    QCOMPARE(form->lstFileNameItems->Count(), 0);
    QCOMPARE(browser_->calls, Words{"nav "});
    QVERIFY(!form->LastRefresh().reportOpened);

    WriteReport({"Input file:" + source_, "2   " + Gbk("中文"), "Input file: other.txt ", "7   " + Gbk("字")});
    form->CmdRefresh_Click();
    QCOMPARE(Entries(form->lstFileNameItems), (Words{source_, "other.txt"}));
    QCOMPARE(form->lstFileName->ListIndex(), -1);

    // Gone again, then empty: the lists empty.
    std::remove(DriveC("GlyphwellResult.txt").c_str());
    form->CmdRefresh_Click();
    QCOMPARE(form->lstFileNameItems->Count(), 0);

    WriteReport({});
    form->CmdRefresh_Click();
    QVERIFY(form->LastRefresh().reportOpened && form->lstFileNameItems->Count() == 0);

    // A repeated line number stops the load: what came before stays listed,
    // and the browser says that the report was not read to its end.
    WriteReport({"Input file:a.txt", "1   x", "Input file:b.txt", "3   y", "3   z", "Input file:c.txt"});
    browser_->calls.clear();
    form->CmdRefresh_Click();
    QCOMPARE(Entries(form->lstFileNameItems), (Words{"a.txt", "b.txt"}));
    QVERIFY(!form->LastRefresh().loadError.empty());
    QCOMPARE(browser_->calls, (Words{"nav ", "notice"}));
  }

  // Anchor mode walked with the keys and the mouse, over a file with rows, one
  // without and one whose source is gone; the editor hand-off on the way.
  void anchorMode() {
    WriteReport({"Input file:" + source_, "2   " + Gbk("中文  汉字"), "1234 x", "Input file:empty.txt",
                 "Input file:" + *dir_ / "gone.htm", "5   y"});
    auto form = MakeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget(), form->lstFileName);
    browser_->calls.clear();

    QTest::keyClick(form->lstFileName, Qt::Key_Down);
    QCOMPARE(form->TxtFileName->text(), QString::fromStdString(source_));
    QCOMPARE(Entries(form->LstRowNumItems), (Words{"2    " + Gbk("中文  汉字"), "1234  x"}));
    QCOMPARE(ReadFileBytes(DriveC("~temp.htm")), Gbk("line one\r\n<a name=\"mao_Line2\"><p>中文 x</p>\r\nend\r\n"));
    QCOMPARE(browser_->calls, (Words{"nav c:\\~temp.htm", "nav c:\\~temp.htm#mao_Line2"}));

    form->LstRowNum->SetListIndex(1);
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line1234");
    QVERIFY(automation_.log.empty());
    QCOMPARE(QApplication::focusWidget(), form->lstFileName);  // the browser does not take the keyboard

    // Clicking the selected row again jumps again.
    const QRect row = form->LstRowNum->visualRect(form->LstRowNumItems->index(1));
    QTest::mouseClick(form->LstRowNum->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(browser_->calls.size(), std::size_t{4});
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line1234");
    QCOMPARE(QApplication::focusWidget(), form->LstRowNum);

    // The editor: off so far; on, with the path split at its blank; grayed counts as on.
    QVERIFY(starter_.starts.empty());
    form->TxtUltraEdit->setText(QStringLiteral("/opt/my editor/ed"));
    form->ChkUseUltraEdit->click();
    form->LstRowNum->SetListIndex(0);
    QCOMPARE(starter_.starts, (std::vector<Words>{{"/opt/my editor/ed", dir_->Path() + "/site/a", "b.htm", "/2"}}));
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line2");  // the browser step still follows
    form->ChkUseUltraEdit->SetValue(2);
    form->LstRowNum->SetListIndex(1);
    QCOMPARE(starter_.starts.size(), std::size_t{2});
    QCOMPARE(starter_.starts[1].back(), "/1234");

    // A file without rows: its own page; the rows of the file before go.
    QTest::keyClick(form->lstFileName, Qt::Key_Down);
    QCOMPARE(browser_->calls.back(), "nav empty.txt");
    QCOMPARE(form->LstRowNumItems->Count(), 0);

    // A source that is gone: the reason instead of an empty page, for the
    // file and for each of its rows, which stay listed.
    QTest::keyClick(form->lstFileName, Qt::Key_Down);
    QCOMPARE(Entries(form->LstRowNumItems), Words{"5    y"});
    QCOMPARE(browser_->calls.back(), "notice");
    QVERIFY(browser_->notice.contains(QStringLiteral("gone.htm")));
    const std::size_t before = browser_->calls.size();
    form->LstRowNum->SetListIndex(-1);
    form->LstRowNum->SetListIndex(0);
    QCOMPARE(browser_->calls.size(), before + 1);
    QCOMPARE(browser_->calls.back(), "notice");

    form->close();  // deletes the page
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
  }

  void findBoxModeAndModeSwitch() {
    WriteReport({"Input file:" + source_, "2     " + Gbk("中文") + "  ", "3   " + Gbk("字")});
    auto form = MakeForm();
    form->OptLocateByMiao[1]->click();
    QCOMPARE(browser_->calls.size(), std::size_t{1});  // the switch to find-box mode does nothing
    form->OptLocateByMiao[0]->click();                 // anchor mode with no file: a word, no page
    QCOMPARE(browser_->calls.back(), "notice");
    form->OptLocateByMiao[1]->click();

    form->lstFileName->SetListIndex(0);
    QCOMPARE(browser_->calls.back(), "nav " + source_);
    QCOMPARE(automation_.typed, Words{Gbk("中文")});
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
    form->LstRowNum->SetListIndex(1);
    QCOMPARE(automation_.typed, (Words{Gbk("中文"), Gbk("字")}));

    // The page is built at the first switch to anchor mode, and only then.
    const auto pageLoads = [&] { return std::count(browser_->calls.begin(), browser_->calls.end(), "nav c:\\~temp.htm"); };
    form->OptLocateByMiao[0]->click();
    QCOMPARE(pageLoads(), 1);
    QVERIFY(FileIsThere(DriveC("~temp.htm")));
    form->OptLocateByMiao[1]->click();
    form->OptLocateByMiao[0]->click();
    QCOMPARE(pageLoads(), 1);
    // In find-box mode the row drives the find dialog on the page shown.
    form->OptLocateByMiao[1]->click();
    form->LstRowNum->SetListIndex(0);
    QCOMPARE(automation_.typed.back(), Gbk("中文"));
  }

  // The seven keys and the window's geometry, through a resize below the
  // margins on the way.
  void settingsRoundTripAndResize() {
    // No settings file: the defaults, and the texts read are written back.
    {
      auto form = MakeForm();
      QCOMPARE(form->TxtUltraEdit->text(), QString::fromLatin1(kDefaultEditorPath));
      QCOMPARE(form->ChkUseUltraEdit->Value(), 0);
      QVERIFY(form->OptLocateByMiao[0]->isChecked());
      QCOMPARE(ReadFileBytes(IniPath()), Lines({"[Path]", "UltraEdit=", "[WINDOW]", "Left=", "Top=", "Width=", "Height="}));
    }
    dir_->Write("Tallyview.ini", Lines({"[Path]", "UltraEdit=" + Gbk(" /opt/编辑器 "), "[Option]", "UseUltraEdit=2",
                                        "UseMao=0", "[WINDOW]", "Left=1500", "Top=750", "Width=9000", "Height=6000"}));
    auto form = MakeForm();
    QCOMPARE(form->TxtUltraEdit->text(), QStringLiteral("/opt/编辑器"));
    QCOMPARE(form->ChkUseUltraEdit->Value(), 2);
    QVERIFY(form->OptLocateByMiao[1]->isChecked() && !form->OptLocateByMiao[0]->isChecked());
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->frameGeometry(), QRect(100, 50, 600, 400));
    // The window's height is its outer height, the platform's frame included.
    QCOMPARE(form->lstFileName->height(), TwipsToPixels(form->frameGeometry().height() * 15.0 - 1420, 96));

    const auto layout = [&] { return QList<QRect>{form->lstFileName->geometry(), form->FrameRight->geometry(), form->WebBrowser1->geometry()}; };
    const QList<QRect> before = layout();
    form->resize(120, 60);
    QTRY_COMPARE(form->width(), 120);
    QCOMPARE(layout(), before);

    form->OptLocateByMiao[0]->click();
    form->move(150, 75);
    const QSize outer = form->frameGeometry().size() * 15;
    form->close();
    QVERIFY(!gIni);
    QCOMPARE(ReadFileBytes(IniPath()),
             Lines({"[Path]", "UltraEdit=" + Gbk("/opt/编辑器"), "[Option]", "UseUltraEdit= 2", "UseMao=-1", "[WINDOW]",
                    "Left=2250", "Top=1125", "Width=" + std::to_string(outer.width()),
                    "Height=" + std::to_string(outer.height())}));

    // Unusable values leave the controls as they were; the others apply.
    dir_->Write("Tallyview.ini", Lines({"[Option]", "UseUltraEdit=3", "UseMao=40000", "[WINDOW]", "Left=abc", "Top=300",
                                        "Width=", "Height=1e3"}));
    auto other = MakeForm();
    QCOMPARE(other->ChkUseUltraEdit->Value(), 0);
    QVERIFY(other->OptLocateByMiao[0]->isChecked());
    QCOMPARE(other->y(), 20);
    QCOMPARE(other->frameGeometry().height(), 67);  // 1000 twips, 66.7 pixels
    QCOMPARE(other->frameGeometry().width(), 12660 / 15);
  }

  // A second copy ends at once and silently, touching neither the settings
  // nor the report.
  void secondInstance() {
    QLockFile lock(SingleInstanceLockPath());
    QVERIFY(lock.tryLock(0));
    WriteReport({"Input file:a.txt"});
    const std::string ini = QFileInfo(QStringLiteral(TALLYVIEW)).absolutePath().toStdString() + "/Tallyview.ini";
    const std::string iniBefore = ReadFileBytes(ini);
    const QFileInfo report(QString::fromStdString(DriveC("GlyphwellResult.txt")));
    const QDateTime reportTime = report.lastRead();

    QProcess second;
    second.start(QStringLiteral(TALLYVIEW), {});
    QVERIFY(second.waitForFinished(10000));
    QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
    QCOMPARE(second.readAll(), QByteArray());
    QCOMPARE(ReadFileBytes(ini), iniBefore);
    QCOMPARE(QFileInfo(report.filePath()).lastRead(), reportTime);
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
  }
};

QTEST_MAIN(ViewerWindowTest)
#include "viewer_window_test.moc"
