// A stand-in for the desktop operations of the find-box driving: a find
// dialog that appears after a number of lookups, a clock in milliseconds that
// only the idle steps move, and a log of every operation in order.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include "viewer/ModAPI.h"
#include "viewer/ModWebBrowser.h"

class FakeAutomation : public WindowAutomation {
 public:
  // The find dialog (40, its field 41) is found once FindWindowA has been
  // asked this many times before (0: it is there from the start).
  void AddFindDialog(int appearsAfterLookups = 0, std::string title = kFindDialogTitle) {
    dialogAfter = appearsAfterLookups;
    dialogTitle = std::move(title);
  }

  WindowHandle FindWindowA(const std::string& className, const std::string& windowName) override {
    log.push_back("find");
    return lookups++ >= dialogAfter && className == kFindDialogClass && windowName == dialogTitle ? 40 : 0;
  }
  void SetForegroundWindow(WindowHandle window) override { log.push_back("foreground " + std::to_string(window)); }
  WindowHandle GetWindow(WindowHandle window, int relation) override {
    return window == 40 && relation == GW_CHILD ? 41 : 0;
  }
  void SetFocus(WindowHandle control) override { log.push_back("focus " + std::to_string(control)); }
  void SendKeys(const std::string& keys) override {
    log.push_back("keys " + keys);
    keyTimes.push_back(milliseconds);
    if (keys != "{enter}" && keys != "^f") typed.push_back(keys);
  }
  void DoEvents() override { ++eventPasses; }
  void IdleBriefly() override {
    ++idles;
    milliseconds += 100;
  }
  std::int64_t Now() override { return milliseconds / 1000; }

  int dialogAfter = INT_MAX;
  std::string dialogTitle;
  std::vector<std::string> log, typed;  // typed: the texts, Ctrl+F and Enter left out
  std::vector<long> keyTimes;           // the clock at each SendKeys
  long milliseconds = 500;              // half a second past a whole second
  int lookups = 0, eventPasses = 0, idles = 0;
};
