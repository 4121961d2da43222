#include "viewer/window/SingleInstance.h"

#include <QStandardPaths>

namespace {

// Qt warns on stderr when it falls back from XDG_RUNTIME_DIR; a second copy
// of the viewer must end without a word.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

QString SingleInstanceLockPath() {
  const QtMessageHandler previous = qInstallMessageHandler(Quiet);
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  qInstallMessageHandler(previous);
  return folder + QStringLiteral("/Tallyview.lock");
}
