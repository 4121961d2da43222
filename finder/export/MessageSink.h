// Messages that the finder shows the user: message boxes in the dialog,
// lines on stderr in the terminal front end. Texts and captions are CP936.
#pragma once

#include <string>

enum class MessageKind { Plain, Information, Stop };

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) = 0;
};
