#include "viewer/browser/WebEngineBrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonValue>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "platform/FileKinds.h"
#include "platform/Files.h"
#include "platform/LineReader.h"
#include "platform/NativePath.h"
#include "platform/ThisProcess.h"
#include "platform/qt/SystemText.h"
#include "viewer/ModWebBrowser.h"

namespace {

// What a page may load: local files and what the engine makes itself.
bool IsLocal(const QUrl& url) {
  const QString scheme = url.scheme();
  return scheme == u"file" || scheme == u"data" || scheme == u"about" || scheme == u"blob";
}

bool IsRegularFile(const QString& nativePath) {
  platform::InputFile file;
  return file.Open(nativePath.toStdString());
}

}  // namespace

// Every request of every page passes here. Anything not local is refused, so
// that showing a scanned page cannot call a server; so is a local name that
// is no regular file, so that a page naming file:///dev/zero or a FIFO as an
// image cannot hold its renderer. Page scripts do not run, so what a page
// loads (its style sheets, images, fonts) is shown and read by nothing else.
//
// The anchor page lies in drive c's folder, where its relative references
// point nowhere: what it asks for is taken from its source's folder instead,
// by the same relative path, so that the page's bytes stay the source's.
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
 public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

  void StandIn(const QString& page, const QString& sourceFolder) {
    page_ = page;
    pageFolder_ = QFileInfo(page).absolutePath();
    sourceFolder_ = sourceFolder;
    redirected_.clear();
  }

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    const QUrl url = info.requestUrl();
    if (!IsLocal(url)) return info.block(true);
    if (!url.isLocalFile()) return;  // made by the engine itself
    const QString path = url.toLocalFile();
    // A redirected request comes back here under its new name, which is
    // then served as it is.
    if (const auto seen = redirected_.find(path); seen != redirected_.end()) {
      if (--seen.value() == 0) redirected_.erase(seen);
    } else if (!page_.isEmpty() && path != page_ && info.firstPartyUrl().toLocalFile() == page_) {
      // Lexically, so that "../css/a.css" climbs from the source's folder
      // as it would beside the source. (A reference that climbs above the
      // root from drive c's folder was cut there by the browser: it lands
      // lower than beside the source.)
      const QString moved = QDir::cleanPath(sourceFolder_ + u'/' + QDir(pageFolder_).relativeFilePath(path));
      ++redirected_[moved];
      QUrl target = QUrl::fromLocalFile(moved);
      target.setQuery(url.query());
      return info.redirect(target);
    }
    if (!IsRegularFile(path)) info.block(true);
  }

 private:
  QString page_, pageFolder_, sourceFolder_;  // native paths
  QHash<QString, int> redirected_;            // redirect targets not yet seen back
};

