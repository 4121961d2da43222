// The window's browser control as the window uses it: go to a file, a file's
// anchor or nowhere, show a short notice, and find text through a find
// dialog that Ctrl+F opens. The embedded web view implements it; tests put a
// stand-in in its place.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

class FindDialog;

class BrowserControl : public QWidget {
  Q_OBJECT
 public:
  explicit BrowserControl(QWidget* parent);
  ~BrowserControl() override;

  // A path text (CP936; a drive path is mapped), the same with a fragment
  // ("c:\~temp.htm#mao_Line12"), or "" for an empty page.
  virtual void Navigate2(const std::string& ansiText) = 0;
  // The page (a path text) stands for the source file from now on, until the
  // next call: what it refers to relatively is taken from the source's
  // folder, and a source that is no web page shows its lines as they break
  // in the file. The page's bytes stay as they are.
  virtual void SetPageSource(const std::string& pageAnsi, const std::string& sourceAnsi) = 0;
  // A short plain page that says what happened.
  virtual void ShowNotice(const QString& text) = 0;
  // Selects and scrolls to the first match of text on the page.
  virtual void FindText(const QString& text) = 0;

  // The find dialog, opened in front with the keyboard in its field.
  void OpenFindDialog();
  // Closes the find dialog when it is open.
  void CloseFindDialog();
  FindDialog* Dialog() const;

 signals:
  // A find of text on the page ended with this many matches.
  void found(const QString& text, int matches);
  // A local file's page is loading (percent done), then has loaded or failed.
  void pageLoadProgress(int percent);
  void pageLoaded();

 protected:
  // Ctrl+F on widget or any widget inside it, now or later, opens the dialog.
  void WatchFindKey(QObject* object);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<FindDialog> dialog_;
};
