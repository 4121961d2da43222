// The finder dialog's desktop services for tests and the dialog's bench: boxes
// are recorded and answered at once (Yes, or No once when asked to decline),
// choosers give a set choice, the shell records what it was asked to open
// and can be made to fail, threads are real.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "finder/app/logic/DesktopServices.h"

class StandInServices : public DesktopServices {
 public:
  struct Box {
    std::string text, caption;
    MessageButtons buttons;
    MessageIcon icon;
    std::string status;  // what statusNow said while the box was up
  };

  MessageAnswer MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                           MessageIcon icon) override {
    boxes.push_back({text, caption, buttons, icon, statusNow ? statusNow() : std::string()});
    if (onBox) onBox(boxes.back());
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return std::exchange(declineNext, false) ? MessageAnswer::No : MessageAnswer::Yes;
  }
  bool ChooseFile(const std::string&, std::string& path) override {
    if (choice) path = *choice;
    return choice.has_value();
  }
  bool ChooseFolder(const std::string& title, const std::string& startFolder, std::string& path) override {
    startFolders.push_back(startFolder);
    return ChooseFile(title, path);
  }
  void OpenWithShell(const std::string& path, std::function<void(const std::string&)> failed) override {
    opened.push_back(path);
    if (openFails && failed) failed("/native/" + path);
  }
  void CloseQuestion() override { ++questionsClosed; }
  std::unique_ptr<WorkerThread> StartThread(std::function<void()> body) override {
    ++threads;
    if (noThreads) return nullptr;
    workerDone = false;
    return StartStdThread([this, body = std::move(body)] {
      body();
      workerDone = true;
    });
  }

  std::vector<Box> boxes;
  std::function<std::string()> statusNow;
  std::function<void(const Box&)> onBox;
  bool declineNext = false;  // the next question is answered No, all others Yes
  std::optional<std::string> choice;
  std::vector<std::string> startFolders;
  std::vector<std::string> opened;
  bool openFails = false;
  int questionsClosed = 0;
  int threads = 0;
  bool noThreads = false;  // the system has no thread to give
  std::atomic<bool> workerDone{false};
};
