// The desktop operations the viewer relies on: finding and activating windows,
// sending keys, letting events through, the clock, and starting a program.
// The window layer provides them over Qt and the platform; tests replace them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A window of the viewer's own process, or 0 for none.
using WindowHandle = std::uintptr_t;

// GetWindow's relation for a window's first child.
inline constexpr int GW_CHILD = 5;

class WindowAutomation {
 public:
  virtual ~WindowAutomation() = default;

  // The visible top-level window whose class (object name) and title, both
  // CP936 texts, match exactly; 0 when there is none.
  virtual WindowHandle FindWindowA(const std::string& className, const std::string& windowName) = 0;
  // The window receives the keys sent next.
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  // With GW_CHILD: the window's first child window, or 0.
  virtual WindowHandle GetWindow(WindowHandle window, int relation) = 0;
  // Gives a control the keyboard focus.
  virtual void SetFocus(WindowHandle control) = 0;
  // Queues keys (CP936, in the notation of ParseKeys) to the foreground
  // window and returns at once.
  virtual void SendKeys(const std::string& keys) = 0;
  // Handles the window events that are pending.
  virtual void DoEvents() = 0;
  // Blocks until an event arrives or a short while has passed, so that a wait
  // on the clock does not keep a processor busy.
  virtual void IdleBriefly() = 0;
  // The clock in whole seconds. Only differences count, so it may be a clock
  // that never steps back (a wall clock moved back would stretch a wait).
  virtual std::int64_t Now() = 0;
};

// One keystroke of a key string.
struct KeyStroke {
  bool control = false, shift = false, alt = false;
  bool enter = false;  // the Enter key; otherwise text is typed
  std::string text;    // one character (CP936)
};

// The keystrokes of a key string in the notation of the platform's key
// sending: "^", "+" and "%" hold Ctrl, Shift and Alt for the next key; "~"
// and "{enter}" (any letter case) are the Enter key; a character in braces
// ("{^}", "{{}", "{}}") is typed as it is; every other character is typed.
std::vector<KeyStroke> ParseKeys(std::string_view keys);

// The key string that types text exactly: each character that means a key or
// a modifier in the notation goes in braces. A double-byte character is left
// whole, though its second byte may look like one of them.
std::string LiteralKeys(std::string_view text);

class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;
  // Starts program (a CP936 path text or a bare name) with native (UTF-8)
  // arguments, without a shell and without waiting; false when it could not
  // be started.
  virtual bool Start(const std::string& program, const std::vector<std::string>& nativeArguments) = 0;
};

// Starts programs for real. A bare name is taken from the helpers shipped
// with the viewer when a program of that name lies there (the adapter
// editor-at-line), otherwise it is looked up on PATH.
class DetachedProgramStarter : public ProgramStarter {
 public:
  bool Start(const std::string& program, const std::vector<std::string>& nativeArguments) override;
};
