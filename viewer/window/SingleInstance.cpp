#include "viewer/window/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <memory>
#include <utility>

namespace {

// A path longer than any the file system takes is no report.
constexpr qsizetype kLongestMessage = 64 * 1024;

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
    while (QLocalSocket* caller = server_->nextPendingConnection()) {
      // The caller writes the report's path, if any, and hangs up: what came
      // before the hang-up is the whole message. A caller that never hangs
      // up is dropped after a while.
      auto message = std::make_shared<QByteArray>();
      const auto finish = [this, caller, message, done = std::make_shared<bool>(false)] {
        if (std::exchange(*done, true)) return;
        message->append(caller->readAll());
        emit startedAgain(message->size() > kLongestMessage ? QByteArray() : *message);
        caller->deleteLater();
      };
      connect(caller, &QLocalSocket::readyRead, this, [caller, message, finish] {
        message->append(caller->readAll());
        if (message->size() > kLongestMessage) finish();
      });
      connect(caller, &QLocalSocket::disconnected, this, finish);
      QTimer::singleShot(5000, caller, finish);
      if (caller->state() == QLocalSocket::UnconnectedState) finish();
    }
  });
}

bool SingleInstance::CallRunningCopy(const QByteArray& report) {
  // The running copy takes the lock before it opens its socket: a start in
  // between waits for the socket, but not long.
  for (int tries = 0; tries < 20; ++tries) {
    QLocalSocket socket;
    socket.connectToServer(SingleInstanceSocketPath());
    if (socket.waitForConnected(1000)) {
      socket.write(report);
      socket.waitForBytesWritten(1000);
      socket.disconnectFromServer();
      if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
      return true;
    }
    QThread::msleep(100);
  }
  return false;
}
