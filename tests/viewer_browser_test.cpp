// The browser control over the real QtWebEngine, offscreen: anchor jumps and
// their scroll position, a real find, the GBK default, and hostile pages.
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>
#include <csignal>

#include "tests/support/Gbk.h"
#include "tests/support/TempDir.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/browser/WebEngineBrowser.h"
#include "viewer/window/FindDialog.h"
#include "viewer/window/QtWindowAutomation.h"

namespace {

// Runs a script in the viewer's own world and waits for its value.
QVariant Evaluate(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool done = false;
  view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
    result = value;
    done = true;
  });
  if (!QTest::qWaitFor([&] { return done; }, 10000)) return QStringLiteral("<no answer>");
  return result;
}

std::string Repeat(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

}  // namespace

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
    QWebEngineView* view = browser_->View();
    const QString anchorTop = QStringLiteral("document.getElementsByName('%1')[0].getBoundingClientRect().top");

    QSignalSpy loads(view->page(), &QWebEnginePage::loadStarted);
    QSignalSpy shown(browser_, &WebEngineBrowser::anchorShown);
    browser_->Navigate2("c:\\~temp.htm#mao_Line300");
    QVERIFY(shown.wait(10000));
    QVERIFY(Evaluate(view, QStringLiteral("window.scrollY")).toDouble() > 1000);
    QVERIFY(std::abs(Evaluate(view, anchorTop.arg("mao_Line300")).toDouble()) < 2);

    // The same anchor again after the user scrolled away: back to it.
    Evaluate(view, QStringLiteral("window.scrollTo(0, 0)"));
    browser_->Navigate2("c:\\~temp.htm#mao_Line300");
    QVERIFY(shown.wait(10000));
    QVERIFY(std::abs(Evaluate(view, anchorTop.arg("mao_Line300")).toDouble()) < 2);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(QApplication::focusWidget(), list);

    // Picking another file rewrites the page: it is loaded again, and the
    // first row's jump, sent while it loads, waits for it.
    dir_->Write("glyphwell/drive_c/~temp.htm", Gbk("<p>新页</p>") + page);
    browser_->Navigate2("c:\\~temp.htm");
    browser_->Navigate2("c:\\~temp.htm#mao_Line350");
    QVERIFY(shown.wait(20000));
    QVERIFY(Evaluate(view, QStringLiteral("document.body.innerText")).toString().startsWith(u"新页"));
    QVERIFY(std::abs(Evaluate(view, anchorTop.arg("mao_Line350")).toDouble()) < 2);
  }

  // GBK without a declaration, and a real find through the find dialog,
  // driven as the window drives it.
  void gbkPageAndRealFind() {
    // The path goes in as the report holds it, in GBK; the file's name on disk is UTF-8.
    dir_->Write(
        "中文页.htm", Gbk("<p>abc</p><p>这是中文网页</p>") + Repeat("<br>\n", 500) + Gbk("<p id=\"far\">公司新闻</p>"));
    QVERIFY(Load(Gbk(*dir_ / "中文页.htm")));
    QWebEngineView* view = browser_->View();
    QCOMPARE(Evaluate(view, QStringLiteral("document.characterSet")).toString(), QStringLiteral("GBK"));
    QVERIFY(Evaluate(view, QStringLiteral("document.body.innerText")).toString().contains(QStringLiteral("中文网页")));

    QSignalSpy found(view->page(), &QWebEnginePage::findTextFinished);
    QtWindowAutomation automation;
    FindInBrowser(automation, QtWindowAutomation::Handle(browser_), Gbk("公司新闻"));
    QVERIFY(browser_->Dialog() && browser_->Dialog()->isVisible());
    QVERIFY(found.wait(10000));
    const auto result = found.takeFirst().at(0).value<QWebEngineFindTextResult>();
    QCOMPARE(result.numberOfMatches(), 1);
    QTRY_VERIFY(Evaluate(view, QStringLiteral("window.scrollY")).toDouble() > 100);
  }

  // A page's scripts do not run, so they read no local file.
  void hostilePageRunsNoScript() {
    const std::string secret = dir_->Write("secret.txt", "the secret");
    const std::string page = dir_->Write("hostile.htm",
                                         "<html><head><title>start</title><script>document.title = 'ran';"
                                         "var r = new XMLHttpRequest(); r.open('GET', 'file://" +
                                             secret +
                                             "', false); r.send();"
                                             "document.title = r.responseText;</script></head>"
                                             "<body onload=\"document.title='onload'\"><p>text</p></body></html>");
    QVERIFY(Load(page));
    QWebEngineView* view = browser_->View();
    QCOMPARE(view->title(), QStringLiteral("start"));
    QCOMPARE(Evaluate(view, QStringLiteral("document.title")).toString(), QStringLiteral("start"));
  }

  // Nothing a page refers to is fetched from the network.
  void hostilePageCallsNoServer() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const std::string base = "http://127.0.0.1:" + std::to_string(server.serverPort());
    const std::string page = dir_->Write(
        "calls.htm", "<html><head><link rel=\"stylesheet\" href=\"" + base + "/a.css\"><link rel=\"icon\" href=\"" +
                         base + "/i.ico\"><meta http-equiv=\"refresh\" content=\"0; url=" + base +
                         "/r\"></head><body><img src=\"" + base + "/b.png\"><iframe src=\"" + base +
                         "/c.htm\"></iframe><p>text</p></body></html>");
    QSignalSpy connections(&server, &QTcpServer::newConnection);
    QSignalSpy finished(browser_->View()->page(), &QWebEnginePage::loadFinished);
    browser_->Navigate2(page);
    finished.wait(20000);
    QTest::qWait(1000);
    QCOMPARE(connections.count(), 0);
    QVERIFY(finished.count() >= 1);
    QVERIFY(browser_->View()->url().isLocalFile());
  }

  // A renderer that dies (a page too big for it) leaves a word, and the next
  // page shows.
  void whatShowsWithoutAPage() {
    const std::string page = dir_->Write("a.htm", "<p>first</p>");
    QVERIFY(Load(page));
    QWebEnginePage* engine = browser_->View()->page();
    QSignalSpy notice(engine, &QWebEnginePage::loadFinished);
    QVERIFY(::kill(static_cast<pid_t>(engine->renderProcessPid()), SIGKILL) == 0);
    QVERIFY(notice.wait(20000));
    QTRY_VERIFY(Evaluate(browser_->View(), QStringLiteral("document.body.innerText")).toString().contains(u"显示进程"));
    QVERIFY(Load(page));
    QCOMPARE(Evaluate(browser_->View(), QStringLiteral("document.body.innerText")).toString(), QStringLiteral("first"));

    // A file that is not there gets a word too; the empty text, an empty page.
    QVERIFY(Load(*dir_ / "gone.htm"));
    QVERIFY(Evaluate(browser_->View(), QStringLiteral("document.body.innerText")).toString().contains(u"gone.htm"));
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
