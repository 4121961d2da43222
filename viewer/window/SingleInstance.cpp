#include "viewer/window/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

// Qt warns on stderr when it falls back from XDG_RUNTIME_DIR; a second copy
// of the viewer must end without a word.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

QString RuntimeFolder() {
  const QtMessageHandler previous = qInstallMessageHandler(Quiet);
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  qInstallMessageHandler(previous);
  return folder;
}

}  // namespace

QString SingleInstanceLockPath() { return RuntimeFolder() + QStringLiteral("/Tallyview.lock"); }

QString SingleInstanceSocketPath() { return RuntimeFolder() + QStringLiteral("/Tallyview.socket"); }

SingleInstance::SingleInstance() : lock_(SingleInstanceLockPath()) {}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

bool SingleInstance::Claim() { return lock_.tryLock(0); }

void SingleInstance::Listen() {
  const QString path = SingleInstanceSocketPath();
  // Whoever made a socket there before has ended: this copy holds the lock.
  QLocalServer::removeServer(path);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Without the socket the viewer still works; later starts then end unheard.
  if (!server_->listen(path)) return;
  connect(server_, &QLocalServer::newConnection, this, [this] {
    // The connection is the whole message.
    while (QLocalSocket* caller = server_->nextPendingConnection()) {
      caller->disconnectFromServer();
      caller->deleteLater();
      emit startedAgain();
    }
  });
}

bool SingleInstance::CallRunningCopy() {
  // The running copy takes the lock before it opens its socket: a start in
  // between waits for the socket, but not long.
  for (int tries = 0; tries < 20; ++tries) {
    QLocalSocket socket;
    socket.connectToServer(SingleInstanceSocketPath());
    if (socket.waitForConnected(1000)) {
      socket.disconnectFromServer();
      return true;
    }
    QThread::msleep(100);
  }
  return false;
}
