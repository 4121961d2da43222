// The viewer's start: one copy per user, the settings file, the window with
// its browser and the services it asks of the desktop.
#include <QApplication>
#include <QFont>

#include "platform/PathFunctions.h"
#include "viewer/ModMain.h"
#include "viewer/SourceText.h"
#include "viewer/browser/WebEngineBrowser.h"
#include "viewer/window/QtWindowAutomation.h"
#include "viewer/window/SingleInstance.h"
#include "viewer/window/frmMain.h"

namespace {

int Main(int argc, char** argv) {
  SingleInstance instance;
  if (!instance.Claim()) {
    // Another copy runs: it comes to the front, and this one ends at once,
    // with no window and no file touched.
    QCoreApplication application(argc, argv);
    SingleInstance::CallRunningCopy();
    return 0;
  }

  InitIniFile();
  PrepareWebEngine();
  QApplication application(argc, argv);
  // fontconfig knows no "宋体": the installed CJK family stands in for it.
  QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"));
  QApplication::setFont(QFont(QStringLiteral("宋体"), 9));

  QtWindowAutomation automation;
  DetachedProgramStarter starter;
  TextifierConverter converter(ShippedFileFolder(ShippedFileKind::Helper));
  frmMain form({&automation, &starter, &converter, [](QWidget* parent) { return new WebEngineBrowser(parent); }});
  QObject::connect(&instance, &SingleInstance::startedAgain, &form, &frmMain::BringToFront);
  instance.Listen();
  form.Form_Load();
  form.show();
  return application.exec();
}

}  // namespace

int main(int argc, char** argv) { return Main(argc, argv); }
