// One viewer per user: a lock file in the user's runtime folder, and beside
// it a local socket on which the running viewer hears of later starts and
// of the report each was given.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  SingleInstance();
  ~SingleInstance() override;

  // True when no other copy runs; this one then holds the lock until it
  // ends. Needs no application object.
  bool Claim();
  // The copy that holds the lock hears of later starts from now on (needs
  // the application object).
  void Listen();
  // A later start tells the running copy, with the report it was given (an
  // absolute native path; empty for none), waiting a little for the copy
  // when it is still starting; false when it could not be told.
  static bool CallRunningCopy(const QByteArray& report = {});

 signals:
  // Another copy was started, with that report (empty for none), and has ended.
  void startedAgain(const QByteArray& report);

 private:
  QLockFile lock_;
  QLocalServer* server_ = nullptr;
};

// The lock file: Qt's runtime location ($XDG_RUNTIME_DIR, or Qt's private
// per-user fallback when it is unset or unusable), "Tallyview.lock"; the
// socket "Tallyview.socket" lies beside it.
QString SingleInstanceLockPath();
QString SingleInstanceSocketPath();
