// The viewer's window on the offscreen platform, with a stand-in browser, the
// find-box operations, program start and the Word converter replaced; and a
// second copy of the viewer.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTextDocumentFragment>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "platform/Files.h"
#include "tests/support/FakeAutomation.h"
#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"
#include "viewer/ModFile.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/control/FindDialog.h"
#include "viewer/support/ClsIni.h"
#include "viewer/support/RunTimeError.h"
#include "viewer/window/ListBoxModel.h"
#include "viewer/window/SingleInstance.h"
#include "viewer/window/frmMain.h"

namespace {

using Words = std::vector<std::string>;

class FakeBrowser : public BrowserControl {
 public:
  using BrowserControl::BrowserControl;
  void Navigate2(const std::string& ansiText) override { calls.push_back("nav " + ansiText); }
  void SetPageSource(const std::string& pageAnsi, const std::string& sourceAnsi) override {
    calls.push_back("source " + pageAnsi + " " + sourceAnsi);
  }
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

// Converts a document into two lines, the second with "中文", or fails.
struct FakeConverter : DocumentConverter {
  void Convert(const std::string& strDocument, const std::string& strOutput) override {
    documents.push_back(strDocument);
    if (fail) throw RunTimeError(RunTimeErrorCode::PathFileAccess, "cannot convert");
    platform::OutputFile out;
    if (!out.Create(strOutput) || !out.Write(Gbk("converted\r\n中文 text\r\n")) || !out.Close())
      throw RunTimeError(RunTimeErrorCode::PathFileAccess, "cannot write");
  }
  Words documents;
  bool fail = false;
};

// Each entry whole, as its tip holds it.
Words Entries(const ListBoxModel* model) {
  Words entries;
  for (int row = 0; row < model->Count(); ++row) entries.push_back(model->Entry(row).tip);
  return entries;
}

template <class Control>
Control* Find(QWidget* form, const char* name) {
  Control* control = form->findChild<Control*>(QString::fromLatin1(name));
  if (!control) qFatal("no control %s", name);
  return control;
}

// The window and its controls by their design names.
struct Window {
  explicit Window(std::unique_ptr<frmMain> window)
      : form(std::move(window)),
        lstFileName(Find<ListBoxView>(form.get(), "lstFileName")),
        LstRowNum(Find<ListBoxView>(form.get(), "LstRowNum")),
        lstFileNameItems(static_cast<ListBoxModel*>(lstFileName->model())),
        LstRowNumItems(static_cast<ListBoxModel*>(LstRowNum->model())),
        ChkUseUltraEdit(Find<ValueCheckBox>(form.get(), "ChkUseUltraEdit")),
        TxtFileName(Find<QLineEdit>(form.get(), "TxtFileName")),
        TxtUltraEdit(Find<QLineEdit>(form.get(), "TxtUltraEdit")),
        Frame1(Find<QGroupBox>(form.get(), "Frame1")),
        OptLocateByMiao{Find<QRadioButton>(form.get(), "OptLocateByMiao0"),
                        Find<QRadioButton>(form.get(), "OptLocateByMiao1")} {}
  frmMain* operator->() const { return form.get(); }
  frmMain* get() const { return form.get(); }

  std::unique_ptr<frmMain> form;
  ListBoxView *lstFileName, *LstRowNum;
  ListBoxModel *lstFileNameItems, *LstRowNumItems;
  ValueCheckBox* ChkUseUltraEdit;
  QLineEdit *TxtFileName, *TxtUltraEdit;
  QGroupBox* Frame1;
  QRadioButton* OptLocateByMiao[2];
};

}  // namespace

class ViewerWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<ScopedDriveRoot> drive_;
  FakeAutomation automation_;
  RecordingStarter starter_;
  FakeConverter converter_;
  FakeBrowser* browser_ = nullptr;
  ClsIni ini_;
  std::string source_;  // a source file whose second line holds "中文"

  std::string DriveC(std::string_view name) { return *dir_ / ("glyphwell/drive_c/" + std::string(name)); }
  std::string IniPath() { return *dir_ / "Tallyview.ini"; }
  void WriteReport(std::initializer_list<std::string> lines) { dir_->Write("glyphwell/drive_c/GlyphwellResult.txt", CrLfLines(lines)); }

