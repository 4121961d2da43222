// What the finder dialog needs from the desktop: message boxes, the file and
// folder choosers, the shell's "open" verb and a thread for the search. The
// dialog gets them through this interface so that tests can stand in for
// them; the export's messages reach MessageBox too (see MessageRelay).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Information, Question, Warning, Stop };
enum class MessageAnswer { Ok, Yes, No };

// A started thread; Join waits for its end.
class WorkerThread {
 public:
  virtual ~WorkerThread() = default;
  virtual void Join() = 0;
};

class DesktopServices {
 public:
  virtual ~DesktopServices() = default;

  // A modal box owned by the dialog. Texts are CP936. In a Yes/No box Enter
  // answers Yes and Esc answers No.
  virtual MessageAnswer MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                                   MessageIcon icon) = 0;
  // The open-file chooser with a filter of "description|pattern|...||"
  // pairs. True and the full path (CP936) when the user chose a file.
  virtual bool ChooseFile(const std::string& filter, std::string& path) = 0;
  // The folder chooser, opened at startFolder (a path text; the home folder
  // when it names none); title may start with a line break. True and the
  // folder's path (CP936) when the user chose one.
  virtual bool ChooseFolder(const std::string& title, const std::string& startFolder, std::string& path) = 0;
  // Hands a path text (CP936) to the desktop's "open" verb without waiting.
  // When the desktop cannot open it (no xdg-open, or it fails), failed runs
  // later on the user-interface thread with the file's native name.
  virtual void OpenWithShell(const std::string& path, std::function<void(const std::string& native)> failed) = 0;
  // Closes a Yes/No box that is up (as No), when the question it asks has
  // been overtaken; nothing when none is up.
  virtual void CloseQuestion() = 0;
  // Starts body on a thread of its own; nullptr when no thread could be made.
  virtual std::unique_ptr<WorkerThread> StartThread(std::function<void()> body) = 0;
};

// The parts that need no toolkit, shared by the real services and the tests'.

// The native name of a path text made absolute, as xdg-open is to get it:
// it may hand the name to a program started elsewhere, and a name starting
// with "-" could be taken for an option. Empty when there is none.
std::string NativeNameForShell(const std::string& path);
// A std::thread; nullptr when the system has no thread to give.
std::unique_ptr<WorkerThread> StartStdThread(std::function<void()> body);

// "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*||" as (description, pattern) pairs.
std::vector<std::pair<std::string, std::string>> SplitFileFilter(std::string_view filter);
