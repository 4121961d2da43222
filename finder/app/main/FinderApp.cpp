// Glyphwell: the finder's dialog, run modally; the program ends with it.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "finder/app/dialog/DialogUnits.h"
#include "finder/app/dialog/FinderDialog.h"
#include "finder/app/dialog/QtDesktopServices.h"
#include "platform/ThisProcess.h"

int main(int argc, char* argv[]) {
  platform::IgnoreBrokenPipes();
  QApplication app(argc, argv);
  InstallDialogFont();
  // The dialog speaks Chinese whatever the locale; Qt's own choosers follow
  // when its translations are installed.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  QApplication::setWindowIcon(FinderIcon());
  QtDesktopServices services;
  FinderDialog dialog(services, DefaultFinderPaths());
  services.SetOwner(&dialog);
  dialog.exec();
  return 0;
}
