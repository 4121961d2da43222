// The engine's progress sink on the worker side of the dialog. A notice is
// posted for every file while only a few wait in the queue; past that the
// newest name is held back and shown by the next notice handled, so a tree
// of many small files cannot flood the event queue, the worker never waits
// for the dialog, and the last name shown is the last file's.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "finder/app/logic/FinderNotice.h"
#include "finder/engine/Sinks.h"

class ProgressCoalescer : public ProgressSink {
 public:
  static constexpr int kMaxQueued = 4;

  explicit ProgressCoalescer(NoticePoster& poster) : poster_(poster) {}

  // Worker thread.
  void PostProgress(std::string path) override;

  // User-interface thread, for each progress notice handled: the name to
  // show, or nothing when a newer name has already been shown.
  std::optional<std::string> Take(FinderNotice notice);
  // Before a new worker starts.
  void Reset();
  int Queued() const;

 private:
  NoticePoster& poster_;
  mutable std::mutex mutex_;
  std::uint64_t sequence_ = 0;
  std::uint64_t shown_ = 0;
  int queued_ = 0;
  std::optional<FinderNotice> held_;
};
