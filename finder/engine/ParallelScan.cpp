#include "finder/engine/ParallelScan.h"

#include "platform/FileKinds.h"

namespace {

// Files in the window for each worker: enough that a large file at the head
// does not leave the other workers idle behind it.
constexpr int kWindowPerWorker = 64;
// What prepared files may hold between them while they wait for their turn;
// past it, workers take only the window's head.
constexpr std::size_t kHeldBudget = 8u << 20;

// About what a prepared file holds in memory.
std::size_t HeldBytes(const PreparedFile& prepared) {
  std::size_t bytes = prepared.lines.size();
  bytes += prepared.runs.size() * sizeof(CharacterRun) + prepared.texts.size();
  return bytes;
}

}  // namespace

struct ParallelScan::Job {
  enum class Kind { Prepare, AtItsTurn, FolderProblem };
  Kind kind = Kind::Prepare;
  std::string path;
  int folderError = 0;
  bool done = false;          // under the mutex
  std::size_t heldBytes = 0;  // under the mutex: what it counts against the budget
  PreparedFile prepared;
};

ParallelScan::ParallelScan(const ScanSettings& settings, const SearchWiring& wiring, Commits commits, int workers)
    : settings_(settings),
      wiring_(wiring),
      commits_(std::move(commits)),
      window_(static_cast<std::size_t>(kWindowPerWorker * workers)) {
  // The search's own thread reads too while it waits for the head, so one
  // thread fewer is started: as many read as were asked for, and none
  // waits for a core.
  for (int i = 1; i < workers; ++i) threads_.emplace_back([this] { Work(); });
}

ParallelScan::~ParallelScan() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  workAvailable_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

bool ParallelScan::Add(const std::string& path) {
  if (stopped_) return false;
  auto job = std::make_shared<Job>();
  job->path = path;
  // Only text files are prepared: a document goes through the one
  // converter output, a skipped type has nothing to read.
  if (platform::ClassifyByExtension(path) != platform::FileKind::Text) job->kind = Job::Kind::AtItsTurn;
  Push(std::move(job));
  return !stopped_;
}

void ParallelScan::AddFolderProblem(const std::string& path, int error) {
  if (stopped_) return;
  auto job = std::make_shared<Job>();
  job->kind = Job::Kind::FolderProblem;
  job->path = path;
  job->folderError = error;
  Push(std::move(job));
}

void ParallelScan::Drain() {
  while (!pending_.empty() && !stopped_) CommitHead();
  Discard();
}

void ParallelScan::Push(std::shared_ptr<Job> job) {
  if (job->kind != Job::Kind::Prepare) job->done = true;
  {
    const std::lock_guard lock(mutex_);
    pending_.push_back(std::move(job));
  }
  workAvailable_.notify_one();
  // What is done at the head goes out now; a full window waits for it.
  while (!pending_.empty() && !stopped_ && (pending_.size() >= window_ || HeadDone())) CommitHead();
  if (stopped_) Discard();
}

bool ParallelScan::HeadDone() {
  const std::lock_guard lock(mutex_);
  return pending_.front()->done;
}

void ParallelScan::CommitHead() {
  std::shared_ptr<Job> job;
  {
    std::unique_lock lock(mutex_);
    // While the head is being read, the search's own thread reads the next
    // file no one has taken rather than wait.
    while (!pending_.front()->done) {
      if (NextToScan() == nullptr || (heldBytes_ >= kHeldBudget && nextToScan_ != 0)) {
        jobDone_.wait(lock);
        continue;
      }
      Job* next = pending_[nextToScan_++].get();
      lock.unlock();
      PrepareFile(settings_, wiring_, next->path, reader_, chars_, next->prepared);
      const std::size_t held = HeldBytes(next->prepared);
      lock.lock();
      next->done = true;
      next->heldBytes = held;
      heldBytes_ += held;
    }
    job = std::move(pending_.front());
    pending_.pop_front();
    if (nextToScan_ > 0) --nextToScan_;
    heldBytes_ -= job->heldBytes;
  }
  // Room in the budget again, or a new head that may be taken past it.
  workAvailable_.notify_all();
  if (wiring_.IsCancelled()) {
    // The walk would not have reached this file.
    stopped_ = true;
    return;
  }
  switch (job->kind) {
    case Job::Kind::FolderProblem:
      commits_.folderProblem(job->path, job->folderError);
      break;
    case Job::Kind::AtItsTurn:
      if (!commits_.file(job->path, nullptr)) stopped_ = true;
      break;
    case Job::Kind::Prepare:
      // A cancel at the file's progress notice ends the search there.
      if (!commits_.file(job->path, &job->prepared) || wiring_.IsCancelled()) stopped_ = true;
      break;
  }
}

// After a cancel or a stop nothing more is committed; the workers let go of
// the rest.
void ParallelScan::Discard() {
  const std::lock_guard lock(mutex_);
  stopped_ = true;
  pending_.clear();
  nextToScan_ = 0;
  heldBytes_ = 0;
}

void ParallelScan::Work() {
  platform::LineReader reader;
  std::string chars;
  for (;;) {
    std::shared_ptr<Job> job;  // shared, so that a discarded window cannot free it under the worker
    {
      std::unique_lock lock(mutex_);
      // Past the budget only the head is taken, which the commit waits for.
      workAvailable_.wait(lock, [&] {
        return stopping_ || (NextToScan() != nullptr && (heldBytes_ < kHeldBudget || nextToScan_ == 0));
      });
      if (stopping_) return;
      job = pending_[nextToScan_++];
    }
    PrepareFile(settings_, wiring_, job->path, reader, chars, job->prepared);
    const std::size_t held = HeldBytes(job->prepared);
    {
      const std::lock_guard lock(mutex_);
      job->done = true;
      job->heldBytes = held;
      heldBytes_ += held;
    }
    jobDone_.notify_all();
  }
}

// The first pending file no worker has taken, at nextToScan_; the mutex is held.
ParallelScan::Job* ParallelScan::NextToScan() {
  for (; nextToScan_ < pending_.size(); ++nextToScan_)
    if (pending_[nextToScan_]->kind == Job::Kind::Prepare) return pending_[nextToScan_].get();
  return nullptr;
}