namespace {

// A link to a server does nothing rather than show an error page.
class LocalOnlyPage : public QWebEnginePage {
 public:
  using QWebEnginePage::QWebEnginePage;

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override { return IsLocal(url); }
};

QString JsonString(const QString& text) {
  const QByteArray list = QJsonDocument::fromVariant(QVariantList{text}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(list.mid(1, list.size() - 2));
}

// The browser renders the anchor page as HTML, which runs a text file's lines
// together. The page must stay the source's bytes, so the style that keeps
// them apart comes from the viewer, in its own script world, and only on
// that page.
constexpr char kKeepLinesScript[] = "tallyview-keep-lines";
QString KeepLinesScript(const QString& nativePage) {
  return QStringLiteral(
             "(function (page) {"
             " try { if (decodeURIComponent(location.pathname) !== page) return; } catch (e) { return; }"
             " var style = document.createElement('style');"
             " style.textContent = 'html { white-space: pre-wrap; word-wrap: break-word; font-family: monospace; }';"
             " (document.head || document.documentElement).appendChild(style);"
             "})(%1)")
      .arg(JsonString(nativePage));
}

QString PageText(const QString& text) {
  return QStringLiteral(
             "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
             "<body style=\"font: 10pt sans-serif; color: #333; margin: 16px; white-space: pre-wrap\">%1</body></html>")
      .arg(text.toHtmlEscaped());
}

}  // namespace

void PrepareWebEngine() {
  if (platform::RunsAsRoot() && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

WebEngineBrowser::WebEngineBrowser(QWidget* parent) : BrowserControl(parent) {
  // Off the record: no cache, cookies or history in the user's folders.
  profile_ = new QWebEngineProfile(this);
  interceptor_ = new LocalOnlyInterceptor(profile_);
  profile_->setUrlRequestInterceptor(interceptor_);
  profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);

  view_ = new QWebEngineView(this);
  auto* page = new LocalOnlyPage(profile_, view_);
  QWebEngineSettings* settings = page->settings();
  settings->setDefaultTextEncoding(QStringLiteral("GBK"));
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  // A page may load its own style sheets, images and fonts; the interceptor
  // serves only regular local files.
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
  settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
  settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
  settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
  view_->setPage(page);
  setFocusProxy(view_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  WatchFindKey(view_);

  connect(page, &QWebEnginePage::urlChanged, this,
          [this](const QUrl& url) { document_ = url.isLocalFile() ? url.toLocalFile() : QString(); });
  // A page beyond the engine's memory ends its renderer; the next page gets
  // a new one.
  connect(page, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus status) {
            if (status == QWebEnginePage::NormalTerminationStatus) return;
            ShowNotice(QStringLiteral("浏览器无法显示这个页面：它的显示进程意外结束了（页面可能太大）。"));
          });
  connect(page, &QWebEnginePage::loadFinished, this, [this] {
    loading_ = false;
    if (!pendingAnchor_.isEmpty()) ScrollToAnchor(std::exchange(pendingAnchor_, QString()));
  });
}

WebEngineBrowser::~WebEngineBrowser() {
  // The page goes before its profile.
  delete view_;
}

void WebEngineBrowser::Navigate2(const std::string& ansiText) {
  pendingAnchor_.clear();
  const NavigateTarget target = ResolveNavigateText(ansiText);
  if (target.nativePath.empty()) {
    loading_ = true;
    document_.clear();
    view_->setUrl(QUrl(QStringLiteral("about:blank")));
    return;
  }
  const QString path = QString::fromUtf8(target.nativePath);
  // A missing or unreadable file, a folder or a FIFO gets a word instead of
  // the engine's error page (and a FIFO never blocks a reader).
  if (platform::LineReader reader; !reader.OpenNative(target.nativePath)) {
    ShowNotice(QStringLiteral("无法打开文件：") + path);
    return;
  }
  QUrl url = QUrl::fromLocalFile(path);
  const QString anchor = platform::SystemTextToQString(target.fragment);
  if (!anchor.isEmpty() && path == document_) {
    // Another anchor of the page shown: scroll, do not load it again.
    if (loading_)
      pendingAnchor_ = anchor;
    else
      ScrollToAnchor(anchor);
    return;
  }
  if (!anchor.isEmpty()) url.setFragment(anchor);
  // A page that declares no charset is read in the encoding the automatic
  // rule gives it: UTF-8 when it is UTF-8 beyond ASCII, else GBK (a
  // byte-order mark and a declaration still rule).
  std::size_t markLength = 0;
  platform::LineReader reader;
  const bool utf8 = reader.OpenNative(target.nativePath) &&
                    platform::DetectEncoding(reader, platform::EncodingChoice::Automatic, markLength) ==
                        platform::TextEncoding::Utf8;
  view_->page()->settings()->setDefaultTextEncoding(utf8 ? QStringLiteral("UTF-8") : QStringLiteral("GBK"));
  loading_ = true;
  document_ = path;
  view_->setUrl(url);
}

void WebEngineBrowser::SetPageSource(const std::string& pageAnsi, const std::string& sourceAnsi) {
  const QString page = QFileInfo(QString::fromUtf8(platform::ToNative(pageAnsi))).absoluteFilePath();
  interceptor_->StandIn(page, QFileInfo(QString::fromUtf8(platform::ToNative(sourceAnsi))).absolutePath());
  QWebEngineScriptCollection& scripts = view_->page()->scripts();
  for (const QWebEngineScript& script : scripts.find(QString::fromLatin1(kKeepLinesScript))) scripts.remove(script);
  if (platform::IsWebPage(sourceAnsi)) return;
  QWebEngineScript keepLines;
  keepLines.setName(QString::fromLatin1(kKeepLinesScript));
  keepLines.setWorldId(QWebEngineScript::ApplicationWorld);
  // Before the first paint, so that the lines never show run together.
  keepLines.setInjectionPoint(QWebEngineScript::DocumentReady);
  keepLines.setSourceCode(KeepLinesScript(page));
  scripts.insert(keepLines);
}

void WebEngineBrowser::ScrollToAnchor(const QString& name) {
  // The page runs no scripts of its own; this one runs in the viewer's world.
  const QString script = QStringLiteral(
                             "(function (n) { var a = document.getElementsByName(n)[0] || document.getElementById(n);"
                             " if (a) a.scrollIntoView(); return window.scrollY; })(%1)")
                             .arg(JsonString(name));
  view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                               [this](const QVariant&) { emit anchorShown(); });
}

void WebEngineBrowser::ShowNotice(const QString& text) {
  pendingAnchor_.clear();
  loading_ = true;
  document_.clear();
  view_->setHtml(PageText(text), QUrl(QStringLiteral("about:blank")));
}

void WebEngineBrowser::FindText(const QString& text) { view_->page()->findText(text); }
