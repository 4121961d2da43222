// The viewer's start: one copy per user, the settings file, the report it
// is given, the window with its browser and the services it asks of the
// desktop.
#include <QApplication>
#include <QFont>

#include "platform/CodePage.h"
#include "platform/PathFunctions.h"
#include "viewer/ModMain.h"
#include "viewer/SourceText.h"
#include "viewer/browser/WebEngineBrowser.h"
#include "viewer/support/ClsIni.h"
#include "viewer/window/QtWindowAutomation.h"
#include "viewer/window/SingleInstance.h"
#include "viewer/window/frmMain.h"

namespace {

int Main(int argc, char** argv) {
  // Tallyview REPORT reads that report instead of the default one.
  const std::string report = argc > 1 ? ReportPathFromArgument(argv[1]) : std::string();
  SingleInstance instance;
  if (!instance.Claim()) {
    // Another copy runs: it comes to the front, loads the report if one was
    // given, and this one ends at once, with no window and no file touched.
    QCoreApplication application(argc, argv);
    SingleInstance::CallRunningCopy(QByteArray::fromStdString(platform::AnsiToUtf8OrRaw(report)));
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
  frmMain form({&automation, &starter, &converter, gIni.get(),
                [](QWidget* parent) { return new WebEngineBrowser(parent); }});
  if (!report.empty()) form.SetReportPath(report);
  QObject::connect(&instance, &SingleInstance::startedAgain, &form, &frmMain::StartedAgain);
  instance.Listen();
  form.Form_Load();
  form.show();
  const int status = application.exec();
  gIni.reset();
  return status;
}

}  // namespace

int main(int argc, char** argv) { return Main(argc, argv); }
