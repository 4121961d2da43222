#include "viewer/ModWebBrowser.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/Files.h"
#include "platform/NativePath.h"

void FindInBrowser(WindowAutomation& api, WindowHandle WebBrowser1, const std::string& strFind) {
  WindowHandle dialog = GetFindDialog(api);
  if (dialog == 0) {
    api.SetFocus(WebBrowser1);
    api.SendKeys("^f");
    for (int tries = 0; tries < 3 && dialog == 0; ++tries) {
      WaitSeconds(api, 1);
      dialog = GetFindDialog(api);
    }
    if (dialog == 0) return;
  }
  api.SetForegroundWindow(dialog);
  api.SetForegroundWindow(api.GetWindow(dialog, GW_CHILD));
  // A character reference of the report can yield any ASCII character
  // ("&#00094;" a caret), and a row can even spell "{enter}": in braces they
  // reach the field as the characters they are.
  api.SendKeys(LiteralKeys(strFind));
  WaitSeconds(api, 2);
  api.SendKeys("{enter}");
}

std::string_view LongestRun(std::string_view rowCharacters) {
  constexpr std::string_view kSeparator = "  ";
  std::string_view longest;
  for (std::size_t start = 0; start <= rowCharacters.size();) {
    const std::size_t end = std::min(rowCharacters.find(kSeparator, start), rowCharacters.size());
    const std::string_view run = platform::TrimSpaces(rowCharacters.substr(start, end - start));
    if (run.size() > longest.size()) longest = run;
    start = end + kSeparator.size();
  }
  return longest;
}

WindowHandle GetFindDialog(WindowAutomation& api) { return api.FindWindowA(kFindDialogClass, kFindDialogTitle); }

void WaitSeconds(WindowAutomation& api, std::int16_t N) {
  const std::int64_t target = api.Now() + N;
  while (api.Now() < target) {
    api.DoEvents();
    api.IdleBriefly();
  }
}

NavigateTarget ResolveNavigateText(std::string_view ansiText) {
  if (ansiText.empty()) return {};
  if (const std::size_t hash = ansiText.rfind('#'); hash != std::string_view::npos && !platform::PathExists(ansiText)) {
    const std::string_view page = ansiText.substr(0, hash);
    if (platform::PathExists(page)) return {platform::ToNative(page), std::string(ansiText.substr(hash + 1))};
  }
  return {platform::ToNative(ansiText), {}};
}
