// Glyphwell: the finder's dialog, run modally; the program ends with it.
#include <QApplication>

#include "finder/app/DialogUnits.h"
#include "finder/app/FinderDialog.h"
#include "finder/app/QtDesktopServices.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  InstallDialogFont();
  QApplication::setWindowIcon(FinderIcon());
  QtDesktopServices services;
  FinderDialog dialog(services, DefaultFinderPaths());
  services.SetOwner(&dialog);
  dialog.exec();
  return 0;
}
