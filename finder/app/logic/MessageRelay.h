// The export's messages, raised on the worker, shown by the user-interface
// thread: the worker waits until the user has closed the box, so the
// completion notice still comes after it. Once the dialog closes, the relay
// stays silent and lets a waiting worker go on, so that closing never waits
// for a box nobody can answer.
#pragma once

#include <memory>
#include <string>

#include "finder/app/logic/DesktopServices.h"
#include "finder/app/logic/FinderNotice.h"
#include "finder/engine/Sinks.h"

class MessageRelay : public MessageSink {
 public:
  MessageRelay(NoticePoster& poster, DesktopServices& services);
  ~MessageRelay() override;

  // Worker thread only: the user-interface thread would wait for itself.
  void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) override;
  // User-interface thread: no further box is shown, a waiting worker returns.
  void Close();

 private:
  struct State;
  NoticePoster& poster_;
  DesktopServices& services_;
  // Shared with the posted calls, which may outlive the relay in the queue.
  std::shared_ptr<State> state_;
};
