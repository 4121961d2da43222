// Browser module of the viewer: driving the browser's find dialog, and where a
// Navigate2 text leads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "viewer/ModAPI.h"

// The find dialog as the lookup knows it (CP936 texts).
inline constexpr char kFindDialogClass[] = "Internet Explorer_TridentDlgFrame";
inline constexpr char kFindDialogTitle[] = "\xB2\xE9\xD5\xD2";  // "查找"

// Types strFind into the find dialog of the browser WebBrowser1 and presses
// Enter: opens the dialog with Ctrl+F when it is not open (three tries, a
// second apart), types the text as it is, waits two seconds, sends Enter.
// Returns silently when the dialog does not open.
void FindInBrowser(WindowAutomation& api, WindowHandle WebBrowser1, const std::string& strFind);

// What find-box mode types for a row's characters: runs joined by two
// blanks are never one text of the page, so the longest run (the first of
// equal length, in bytes) stands for the line, without blanks around it.
std::string_view LongestRun(std::string_view rowCharacters);

// The open find dialog, or 0.
WindowHandle GetFindDialog(WindowAutomation& api);

// Waits until the clock has passed N whole seconds, letting events through.
void WaitSeconds(WindowAutomation& api, std::int16_t N);

// Where a Navigate2 text leads: the native file and a fragment ("mao_Line12"
// of "c:\~temp.htm#mao_Line12"). A "#" splits off a fragment only when the
// whole text names no file but the part before it does, so a source file
// whose name holds a "#" still opens. The empty text leads nowhere.
struct NavigateTarget {
  std::string nativePath;  // "" for the empty text
  std::string fragment;
};
NavigateTarget ResolveNavigateText(std::string_view ansiText);
