// The viewer's window on the offscreen platform, with a stand-in browser, the
// find-box operations and program start replaced; then the real find dialog
// driven through Qt, and a second copy of the viewer.
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
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
#include "viewer/window/FindDialog.h"
#include "viewer/window/QtWindowAutomation.h"
#include "viewer/window/SingleInstance.h"
#include "viewer/window/frmMain.h"

namespace {

class FakeBrowser : public BrowserControl {
 public:
  using BrowserControl::BrowserControl;
  void Navigate2(const std::string& ansiText) override { calls.push_back("nav " + ansiText); }
  void ShowNotice(const QString& text) override {
    calls.push_back("notice");
    notice = text;
  }
  void FindText(const QString& text) override { found.push_back(text); }

  std::vector<std::string> calls;
  QString notice;
  QStringList found;
};

struct RecordingStarter : ProgramStarter {
  bool Start(const std::string& program, const std::vector<std::string>& arguments) override {
    starts.push_back({program, arguments});
    return true;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> starts;
};

using Calls = std::vector<std::string>;
using Words = std::vector<std::string>;

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> Entries(const ListBoxModel* model) {
  std::vector<std::string> entries;
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
  std::string source_;  // a source file with rows 2 and 1234

  std::string DriveC(std::string_view name) { return *dir_ / ("glyphwell/drive_c/" + std::string(name)); }
  std::string IniPath() { return *dir_ / "Tallyview.ini"; }

  void WriteReport(const std::string& bytes) { dir_->Write("glyphwell/drive_c/GlyphwellResult.txt", bytes); }

  std::unique_ptr<frmMain> MakeForm() {
    gIni = std::make_unique<ClsIni>();
    gIni->IniFileName(IniPath());
    automation_ = FakeAutomation();
    automation_.AddWindow({kFindDialogClass, kFindDialogTitle, 40, 41});
    starter_ = RecordingStarter();
    auto form = std::make_unique<frmMain>(frmMain::Services{&automation_, &starter_, [this](QWidget* parent) {
                                                              browser_ = new FakeBrowser(parent);
                                                              return browser_;
                                                            }});
    form->Form_Load();
    return form;
  }

  // The keys the find-box driving typed, Ctrl+F and Enter left out.
  std::vector<std::string> TypedTexts() {
    std::vector<std::string> texts;
    for (const std::string& entry : automation_.log)
      if (entry.rfind("keys ", 0) == 0 && entry != "keys {enter}" && entry != "keys ^f")
        texts.push_back(entry.substr(5));
    return texts;
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
    QCOMPARE(browser_->calls, Calls{"nav "});
    QVERIFY(!form->LastRefresh().reportOpened);

    WriteReport(Lines({"Input file:" + source_, "2   " + Gbk("中文"), "Input file: other.txt ", "7   " + Gbk("字")}));
    form->CmdRefresh_Click();
    QCOMPARE(Entries(form->lstFileNameItems), (Words{source_, "other.txt"}));
    QCOMPARE(form->lstFileName->ListIndex(), -1);

    // Gone again: the lists empty, the old file map stays.
    std::remove(DriveC("GlyphwellResult.txt").c_str());
    form->CmdRefresh_Click();
    QCOMPARE(form->lstFileNameItems->Count(), 0);
    QVERIFY(form->mapFiles.Exists("other.txt"));

    WriteReport("");
    form->CmdRefresh_Click();
    QVERIFY(form->LastRefresh().reportOpened && form->lstFileNameItems->Count() == 0);
    QVERIFY(!form->mapFiles.Exists("other.txt"));

    // A repeated line number stops the load: what came before stays listed,
    // and the browser says that the report was not read to its end.
    WriteReport(Lines({"Input file:a.txt", "1   x", "Input file:b.txt", "3   y", "3   z", "Input file:c.txt"}));
    browser_->calls.clear();
    form->CmdRefresh_Click();
    QCOMPARE(Entries(form->lstFileNameItems), (Words{"a.txt", "b.txt"}));
    QVERIFY(!form->LastRefresh().loadError.empty());
    QCOMPARE(browser_->calls, (Calls{"nav ", "notice"}));
  }

  void anchorModeSelection() {
    WriteReport(Lines({"Input file:" + source_, "2   " + Gbk("中文  汉字"), "1234 x"}));
    auto form = MakeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->lstFileName->setFocus();
    browser_->calls.clear();

    form->lstFileName->SetListIndex(0);
    QCOMPARE(form->TxtFileName->text(), QString::fromStdString(source_));
    QCOMPARE(Entries(form->LstRowNumItems), (Words{"2    " + Gbk("中文  汉字"), "1234  x"}));
    QCOMPARE(ReadFileBytes(DriveC("~temp.htm")), Gbk("line one\r\n<a name=\"mao_Line2\"><p>中文 x</p>\r\nend\r\n"));
    QCOMPARE(browser_->calls, (Calls{"nav c:\\~temp.htm", "nav c:\\~temp.htm#mao_Line2"}));
    QVERIFY(form->bAnchorPageReady);

    form->LstRowNum->SetListIndex(1);
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line1234");
    QVERIFY(automation_.log.empty());
    QCOMPARE(QApplication::focusWidget(), form->lstFileName);

    // Picking the selected row again jumps again.
    const QRect row = form->LstRowNum->visualRect(form->LstRowNumItems->index(1));
    QTest::mouseClick(form->LstRowNum->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(browser_->calls.size(), std::size_t{4});
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line1234");
    QCOMPARE(QApplication::focusWidget(), form->LstRowNum);

    // Closing deletes the page.
    form->close();
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
  }

  void findBoxModeAndModeSwitch() {
    WriteReport(Lines({"Input file:" + source_, "2     " + Gbk("中文") + "  ", "3   " + Gbk("字")}));
    auto form = MakeForm();
    form->OptLocateByMiao[1]->click();
    QVERIFY(browser_->calls.size() == 1);  // the switch to find-box mode does nothing

    form->lstFileName->SetListIndex(0);
    QCOMPARE(browser_->calls.back(), "nav " + source_);
    QCOMPARE(TypedTexts(), Words{Gbk("中文")});
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
    form->LstRowNum->SetListIndex(1);
    QCOMPARE(TypedTexts(), (Words{Gbk("中文"), Gbk("字")}));

    // The page is built at the first switch to anchor mode, and only then.
    const auto pageLoads = [&] {
      return std::count(browser_->calls.begin(), browser_->calls.end(), "nav c:\\~temp.htm");
    };
    form->OptLocateByMiao[0]->click();
    QCOMPARE(pageLoads(), 1);
    QVERIFY(FileIsThere(DriveC("~temp.htm")));
    form->OptLocateByMiao[1]->click();
    form->OptLocateByMiao[0]->click();
    QCOMPARE(pageLoads(), 1);
    // In find-box mode the row drives the find dialog on the page shown.
    form->OptLocateByMiao[1]->click();
    form->LstRowNum->SetListIndex(0);
    QCOMPARE(TypedTexts().back(), Gbk("中文"));
  }

  void editorHandOff() {
    const std::string spaced = dir_->Write("my docs/b.txt", "1\n2\n");
    WriteReport(Lines({"Input file:" + spaced, "2   x", "1234 y"}));
    auto form = MakeForm();
    form->TxtUltraEdit->setText(QStringLiteral("/opt/my editor/ed"));

    form->lstFileName->SetListIndex(0);  // option off
    QVERIFY(starter_.starts.empty());

    form->ChkUseUltraEdit->click();
    QCOMPARE(form->ChkUseUltraEdit->Value(), 1);
    form->LstRowNum->SetListIndex(1);
    QCOMPARE(starter_.starts.size(), std::size_t{1});
    QCOMPARE(starter_.starts[0].first, "/opt/my editor/ed");
    const std::string folder = dir_->Path() + "/my";
    QCOMPARE(starter_.starts[0].second, (Words{folder, "docs/b.txt", "/1234"}));
    // The browser step still follows.
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line1234");

    form->ChkUseUltraEdit->SetValue(2);  // grayed counts as on
    form->LstRowNum->SetListIndex(0);
    QCOMPARE(starter_.starts.size(), std::size_t{2});
    QCOMPARE(starter_.starts[1].second.back(), "/2");
  }

  void whatTheBrowserShowsWithoutAPage() {
    WriteReport(
        Lines({"Input file:" + source_, "2   x", "Input file:empty.txt", "Input file:" + *dir_ / "gone.htm", "5   y"}));
    auto form = MakeForm();
    // Anchor mode with no file selected.
    form->OptLocateByMiao[1]->click();
    form->OptLocateByMiao[0]->click();
    QCOMPARE(browser_->calls.back(), "notice");
    QVERIFY(!form->bAnchorPageReady);

    // A file without rows: its own page; the rows of the file before go.
    form->lstFileName->SetListIndex(0);
    QCOMPARE(form->LstRowNumItems->Count(), 1);
    form->lstFileName->SetListIndex(1);
    QCOMPARE(browser_->calls.back(), "nav empty.txt");
    QCOMPARE(form->LstRowNumItems->Count(), 0);

    // A source that is gone: the reason instead of an empty page, for the
    // file and for each of its rows, which stay listed.
    form->lstFileName->SetListIndex(2);
    QCOMPARE(Entries(form->LstRowNumItems), Words{"5    y"});
    QCOMPARE(browser_->calls.back(), "notice");
    QVERIFY(browser_->notice.contains(QStringLiteral("gone.htm")));
    QVERIFY(!form->bAnchorPageReady);
    const std::size_t before = browser_->calls.size();
    form->LstRowNum->SetListIndex(-1);
    form->LstRowNum->SetListIndex(0);
    QCOMPARE(browser_->calls.size(), before + 1);
    QCOMPARE(browser_->calls.back(), "notice");
  }

  void resizeBelowTheMargins() {
    auto form = MakeForm();
    form->show();
    form->resize(900, 600);
    QTRY_COMPARE(form->width(), 900);
    // The window's height is its outer height, the platform's frame included.
    QCOMPARE(form->lstFileName->height(), TwipsToPixels(form->frameGeometry().height() * 15.0 - 1420, 96));
    const QRect list = form->lstFileName->geometry(), frame = form->FrameRight->geometry(),
                browser = form->WebBrowser1->geometry();
    form->resize(120, 60);
    QTRY_COMPARE(form->width(), 120);
    QCOMPARE(form->lstFileName->geometry(), list);
    QCOMPARE(form->FrameRight->geometry(), frame);
    QCOMPARE(form->WebBrowser1->geometry(), browser);
  }

  void settingsRoundTrip() {
    // No settings file: the defaults, and the texts read are written back.
    {
      auto form = MakeForm();
      QCOMPARE(form->TxtUltraEdit->text(), QString::fromLatin1(kDefaultEditorPath));
      QCOMPARE(form->ChkUseUltraEdit->Value(), 0);
      QVERIFY(form->OptLocateByMiao[0]->isChecked());
      QCOMPARE(ReadFileBytes(IniPath()),
               Lines({"[Path]", "UltraEdit=", "[WINDOW]", "Left=", "Top=", "Width=", "Height="}));
    }
    std::remove(IniPath().c_str());
    dir_->Write("Tallyview.ini", Lines({"[Path]", "UltraEdit=" + Gbk(" /opt/编辑器 "), "[Option]", "UseUltraEdit=2",
                                        "UseMao=0", "[WINDOW]", "Left=1500", "Top=750", "Width=9000", "Height=6000"}));
    auto form = MakeForm();
    QCOMPARE(form->TxtUltraEdit->text(), QStringLiteral("/opt/编辑器"));
    QCOMPARE(form->ChkUseUltraEdit->Value(), 2);
    QVERIFY(form->OptLocateByMiao[1]->isChecked());
    QVERIFY(!form->OptLocateByMiao[0]->isChecked());
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->frameGeometry(), QRect(100, 50, 600, 400));

    form->OptLocateByMiao[0]->click();
    form->move(150, 75);
    form->close();
    QVERIFY(!gIni);
    QCOMPARE(ReadFileBytes(IniPath()),
             Lines({"[Path]", "UltraEdit=" + Gbk("/opt/编辑器"), "[Option]", "UseUltraEdit= 2", "UseMao=-1", "[WINDOW]",
                    "Left=2250", "Top=1125", "Width=9000", "Height=6000"}));

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

  void keyboardAtStart() {
    WriteReport(Lines({"Input file:" + source_, "2   x", "Input file:b.txt", "3   y"}));
    auto form = MakeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget(), form->lstFileName);
    QTest::keyClick(form->lstFileName, Qt::Key_Down);
    QCOMPARE(form->lstFileName->ListIndex(), 0);
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line2");
    QTest::keyClick(form->lstFileName, Qt::Key_Down);
    QCOMPARE(form->lstFileName->ListIndex(), 1);
    QCOMPARE(form->TxtFileName->text(), QStringLiteral("b.txt"));
  }

  // The find dialog driven through Qt's windows: Ctrl+F opens it, the text
  // goes into its field, Enter searches; a second search replaces the text.
  void findDialogThroughQt() {
    QWidget owner;
    owner.resize(400, 300);
    auto* browser = new FakeBrowser(&owner);
    browser->setFocusPolicy(Qt::StrongFocus);
    owner.show();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    QtWindowAutomation automation;

    FindInBrowser(automation, QtWindowAutomation::Handle(browser), Gbk("中文  字"));
    QVERIFY(browser->Dialog());
    QTRY_COMPARE(browser->found, QStringList{QStringLiteral("中文  字")});
    FindDialog* dialog = browser->Dialog();
    QCOMPARE(dialog->objectName(), QStringLiteral("Internet Explorer_TridentDlgFrame"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("查找"));
    QCOMPARE(automation.GetWindow(QtWindowAutomation::Handle(dialog), GW_CHILD),
             QtWindowAutomation::Handle(dialog->Field()));
    QVERIFY(dialog->isVisible());

    // Open and in front of it the user's window: typed over, not added to.
    QApplication::setActiveWindow(&owner);
    FindInBrowser(automation, QtWindowAutomation::Handle(browser), Gbk("汉字"));
    QTRY_COMPARE(browser->found.size(), 2);
    QCOMPARE(browser->found.back(), QStringLiteral("汉字"));
    QCOMPARE(dialog->Field()->text(), QStringLiteral("汉字"));

    // By hand: Ctrl+F in the browser, a word, Enter.
    dialog->close();
    QTest::keyClick(browser, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(dialog->Field()->hasFocus());
    QTest::keyClicks(dialog->Field(), "abc");
    QTest::keyClick(dialog->Field(), Qt::Key_Return);
    QCOMPARE(browser->found.back(), QStringLiteral("abc"));
  }

  // A second copy ends at once and silently, touching neither the settings
  // nor the report.
  void secondInstance() {
    QLockFile lock(SingleInstanceLockPath());
    QVERIFY(lock.tryLock(0));
    WriteReport("Input file:a.txt\r\n");
    const QString ini = QFileInfo(QStringLiteral(TALLYVIEW)).absolutePath() + QStringLiteral("/Tallyview.ini");
    const std::string iniBefore = ReadFileBytes(ini.toStdString());
    const QFileInfo report(QString::fromStdString(DriveC("GlyphwellResult.txt")));
    const QDateTime reportTime = report.lastRead();

    QProcess second;
    second.start(QStringLiteral(TALLYVIEW), {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAll(), QByteArray());
    QCOMPARE(ReadFileBytes(ini.toStdString()), iniBefore);
    QCOMPARE(QFileInfo(report.filePath()).lastRead(), reportTime);
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
  }
};

QTEST_MAIN(ViewerWindowTest)
#include "viewer_window_test.moc"
