// WM_FINDER_NOTIFY: the worker's notices to the dialog, queued for the
// user-interface thread and handled there in the order they were posted.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

inline constexpr int WM_FINDER_NOTIFY = 1524;
inline constexpr int kNoticeProgress = 0;  // a file is being parsed; path names it
inline constexpr int kNoticeDone = 1;      // the search has ended

struct FinderNotice {
  int wParam = kNoticeProgress;
  std::uint64_t sequence = 0;  // order of the progress notices of a search
  std::string path;            // carried by value: the worker moves on at once
};

// How the worker reaches the user-interface thread. Both calls return at
// once and keep the order of posting between them.
class NoticePoster {
 public:
  virtual ~NoticePoster() = default;
  virtual void PostFinderNotify(FinderNotice notice) = 0;
  // Runs call on the user-interface thread.
  virtual void PostCall(std::function<void()> call) = 0;
};
