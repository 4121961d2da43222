// The viewer's start: one copy per user, the settings file, the window.
#include <QApplication>
#include <QFont>
#include <QLockFile>

#include "viewer/ModMain.h"
#include "viewer/browser/WebEngineBrowser.h"
#include "viewer/window/QtWindowAutomation.h"
#include "viewer/window/SingleInstance.h"
#include "viewer/window/frmMain.h"

namespace {

int Main(int argc, char** argv) {
  // Another copy runs: end at once, with no window and no file touched.
  QLockFile instanceLock(SingleInstanceLockPath());
  if (!instanceLock.tryLock(0)) return 0;

  InitIniFile();
  PrepareWebEngine();
  QApplication application(argc, argv);
  // fontconfig knows no "宋体": the installed CJK family stands in for it.
  QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"));
  QApplication::setFont(QFont(QStringLiteral("宋体"), 9));

  QtWindowAutomation automation;
  DetachedProgramStarter starter;
  frmMain form({&automation, &starter, [](QWidget* parent) { return new WebEngineBrowser(parent); }});
  form.Form_Load();
  form.show();
  return application.exec();
}

}  // namespace

int main(int argc, char** argv) { return Main(argc, argv); }
