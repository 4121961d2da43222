// The browser control over QtWebEngine: GBK by default, no page scripts,
// nothing from the network, only regular local files.
#pragma once

#include <QString>
#include <string>

#include "viewer/control/BrowserControl.h"

class LocalOnlyInterceptor;
class QWebEngineProfile;
class QWebEngineView;

class WebEngineBrowser : public BrowserControl {
  Q_OBJECT
 public:
  explicit WebEngineBrowser(QWidget* parent);
  ~WebEngineBrowser() override;

  void Navigate2(const std::string& ansiText) override;
  void SetPageSource(const std::string& pageAnsi, const std::string& sourceAnsi) override;
  void ShowNotice(const QString& text) override;
  void FindText(const QString& text) override;

  QWebEngineView* View() const { return view_; }

 signals:
  // A jump within the page shown has scrolled to its anchor.
  void anchorShown();

 private:
  void ScrollToAnchor(const QString& name);

  QWebEngineProfile* profile_;
  LocalOnlyInterceptor* interceptor_;
  QWebEngineView* view_;
  QString document_;  // the local file shown or loading; "" for any other page
  bool loading_ = false;
  QString pendingAnchor_;  // asked for while its document was still loading
};

// The environment QtWebEngine needs before the application object exists:
// as root, Chromium starts only with its sandbox off.
void PrepareWebEngine();
