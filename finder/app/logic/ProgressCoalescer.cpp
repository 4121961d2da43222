#include "finder/app/logic/ProgressCoalescer.h"

#include <utility>

void ProgressCoalescer::PostProgress(std::string path) {
  FinderNotice notice{kNoticeProgress, 0, std::move(path)};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    notice.sequence = ++sequence_;
    if (queued_ >= kMaxQueued) {
      held_ = std::move(notice);
      return;
    }
    ++queued_;
  }
  // Only the worker posts, so notices still arrive in sequence order.
  poster_.PostFinderNotify(std::move(notice));
}

std::optional<std::string> ProgressCoalescer::Take(FinderNotice notice) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queued_ > 0) --queued_;
  // A held name is newer than every notice still queued when it was held.
  if (held_ && held_->sequence > notice.sequence) {
    notice = std::move(*held_);
    held_.reset();
  }
  if (notice.sequence <= shown_) return std::nullopt;
  shown_ = notice.sequence;
  return std::move(notice.path);
}

void ProgressCoalescer::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_ = 0;
  held_.reset();
  shown_ = sequence_;
}

int ProgressCoalescer::Queued() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queued_;
}