  Window MakeForm(const std::string& report = "") {
    ini_.IniFileName(IniPath());
    automation_ = FakeAutomation();
    automation_.AddFindDialog();
    starter_ = RecordingStarter();
    converter_ = FakeConverter();
    Window form(std::make_unique<frmMain>(frmMain::Services{
        &automation_, &starter_, &converter_, &ini_, [this](QWidget* parent) { return browser_ = new FakeBrowser(parent); }}));
    if (!report.empty()) form->SetReportPath(report);
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
    drive_.reset();
    dir_.reset();
  }

  // At start and after every refresh no file is selected, and the browser
  // says so, with how the report was read; nothing of the file picked
  // before stays on view.
  void refreshLeavesNothingStale() {
    auto form = MakeForm();
    QCOMPARE(form.lstFileNameItems->Count(), 0);
    QCOMPARE(browser_->calls, Words{"notice"});
    QVERIFY(browser_->notice.startsWith(u"未选择文件。") && browser_->notice.contains(u"GlyphwellResult.txt"));

    WriteReport({"Input file:" + source_, "2   " + Gbk("中文"), "Input file: other.txt ", "7   " + Gbk("字")});
    form->Controller().CmdRefresh_Click();
    QCOMPARE(Entries(form.lstFileNameItems), (Words{source_, "other.txt"}));
    form.lstFileName->SetListIndex(0);
    browser_->calls.clear();
    form->Controller().CmdRefresh_Click();
    QCOMPARE(form.lstFileName->ListIndex(), -1);
    QVERIFY(form.TxtFileName->text().isEmpty());
    QCOMPARE(form.LstRowNumItems->Count(), 0);
    QCOMPARE(browser_->calls, Words{"notice"});
    // Through find-box mode and back: the word stays, no page of before.
    form.OptLocateByMiao[1]->click();
    form.OptLocateByMiao[0]->click();
    QCOMPARE(browser_->calls.back(), "notice");
    QVERIFY(browser_->notice.startsWith(u"未选择文件。"));

    // A repeated line number stops the load: what came before stays listed,
    // and the browser says that the report was not read to its end.
    WriteReport({"Input file:a.txt", "1   x", "Input file:b.txt", "3   y", "3   z", "Input file:c.txt"});
    form->Controller().CmdRefresh_Click();
    QCOMPARE(Entries(form.lstFileNameItems), (Words{"a.txt", "b.txt"}));
    QVERIFY(browser_->notice.contains(u"没有读完"));
  }

