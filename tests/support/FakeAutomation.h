// A stand-in for the desktop operations of the find-box driving: a list of
// top-level windows, a clock in milliseconds that only the idle steps move,
// and a log of every operation in order.
#pragma once

#include <string>
#include <vector>

#include "viewer/ModAPI.h"

class FakeAutomation : public WindowAutomation {
 public:
  struct Window {
    std::string className, title;
    WindowHandle handle, child;
  };

  // The window appears once FindWindowA has been asked this many times
  // before (0: it is there from the start).
  void AddWindow(const Window& window, int appearsAfterLookups = 0) {
    windows.push_back({window, appearsAfterLookups});
  }

  WindowHandle FindWindowA(const std::string& className, const std::string& windowName) override {
    const int lookup = lookups++;
    log.push_back("find");
    for (const auto& [window, after] : windows)
      if (lookup >= after && window.className == className && window.title == windowName) return window.handle;
    return 0;
  }
  void SetForegroundWindow(WindowHandle window) override { log.push_back("foreground " + std::to_string(window)); }
  WindowHandle GetWindow(WindowHandle window, int relation) override {
    for (const auto& entry : windows)
      if (entry.first.handle == window && relation == GW_CHILD) return entry.first.child;
    return 0;
  }
  void SetFocus(WindowHandle control) override { log.push_back("focus " + std::to_string(control)); }
  void SendKeys(const std::string& keys) override {
    log.push_back("keys " + keys);
    keyTimes.push_back(milliseconds);
  }
  void DoEvents() override { ++eventPasses; }
  void IdleBriefly() override {
    ++idles;
    milliseconds += 100;
  }
  std::int64_t Now() override { return milliseconds / 1000; }

  std::vector<std::pair<Window, int>> windows;
  std::vector<std::string> log;
  std::vector<long> keyTimes;  // the clock at each SendKeys
  long milliseconds = 500;     // half a second past a whole second
  int lookups = 0, eventPasses = 0, idles = 0;
};
