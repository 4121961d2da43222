// The desktop services of the real dialog: Qt message boxes and choosers,
// xdg-open for the shell's "open" verb, a std::thread for the search.
#pragma once

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
  bool ChooseFolder(const std::string& title, std::string& path) override;
  bool OpenWithShell(const std::string& path) override { return OpenWithXdg(path); }
  std::unique_ptr<WorkerThread> StartThread(std::function<void()> body) override {
    return StartStdThread(std::move(body));
  }

 private:
  QPointer<QWidget> owner_;
};