  // Anchor mode walked with the keys and the mouse, over a file with rows, one
  // without and one whose source is gone; the editor hand-off on the way.
  void anchorMode() {
    WriteReport({"Input file:" + source_, "2   " + Gbk("中文  汉字"), "1234 x", "Input file:empty.txt",
                 "Input file:" + *dir_ / "gone.htm", "5   y"});
    auto form = MakeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(QApplication::focusWidget(), form.lstFileName);
    browser_->calls.clear();

    QTest::keyClick(form.lstFileName, Qt::Key_Down);
    QCOMPARE(form.TxtFileName->text(), QString::fromStdString(source_));
    QCOMPARE(Entries(form.LstRowNumItems), (Words{"2    " + Gbk("中文  汉字"), "1234  x"}));
    QCOMPARE(ReadFileBytes(DriveC("~temp.htm")), Gbk("line one\r\n<a name=\"mao_Line2\"><p>中文 x</p>\r\nend\r\n"));
    form.LstRowNum->SetListIndex(1);
    QVERIFY(automation_.log.empty());
    QCOMPARE(QApplication::focusWidget(), form.lstFileName);  // the browser does not take the keyboard

    // Clicking the selected row again jumps again.
    const QRect row = form.LstRowNum->visualRect(form.LstRowNumItems->index(1));
    QTest::mouseClick(form.LstRowNum->viewport(), Qt::LeftButton, {}, row.center());
    QCOMPARE(browser_->calls, (Words{"source c:\\~temp.htm " + source_, "nav c:\\~temp.htm", "nav c:\\~temp.htm#mao_Line2",
                                     "nav c:\\~temp.htm#mao_Line1234", "nav c:\\~temp.htm#mao_Line1234"}));
    QCOMPARE(QApplication::focusWidget(), form.LstRowNum);

    // The editor: off so far (no start above); on, with the path split at
    // its blank; grayed counts as on.
    form.TxtUltraEdit->setText(QStringLiteral("/opt/my editor/ed"));
    form.ChkUseUltraEdit->click();
    form.LstRowNum->SetListIndex(0);
    QCOMPARE(starter_.starts, (std::vector<Words>{{"/opt/my editor/ed", dir_->Path() + "/site/a", "b.htm", "/2"}}));
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line2");  // the browser step still follows
    form.ChkUseUltraEdit->SetValue(2);
    form.LstRowNum->SetListIndex(1);
    QCOMPARE(starter_.starts.back().back(), "/1234");

    // A file without rows: its own page; the rows of the file before go.
    QTest::keyClick(form.lstFileName, Qt::Key_Down);
    QCOMPARE(browser_->calls.back(), "nav empty.txt");
    QCOMPARE(form.LstRowNumItems->Count(), 0);

    // A source that is gone: the reason instead of an empty page, for the
    // file and for each of its rows, which stay listed.
    QTest::keyClick(form.lstFileName, Qt::Key_Down);
    QCOMPARE(Entries(form.LstRowNumItems), Words{"5    y"});
    QCOMPARE(browser_->calls.back(), "notice");
    QVERIFY(browser_->notice.contains(QStringLiteral("gone.htm")));
    const std::size_t before = browser_->calls.size();
    form.LstRowNum->SetListIndex(-1);
    form.LstRowNum->SetListIndex(0);
    QCOMPARE(browser_->calls.size(), before + 1);
    QCOMPARE(browser_->calls.back(), "notice");

    form->close();  // deletes the page
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
  }

  // A Word document is shown, located and handed to the editor as the text
  // that the finder scanned, never as the document's bytes.
  void wordDocuments() {
    const std::string doc = dir_->Write("site/Brochure.DOC", "\xD0\xCF\x11\xE0 compound file");
    WriteReport({"Input file:" + doc, "2   " + Gbk("中文")});
    auto form = MakeForm();
    form.TxtUltraEdit->setText(QStringLiteral("ed"));
    form.ChkUseUltraEdit->SetValue(1);

    form.lstFileName->SetListIndex(0);
    QCOMPARE(converter_.documents, Words{doc});
    QCOMPARE(ReadFileBytes(DriveC("~temp.htm")), Gbk("converted\r\n<a name=\"mao_Line2\">中文 text\r\n"));
    QCOMPARE(browser_->calls.back(), "nav c:\\~temp.htm#mao_Line2");
    QCOMPARE(starter_.starts, (std::vector<Words>{{"ed", "c:\\~view.txt", "/2"}}));

    form.OptLocateByMiao[1]->click();
    form.lstFileName->SetListIndex(-1);
    form.lstFileName->SetListIndex(0);
    QVERIFY(std::find(browser_->calls.begin(), browser_->calls.end(), "nav c:\\~view.txt") != browser_->calls.end());
    QCOMPARE(automation_.typed.back(), Gbk("中文"));

    // Not convertible: a word in the browser, in both modes, and no editor.
    converter_.fail = true;
    starter_.starts.clear();
    form.lstFileName->SetListIndex(-1);
    form.lstFileName->SetListIndex(0);
    QVERIFY(browser_->notice.contains(u"cannot convert"));
    QVERIFY(starter_.starts.empty());
    form.OptLocateByMiao[0]->click();
    QCOMPARE(browser_->calls.back(), "notice");
    form.LstRowNum->SetListIndex(-1);
    form.LstRowNum->SetListIndex(0);
    QCOMPARE(browser_->calls.back(), "notice");
    QVERIFY(starter_.starts.empty());

    form->close();
    QVERIFY(!FileIsThere(DriveC("~view.txt")));
  }

