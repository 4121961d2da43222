// The browser control over the real QtWebEngine, offscreen: anchor jumps and
// their scroll position, a real find through the find dialog, the GBK
// default, and hostile pages.
#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>
#include <sys/stat.h>

#include <csignal>

#include "tests/support/DocumentFiles.h"
#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"
#include "viewer/ModFile.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/browser/WebEngineBrowser.h"
#include "viewer/control/FindDialog.h"
#include "viewer/support/ClsIni.h"
#include "viewer/window/ListBoxModel.h"
#include "viewer/window/QtWindowAutomation.h"
#include "viewer/window/frmMain.h"

class ViewerBrowserTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<ScopedDriveRoot> drive_;
  std::unique_ptr<QWidget> window_;
  WebEngineBrowser* browser_ = nullptr;

  bool Load(const std::string& ansiText) {
    QSignalSpy finished(browser_->View()->page(), &QWebEnginePage::loadFinished);
    browser_->Navigate2(ansiText);
    return finished.wait(20000);
  }
  // The anchor page of source with a row on line, as the window builds and
  // shows it; fragment jumps to an anchor as the page loads.
  bool LoadAnchorPage(const std::string& source, const char* line, const std::string& fragment = "") {
    ClsMap rows;
    rows.Add(line, "  x");
    BuildAnchorPage(source, "c:\\~temp.htm", rows);
    browser_->SetPageSource("c:\\~temp.htm", source);
    return Load("c:\\~temp.htm" + fragment);
  }
  // Drives the find dialog as the window does; the matches the page counts.
  int Find(const std::string& ansiText) {
    QSignalSpy found(browser_->View()->page(), &QWebEnginePage::findTextFinished);
    QtWindowAutomation automation;
    FindInBrowser(automation, QtWindowAutomation::Handle(browser_), ansiText);
    return found.wait(10000) ? found.takeFirst().at(0).value<QWebEngineFindTextResult>().numberOfMatches() : -1;
  }
  // Runs a script in the viewer's own world and waits for its value.
  QVariant Evaluate(const QString& script) {
    QVariant result;
    bool done = false;
    browser_->View()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
      result = value;
      done = true;
    });
    return QTest::qWaitFor([&] { return done; }, 10000) ? result : QStringLiteral("<no answer>");
  }
  QString Text() { return Evaluate(QStringLiteral("document.body.innerText")).toString(); }
  double AnchorTop(int line) {
    return Evaluate(QStringLiteral("document.getElementsByName('mao_Line%1')[0].getBoundingClientRect().top").arg(line))
        .toDouble();
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    drive_ = std::make_unique<ScopedDriveRoot>(dir_->Path());
    window_ = std::make_unique<QWidget>();
    window_->resize(600, 400);
    browser_ = new WebEngineBrowser(window_.get());
    browser_->setGeometry(0, 0, 600, 400);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() {
    window_.reset();
    drive_.reset();
    dir_.reset();
  }

  void anchorJumpsScrollWithoutLoading() {
    std::string page;
    for (int line = 1; line <= 400; ++line)
      page += (line % 50 == 0 ? "<a name=\"mao_Line" + std::to_string(line) + "\">" : std::string()) + "line " +
              std::to_string(line) + "<br>\r\n";
    dir_->Write("glyphwell/drive_c/~temp.htm", page);
    // The list the user walks keeps the keyboard while pages load.
    auto* list = new QLineEdit(window_.get());
    list->show();
    QApplication::setActiveWindow(window_.get());
    list->setFocus();
    QVERIFY(Load("c:\\~temp.htm"));

    QSignalSpy loads(browser_->View()->page(), &QWebEnginePage::loadStarted);
    QSignalSpy shown(browser_, &WebEngineBrowser::anchorShown);
    browser_->Navigate2("c:\\~temp.htm#mao_Line300");
    QVERIFY(shown.wait(10000));
    QVERIFY(Evaluate(QStringLiteral("window.scrollY")).toDouble() > 1000);
    QVERIFY(std::abs(AnchorTop(300)) < 2);

    // The same anchor again after the user scrolled away: back to it.
    Evaluate(QStringLiteral("window.scrollTo(0, 0)"));
    browser_->Navigate2("c:\\~temp.htm#mao_Line300");
    QVERIFY(shown.wait(10000));
    QVERIFY(std::abs(AnchorTop(300)) < 2);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(QApplication::focusWidget(), list);

    // Picking another file rewrites the page: it is loaded again, and the
    // first row's jump, sent while it loads, waits for it.
    dir_->Write("glyphwell/drive_c/~temp.htm", Gbk("<p>新页</p>") + page);
    browser_->Navigate2("c:\\~temp.htm");
    browser_->Navigate2("c:\\~temp.htm#mao_Line350");
    QVERIFY(shown.wait(20000));
    QVERIFY(Text().startsWith(u"新页"));
    QVERIFY(std::abs(AnchorTop(350)) < 2);
  }

  // A GBK page without a declaration, searched through the find dialog as
  // the window drives it, again with the dialog open, and by hand.
  void gbkPageAndRealFind() {
    // The path goes in as the report holds it, in GBK; the file's name on disk is UTF-8.
    const std::string breaks = QByteArray("<br>\n").repeated(500).toStdString();
    dir_->Write("中文页.htm", Gbk("<p>abc</p><p>这是中文网页</p>") + breaks + Gbk("<p>公司新闻</p>"));
    QVERIFY(Load(Gbk(*dir_ / "中文页.htm")));
    QCOMPARE(Evaluate(QStringLiteral("document.characterSet")).toString(), QStringLiteral("GBK"));
    QVERIFY(Text().contains(QStringLiteral("中文网页")));

    QCOMPARE(Find(Gbk("公司新闻")), 1);
    QTRY_VERIFY(Evaluate(QStringLiteral("window.scrollY")).toDouble() > 100);
    FindDialog* dialog = browser_->Dialog();
    QVERIFY(dialog && dialog->isVisible());  // found by its class and title, as Find shows
    QCOMPARE(dialog->windowTitle(), QStringLiteral("查找"));

    // Open and behind the user's window: the text is typed over, not added to.
    QApplication::setActiveWindow(window_.get());
    QCOMPARE(Find(Gbk("中文网页")), 1);

    // Characters that mean keys in the notation reach the field as they are.
    const QString notation = QStringLiteral("^+%~{}{enter}()[]中文");
    QCOMPARE(Find(Gbk(notation.toStdString())), 0);
    QCOMPARE(dialog->Field()->text(), notation);

    // By hand: Ctrl+F where the page has the keyboard, a word, Enter.
    dialog->close();
    QSignalSpy found(browser_->View()->page(), &QWebEnginePage::findTextFinished);
    QTest::keyClick(browser_->View()->focusProxy(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(dialog->Field()->hasFocus());
    QTest::keyClicks(dialog->Field(), "abc");
    QTest::keyClick(dialog->Field(), Qt::Key_Return);
    QVERIFY(found.wait(10000));
    QCOMPARE(found.takeFirst().at(0).value<QWebEngineFindTextResult>().numberOfMatches(), 1);
  }

  // Find-box mode in the window: a row of three runs lands on its line,
  // which the page shows with Latin words between the runs.
  void findBoxModeLandsOnTheLine() {
    std::string page;
    for (int line = 1; line <= 300; ++line) page += "<p>line " + std::to_string(line) + "</p>\n";
    page += Gbk("<p>本 FAQ 文档是什么？ (v2) 见</p>\n") + page;
    const std::string source = dir_->Write("faq.htm", page);
    dir_->Write("glyphwell/drive_c/GlyphwellResult.txt",
                CrLfLines({"Input file:" + source, "301 " + Gbk("本  文档是什么？  见")}));
    ClsIni settings;
    settings.IniFileName(*dir_ / "Tallyview.ini");
    QtWindowAutomation automation;
    DetachedProgramStarter starter;
    TextifierConverter converter(dir_->Path());
    WebEngineBrowser* browser = nullptr;
    frmMain form({&automation, &starter, &converter, &settings,
                  [&](QWidget* parent) { return browser = new WebEngineBrowser(parent); }});
    form.Form_Load();
    form.findChild<QRadioButton*>(QStringLiteral("OptLocateByMiao1"))->click();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy found(browser, &BrowserControl::found);
    form.findChild<ListBoxView*>(QStringLiteral("lstFileName"))->SetListIndex(0);
    QVERIFY(found.count() > 0 || found.wait(20000));
    QCOMPARE(found.first().at(0).toString(), QStringLiteral("文档是什么？"));
    QCOMPARE(found.first().at(1).toInt(), 1);
    browser_ = browser;
    QTRY_VERIFY(Evaluate(QStringLiteral("window.scrollY")).toDouble() > 1000);
    QVERIFY(!form.findChild<QLabel*>(QStringLiteral("StatusLine"))->text().contains(u"找不到"));
    browser->CloseFindDialog();
  }

  // Today's documents in the window: shown as the text the finder read, in
  // anchor mode with the row's line in view, and the row says where in the
  // document the line stands.
  void documentsShowAsTheirTextAtTheRow() {
    std::string body;
    for (int n = 1; n <= 300; ++n)
      body += "<w:p><w:r><w:t>" + (n == 250 ? std::string("第二百五十段") : "paragraph " + std::to_string(n)) +
              "</w:t></w:r></w:p>";
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>)";
    const std::string docx = dir_->Write(
        "d/a.docx", MakeZip({{"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "word/document.xml"}})},
                             {"word/document.xml", xml + "<w:document " + kOfficeNamespaces + "><w:body>" + body +
                                                       "</w:body></w:document>"}}));
    std::string rows;
    for (int n = 1; n <= 300; ++n)
      rows += "<row r=\"" + std::to_string(n) + "\"><c r=\"A" + std::to_string(n) + "\" t=\"inlineStr\"><is><t>" +
              (n == 250 ? std::string("单价") : "row " + std::to_string(n)) + "</t></is></c></row>";
    const std::string main = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                             R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
    const std::string xlsx = dir_->Write(
        "d/b.xlsx",
        MakeZip({{"_rels/.rels", RelationshipsXml({{"rId1", "officeDocument", "xl/workbook.xml"}})},
                 {"xl/workbook.xml", xml + "<workbook " + main + R"(><sheets><sheet name="Sheet1" sheetId="1" r:id="rS1"/>)" +
                                         "</sheets></workbook>"},
                 {"xl/_rels/workbook.xml.rels", RelationshipsXml({{"rS1", "worksheet", "worksheets/sheet1.xml"}})},
                 {"xl/worksheets/sheet1.xml", xml + "<worksheet " + main + "><sheetData>" + rows + "</sheetData></worksheet>"}}));
    // The paragraph is line 250 of the text; the cell line 251, after the sheet's name.
    dir_->Write("glyphwell/drive_c/GlyphwellResult.txt",
                CrLfLines({"Input file:" + docx, "250 " + Gbk("第二百五十段"), "Input file:" + xlsx, "251 " + Gbk("单价")}));
    ClsIni settings;
    settings.IniFileName(*dir_ / "Tallyview.ini");
    QtWindowAutomation automation;
    DetachedProgramStarter starter;
    TextifierConverter converter(TEXTIFIER_DIR);
    WebEngineBrowser* browser = nullptr;
    frmMain form({&automation, &starter, &converter, &settings,
                  [&](QWidget* parent) { return browser = new WebEngineBrowser(parent); }});
    form.Form_Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    browser_ = browser;
    auto* files = form.findChild<ListBoxView*>(QStringLiteral("lstFileName"));
    auto* lines = form.findChild<ListBoxView*>(QStringLiteral("LstRowNum"));
    const QString expected[] = {QStringLiteral("[paragraph 250]"), QStringLiteral("[Sheet1!A250]")};
    for (int file = 0; file < 2; ++file) {
      QSignalSpy loaded(browser->View()->page(), &QWebEnginePage::loadFinished);
      files->SetListIndex(file);
      QVERIFY(loaded.count() > 0 || loaded.wait(20000));
      QTRY_VERIFY(Text().contains(file == 0 ? QStringLiteral("第二百五十段") : QStringLiteral("单价")));
      QTRY_VERIFY(std::abs(AnchorTop(file == 0 ? 250 : 251)) < 2);
      QVERIFY(lines->model()->index(0, 0).data(Qt::ToolTipRole).toString().endsWith(expected[file]));
    }
  }

  // A UTF-8 page that declares nothing shows as UTF-8, itself (where the row's
  // characters are found) and as its anchor page; so does a UTF-16 text,
  // whose anchor page is written in UTF-8 with the finder's lines.
  void unicodeSourcesShowInTheirEncoding() {
    const std::string breaks = QByteArray("<br>\n").repeated(300).toStdString();
    const std::string page = dir_->Write("utf8.htm", "<p>图像处理程序\u00A0©</p>" + breaks + "<p>公司新闻</p>\n");
    QVERIFY(Load(page));
    QCOMPARE(Evaluate(QStringLiteral("document.characterSet")).toString(), QStringLiteral("UTF-8"));
    QCOMPARE(Find(Gbk("公司新闻")), 1);
    QVERIFY(LoadAnchorPage(page, "302"));
    QCOMPARE(Evaluate(QStringLiteral("document.characterSet")).toString(), QStringLiteral("UTF-8"));
    QVERIFY(Text().startsWith(QStringLiteral("图像处理程序\u00A0©")));

    // UTF-16 with its mark: line 2 of the text is line 2 of the page.
    QVERIFY(LoadAnchorPage(dir_->Write("notes.txt", Transcode("UTF-16LE", "\uFEFF第一行\r\n第二行 𠀀\r\n")), "2"));
    QCOMPARE(ReadFileBytes(dir_->Path() + "/glyphwell/drive_c/~temp.htm"),
             std::string("第一行\r\n<a name=\"mao_Line2\">第二行 𠀀\r\n"));
    QVERIFY(Text().startsWith(QStringLiteral("第一行\n第二行 𠀀")));
  }

  // The anchor page of a text file shows the file's lines as they break, and
  // lands on its anchor; the page of a web page is left to its own markup.
  void textSourceKeepsItsLines() {
    std::string text;
    for (int line = 1; line <= 300; ++line)
      text += "line " + std::to_string(line) + (line == 2 ? "  <b>bold</b>" : "") + "\r\n";
    QVERIFY(LoadAnchorPage(dir_->Write("site/notes.txt", text), "250", "#mao_Line250"));
    QVERIFY(Text().startsWith(u"line 1\nline 2  bold\nline 3\n"));
    QTRY_VERIFY(std::abs(AnchorTop(250)) < 2);
    QVERIFY(LoadAnchorPage(dir_->Write("site/notes.htm", text), "250"));
    QVERIFY(Text().startsWith(u"line 1 line 2 bold line 3 "));
  }

  // A page's own style sheet (a folder up), image (in a subfolder) and font
  // show where the browser shows the page itself, and on its anchor page,
  // which lies elsewhere.
  void pagesLookAsTheirAuthorsMadeThem() {
    // A 1 x 1 PNG.
    const std::string dot = QByteArray::fromBase64(
                                "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC")
                                .toStdString();
    dir_->Write("site/sub/img/dot.png", dot);
    dir_->Write("site/css/look.css", "@font-face { font-family: Probe; src: url(\"../fonts/probe.ttf\"); }\n"
                                     "p { color: rgb(255, 0, 0); font-family: Probe; }\n");
    // Any TrueType font of the system will do (the engine refuses the CJK
    // collection's tables).
    QDirIterator fonts(QStringLiteral("/usr/share/fonts"), {QStringLiteral("*.ttf")}, QDir::Files,
                       QDirIterator::Subdirectories);
    if (!fonts.hasNext()) QSKIP("no TrueType font installed");
    dir_->MakeDir("site/fonts");
    QVERIFY(QFile::link(fonts.next(), QString::fromStdString(*dir_ / "site/fonts/probe.ttf")));
    const std::string page = dir_->Write(
        "site/sub/page.htm", Gbk("<html><head><link rel=\"stylesheet\" href=\"../css/look.css\"></head>\r\n"
                                 "<body><p>中文</p><img src=\"img/dot.png\"></body></html>\r\n"));
    const auto looksAsMade = [&] {
      QTRY_COMPARE(Evaluate(QStringLiteral("getComputedStyle(document.querySelector('p')).color")).toString(),
                   QStringLiteral("rgb(255, 0, 0)"));
      QTRY_COMPARE(Evaluate(QStringLiteral("document.images[0].naturalWidth")).toInt(), 1);
      QTRY_VERIFY(Evaluate(QStringLiteral("Array.from(document.fonts).some(f => f.family == 'Probe' && "
                                          "f.status == 'loaded')")).toBool());
    };
    QVERIFY(Load(page));
    looksAsMade();

    QVERIFY(LoadAnchorPage(page, "2"));
    QVERIFY(browser_->View()->url().toLocalFile().endsWith(u"/drive_c/~temp.htm"));
    looksAsMade();
  }

  // Devices, FIFOs and folders named as images or style sheets, by absolute
  // and relative names, are refused at once in both modes: the page shows
  // and the viewer goes on (a name outside the anchor page's folder once
  // ended it a second after the pick).
  void onlyRegularFilesLoad() {
    const std::string fifo = *dir_ / "site/fifo";
    dir_->MakeDir("site/folder.png");
    QVERIFY(mkfifo(fifo.c_str(), 0600) == 0);
    const std::string page = dir_->Write(
        "site/special.htm", Gbk("<html><body><p>中文标题</p>") + "<img src=\"file:///dev/zero\"><img src=\"fifo\">"
                            "<img src=\"folder.png\"><img src=\"file://" + fifo + "\"><img src=\"/nowhere/x.png\">"
                            "<link rel=\"stylesheet\" href=\"file://" + dir_->Path() + "\"><img src=\"file:///dev/urandom\">"
                            "</body></html>");
    for (const bool anchorMode : {false, true}) {
      QElapsedTimer timer;
      timer.start();
      QVERIFY(anchorMode ? LoadAnchorPage(page, "1") : Load(page));
      QVERIFY(timer.elapsed() < 5000);
      QTest::qWait(1500);
      QCOMPARE(Text(), QStringLiteral("中文标题"));
      QCOMPARE(Evaluate(QStringLiteral("Array.from(document.images).filter(i => i.naturalWidth > 0).length")).toInt(), 0);
    }
  }

  // A page's scripts do not run, so they read no local file; nothing it
  // refers to is fetched from the network.
  void hostilePage() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QSignalSpy connections(&server, &QTcpServer::newConnection);
    const std::string base = "http://127.0.0.1:" + std::to_string(server.serverPort());
    const std::string secret = dir_->Write("secret.txt", "the secret");
    const std::string page = dir_->Write(
        "hostile.htm", "<html><head><title>start</title><script>document.title = 'ran';"
                       "var r = new XMLHttpRequest(); r.open('GET', 'file://" + secret + "', false); r.send();"
                       "document.title = r.responseText;</script><link rel=\"stylesheet\" href=\"" + base +
                       "/a.css\"><link rel=\"icon\" href=\"" + base + "/i.ico\"><meta http-equiv=\"refresh\" "
                       "content=\"0; url=" + base + "/r\"></head><body onload=\"document.title='onload'\"><img src=\"" +
                       base + "/b.png\"><iframe src=\"" + base + "/c.htm\"></iframe><p>text</p></body></html>");
    QVERIFY(Load(page));
    QTest::qWait(1000);
    QCOMPARE(Evaluate(QStringLiteral("document.title")).toString(), QStringLiteral("start"));
    QCOMPARE(connections.count(), 0);
    QVERIFY(browser_->View()->url().isLocalFile());
  }

  // A renderer that dies (a page too big for it) leaves a word, and the next
  // page shows; so does a file that is not there. The empty text: an empty page.
  void whatShowsWithoutAPage() {
    const std::string page = dir_->Write("a.htm", "<p>first</p>");
    QVERIFY(Load(page));
    QSignalSpy notice(browser_->View()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(::kill(static_cast<pid_t>(browser_->View()->page()->renderProcessPid()), SIGKILL) == 0);
    QVERIFY(notice.wait(20000));
    QTRY_VERIFY(Text().contains(u"显示进程"));
    QVERIFY(Load(page));
    QCOMPARE(Text(), QStringLiteral("first"));

    QVERIFY(Load(*dir_ / "gone.htm"));
    QVERIFY(Text().contains(u"gone.htm"));
    QVERIFY(Load(""));
    QCOMPARE(browser_->View()->url(), QUrl(QStringLiteral("about:blank")));
  }
};

int main(int argc, char** argv) {
  PrepareWebEngine();
  QApplication application(argc, argv);
  ViewerBrowserTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "viewer_browser_test.moc"
