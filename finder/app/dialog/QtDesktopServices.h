// The desktop services of the real dialog: Qt message boxes and choosers,
// xdg-open for the shell's "open" verb, a std::thread for the search.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "finder/app/logic/DesktopServices.h"

class QtDesktopServices : public DesktopServices {
 public:
  // Boxes and choosers are owned by owner (the dialog).
  void SetOwner(QWidget* owner) { owner_ = owner; }

  MessageAnswer MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                           MessageIcon icon) override;
  bool ChooseFile(const std::string& filter, std::string& path) override;
  bool ChooseFolder(const std::string& title, const std::string& startFolder, std::string& path) override;
  // xdg-open, found on PATH, watched until it ends.
  void OpenWithShell(const std::string& path, std::function<void(const std::string& native)> failed) override;
  void CloseQuestion() override;
  std::unique_ptr<WorkerThread> StartThread(std::function<void()> body) override {
    return StartStdThread(std::move(body));
  }

 private:
  QPointer<QWidget> owner_;
  QPointer<QMessageBox> question_;  // the Yes/No box that is up
};