  void findBoxModeAndModeSwitch() {
    WriteReport({"Input file:" + source_, "2     " + Gbk("中文  汉字") + "  ", "3   " + Gbk("字  汉字字  文字"),
                 "Input file:other.txt", "1   x"});
    auto form = MakeForm();
    form.OptLocateByMiao[1]->click();
    QCOMPARE(browser_->calls.size(), std::size_t{1});  // the switch to find-box mode does nothing

    form.lstFileName->SetListIndex(0);
    QCOMPARE(browser_->calls.back(), "nav " + source_);
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));
    // One run of the row, the longest (the first of equal ones): the page
    // never shows the runs joined by blanks.
    form.LstRowNum->SetListIndex(1);
    QCOMPARE(automation_.typed, (Words{Gbk("中文"), Gbk("汉字字")}));
    // A run the page does not show as text is said so in the status line.
    emit browser_->found(QStringLiteral("汉字字"), 0);
    QVERIFY(Find<QLabel>(form.get(), "StatusLine")->text().contains(u"找不到“汉字字”"));

    // The page is built at the first switch to anchor mode, and only then.
    const auto pageLoads = [&] { return std::count(browser_->calls.begin(), browser_->calls.end(), "nav c:\\~temp.htm"); };
    form.OptLocateByMiao[0]->click();
    QCOMPARE(pageLoads(), 1);
    QVERIFY(FileIsThere(DriveC("~temp.htm")));
    form.OptLocateByMiao[1]->click();
    form.OptLocateByMiao[0]->click();
    QCOMPARE(pageLoads(), 1);
    // In find-box mode the row drives the find dialog on the page shown.
    form.OptLocateByMiao[1]->click();
    form.LstRowNum->SetListIndex(0);
    QCOMPARE(automation_.typed.back(), Gbk("中文"));

    // The find dialog lives with find-box mode: it stays from file to file
    // there, and closes with a change of mode and with a file picked in
    // anchor mode.
    form->show();
    const auto dialogShown = [&] { return browser_->Dialog() && browser_->Dialog()->isVisible(); };
    browser_->OpenFindDialog();
    form.lstFileName->SetListIndex(1);
    QVERIFY(dialogShown());
    form.OptLocateByMiao[0]->click();
    QVERIFY(!dialogShown());
    browser_->OpenFindDialog();
    form.lstFileName->SetListIndex(0);
    QVERIFY(!dialogShown());
    browser_->OpenFindDialog();
    form.OptLocateByMiao[1]->click();
    QVERIFY(!dialogShown());

    // A large page opens with a word on its load, then its progress, until
    // it has loaded.
    const std::string big = dir_->Write("site/big.txt", std::string(kLargePageBytes, 'x'));
    WriteReport({"Input file:" + big, "1   " + Gbk("中")});
    form->Controller().CmdRefresh_Click();
    form.lstFileName->SetListIndex(0);
    QLabel* status = Find<QLabel>(form.get(), "StatusLine");
    const auto said = [&] { return status->toolTip().isEmpty() ? status->text() : status->toolTip(); };
    QVERIFY2(said().contains(u"0.5 MB"), qPrintable(said()));
    emit browser_->pageLoadProgress(40);
    QVERIFY(said().contains(u"0.5 MB") && said().contains(u"40%"));
    emit browser_->pageLoaded();
    QVERIFY(said().startsWith(u"结果报告") && !said().contains(u"40%"));
  }

  // The settings as the window applies them, and back after a run; the
  // window cannot be made so small that a control is cut off.
  void settingsAndSmallestSize() {
    dir_->Write("Tallyview.ini", CrLfLines({"[Path]", "UltraEdit=" + Gbk(" /opt/编辑器 "), "[Option]", "UseUltraEdit=2",
                                        "UseMao=0", "[WINDOW]", "Left=1500", "Top=750", "Width=13500", "Height=9000"}));
    auto form = MakeForm();
    QCOMPARE(form.TxtUltraEdit->text(), QStringLiteral("/opt/编辑器"));
    QCOMPARE(form.ChkUseUltraEdit->Value(), 2);
    QVERIFY(form.OptLocateByMiao[1]->isChecked() && !form.OptLocateByMiao[0]->isChecked());
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->frameGeometry(), QRect(100, 50, 900, 600));

    form->resize(640, 420);
    QTRY_VERIFY(form->width() >= form->minimumWidth() && form->width() < 900);
    QVERIFY(form->width() > 640);
    for (QWidget* control : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const QRect place = control->geometry();
      QVERIFY2(form->rect().contains(place), qPrintable(control->metaObject()->className()));
      if (qobject_cast<QLabel*>(control) || qobject_cast<QCheckBox*>(control))
        QVERIFY(place.width() >= control->sizeHint().width());
    }
    for (QRadioButton* option : form.OptLocateByMiao) {
      QVERIFY(form.Frame1->rect().contains(option->geometry()));
      QVERIFY(option->width() >= option->sizeHint().width());
    }
    QVERIFY(form.lstFileName->height() >= 8 * form.lstFileName->fontMetrics().height());
    QVERIFY(browser_->height() > 0 && browser_->width() > 0);

    // The panes' widths: not written while the user has not moved them; kept
    // once moved, and from then on.
    form.OptLocateByMiao[0]->click();
    form->close();
    QVERIFY(ReadFileBytes(IniPath()).find("UseMao=-1\r\n") != std::string::npos);
    QVERIFY(ReadFileBytes(IniPath()).find("ListWidth") == std::string::npos);
    PaneWidths widths;
    for (const int run : {1, 2, 3}) {
      auto panes = MakeForm();
      panes->show();
      QVERIFY(QTest::qWaitForWindowExposed(panes.get()));
      if (run == 1) {
        QSplitterHandle* handle = Find<QSplitter>(panes.get(), "Panes")->handle(1);
        const QPoint from = handle->rect().center(), to = from + QPoint(60, 0);
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        QTest::mouseMove(handle, to);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
        QVERIFY(panes.lstFileName->width() > 150);
        widths = {panes.lstFileName->width(), panes.LstRowNum->width()};
      }
      QTRY_COMPARE((PaneWidths{panes.lstFileName->width(), panes.LstRowNum->width()}), widths);
      panes->close();
      QVERIFY(ReadFileBytes(IniPath()).find("RowListWidth=") != std::string::npos);
    }
  }

  // The file list names each file relative to the folder all of them share;
  // a name too long for the list keeps the part that tells it apart, and
  // its tip holds the path whole.
  void namesTellFilesApart() {
    const std::string site = "/srv/www/site/";
    // A report of its own, as "Tallyview REPORT" reads it; "刷新" reads it again.
    const auto WriteSiteReport = [&](std::initializer_list<std::string> lines) {
      dir_->Write("reports/site.txt", CrLfLines(lines));
    };
    WriteSiteReport({"Input file:" + site + "gbk/docs/README.zh-CN.txt", "1   x", "Input file:" + site + "utf8/docs/README.zh-CN.txt",
                 "1   x", "Input file:" + site + "index.htm", "Input file:" + site + Gb18030("한글.htm")});
    auto form = MakeForm(*dir_ / "reports/site.txt");
    const auto shown = [&](int row, int role) {
      return form.lstFileNameItems->data(form.lstFileNameItems->index(row), role).toString();
    };
    QCOMPARE(shown(0, Qt::DisplayRole), QStringLiteral("gbk/docs/README.zh-CN.txt"));
    QCOMPARE(shown(3, Qt::DisplayRole), QStringLiteral("한글.htm"));
    QCOMPARE(shown(2, Qt::ToolTipRole), QString::fromStdString(site + "index.htm"));
    // Two files that differ only in a middle folder, in a narrow list.
    const QFontMetrics metrics(QApplication::font());
    QStringList narrow;
    for (int row : {0, 1}) {
      const int width = metrics.horizontalAdvance(QStringLiteral("utf8/…/README.zh-CN.txt"));
      narrow << ElideListedName(shown(row, Qt::DisplayRole), shown(row, ListBoxModel::DistinctRole), metrics, width);
      QVERIFY(metrics.horizontalAdvance(narrow.back()) <= width);
    }
    QCOMPARE(narrow, (QStringList{QStringLiteral("gbk/…/README.zh-CN.txt"), QStringLiteral("utf8/…/README.zh-CN.txt")}));
    // The folders the files share go first, the differing one stays.
    QCOMPARE(ElideListedName(QStringLiteral("a-long-folder/gbk/README.txt"), QStringLiteral("gbk/README.txt"), metrics,
                             metrics.horizontalAdvance(QStringLiteral("a-long…gbk/README.txt"))),
             QStringLiteral("…/gbk/README.txt"));

    // One file: its name; files on different roots: their paths whole.
    WriteSiteReport({"Input file:" + site + "index.htm"});
    form->Controller().CmdRefresh_Click();
    QCOMPARE(shown(0, Qt::DisplayRole), QStringLiteral("index.htm"));
    WriteSiteReport({"Input file:/srv/a.txt", "Input file:c:\\docs\\b.txt", "Input file:rel/c.txt"});
    form->Controller().CmdRefresh_Click();
    QCOMPARE((QStringList{shown(0, Qt::DisplayRole), shown(1, Qt::DisplayRole), shown(2, Qt::DisplayRole)}),
             (QStringList{QStringLiteral("/srv/a.txt"), QStringLiteral("c:\\docs\\b.txt"), QStringLiteral("rel/c.txt")}));

    // A long entry wraps in its tip rather than running off the screen.
    const std::string row = "12  " + Gbk(QString(QStringLiteral("中文<b>&  ")).repeated(40).toStdString());
    WriteSiteReport({"Input file:" + site + "index.htm", row});
    form->Controller().CmdRefresh_Click();
    form.lstFileName->SetListIndex(0);
    const QString tip = form.LstRowNumItems->data(form.LstRowNumItems->index(0), Qt::ToolTipRole).toString();
    QCOMPARE(QTextDocumentFragment::fromHtml(tip).toPlainText(), QString::fromStdString("12   ") + QString(QStringLiteral("中文<b>&  ")).repeated(40));
  }

  // A second copy ends at once, silently, touching neither the settings nor
  // the report, and brings the running viewer to the front; a second copy
  // given a report (named relative to its folder) has the running viewer
  // load that report.
  void secondInstanceAndItsReport() {
    SingleInstance running;
    QVERIFY(running.Claim());
    running.Listen();
    WriteReport({"Input file:a.txt"});
    auto form = MakeForm();
    connect(&running, &SingleInstance::startedAgain, form.get(), &frmMain::StartedAgain);
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());
    const std::string ini = QFileInfo(QStringLiteral(TALLYVIEW)).absolutePath().toStdString() + "/Tallyview.ini";
    const std::string iniBefore = ReadFileBytes(ini);
    const QFileInfo report(QString::fromStdString(DriveC("GlyphwellResult.txt")));
    const QDateTime reportTime = report.lastRead();

    QProcess second;
    const auto start = [&](const QStringList& arguments) {
      second.setWorkingDirectory(QString::fromStdString(dir_->Path()));
      second.start(QStringLiteral(TALLYVIEW), arguments);
      QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
      QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
      QCOMPARE(second.readAll(), QByteArray());
    };
    start({});
    QTRY_VERIFY(!form->isMinimized() && form->isVisible());
    QCOMPARE(ReadFileBytes(ini), iniBefore);
    QCOMPARE(QFileInfo(report.filePath()).lastRead(), reportTime);
    QVERIFY(!FileIsThere(DriveC("~temp.htm")));

    dir_->Write("reports/其他.txt", CrLfLines({"Input file:" + source_, "2   " + Gbk("中文")}));
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());
    start({QStringLiteral("reports/其他.txt")});
    QTRY_COMPARE(Entries(form.lstFileNameItems), Words{source_});
    QTRY_VERIFY(!form->isMinimized());
    QCOMPARE(form->Controller().ReportPath(), Gbk(*dir_ / "reports/其他.txt"));
    // "刷新" reads that report again.
    form->Controller().CmdRefresh_Click();
    QCOMPARE(Entries(form.lstFileNameItems), Words{source_});
  }
};

QTEST_MAIN(ViewerWindowTest)
#include "viewer_window_test.moc"
