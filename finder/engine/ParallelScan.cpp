// A directory search with several workers. The walk runs on the search's own
// thread and puts each new file into a bounded window of pending files;
// workers read and extract them into buffers of their own; the search's
// thread commits the window's head in walk order: progress, counters, report
// lines, rows and problems, exactly as a search on one thread would make
// them. Documents (converted one at a time through c:\~tmp.txt), skipped
// types and files whose lines would not fit a buffer are scanned at their
// turn by the committing thread itself.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "finder/engine/DirectoryWalker.h"
#include "finder/engine/HanziSearcher.h"
#include "finder/engine/LineScan.h"

namespace {

// Lines a worker may collect for one file; a file with more is scanned at
// its turn instead, so memory stays bounded by the window.
constexpr std::size_t kMostBufferedLines = 1 << 20;

struct Problem {
  ReadProblem problem;
  int error;
};

struct Job {
  enum class Kind { Scan, InOrder, FolderProblem };
  Kind kind = Kind::Scan;
  std::string path;
  // Filled by the worker.
  bool done = false;
  bool tooLarge = false;  // the lines did not fit: scanned at its turn
  bool heldByWriter = false;
  platform::FileIdentity identity;
  std::string lines;
  LineScan scan;
  std::vector<Problem> problems;
};

// Hit lines into the job's buffer, the header before the first.
struct BufferHits {
  Job& job;
  void Hit(std::int64_t lineNumber, std::string_view chars) {
    // Checked before the copy, so that a huge line is never held twice.
    if (job.lines.size() + chars.size() > kMostBufferedLines) throw BufferFull{};
    if (job.lines.empty()) AppendHeaderLine(job.lines, job.path);
    AppendHitLine(job.lines, lineNumber, chars);
  }
  struct BufferFull {};
};

}  // namespace

class ParallelScan : public ProblemSink {
 public:
  ParallelScan(HanziSearcher& searcher, int workers) : searcher_(searcher), window_(static_cast<std::size_t>(4 * workers)) {
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
  }

  ~ParallelScan() override {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  static void OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry&) {
    static_cast<ParallelScan*>(userObject)->Add(fullPath);
  }

  // The walk's folder problems take their place among the files.
  void CannotRead(const std::string& path, ReadProblem, int error) override {
    auto job = std::make_shared<Job>();
    job->kind = Job::Kind::FolderProblem;
    job->path = path;
    job->problems.push_back({ReadProblem::Folder, error});
    Push(std::move(job));
  }

  // Commits everything still pending, in order.
  void Drain() {
    while (!pending_.empty() && !stopped_) CommitHead(true);
    Discard();
  }

 private:
  void Add(const std::string& path) {
    if (stopped_ || !searcher_.processedPaths_.insert(path).second) return;
    auto job = std::make_shared<Job>();
    job->path = path;
    std::string extension = GetExtension(path);
    ToUpper(extension);
    if (extension == ".DOC" || extension == ".XLS") job->kind = Job::Kind::InOrder;
    Push(std::move(job));
  }

  void Push(std::shared_ptr<Job> job) {
    if (job->kind != Job::Kind::Scan) job->done = true;
    {
      const std::lock_guard lock(mutex_);
      pending_.push_back(std::move(job));
    }
    workAvailable_.notify_one();
    // What is done at the head goes out now; a full window waits for it.
    while (!pending_.empty() && !stopped_ && (pending_.size() >= window_ || HeadDone())) CommitHead(true);
    if (stopped_) Discard();
  }

  bool HeadDone() {
    const std::lock_guard lock(mutex_);
    return pending_.front()->done;
  }

  void CommitHead(bool wait) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      if (wait) jobDone_.wait(lock, [&] { return pending_.front()->done; });
      job = std::move(pending_.front());
      pending_.pop_front();
      if (nextToScan_ > 0) --nextToScan_;
    }
    Commit(*job);
  }

  // The same steps, in the same order, as a search on one thread.
  void Commit(Job& job) {
    HanziSearcher& s = searcher_;
    if (s.settings_.IsCancelled()) {
      // The walk would not have reached this file.
      stopped_ = true;
      return;
    }
    if (job.kind == Job::Kind::FolderProblem) {
      s.Tell(job.path, ReadProblem::Folder, job.problems.front().error);
      return;
    }
    if (job.kind == Job::Kind::InOrder || job.tooLarge) {
      s.ScanNewFile(job.path);
      return;
    }
    if (s.settings_.notifyWindow) s.settings_.notifyWindow->PostProgress(job.path);
    ++s.fileCount;
    LineScan scan;
    if (s.settings_.IsCancelled()) {
      // A cancel at the progress notice meets the file's first line.
      stopped_ = true;
    } else if (job.heldByWriter && s.report_.IsReport(job.identity)) {
      // This search's own report: unreadable while written, and not worth a word.
    } else {
      for (const Problem& problem : job.problems) s.Tell(job.path, problem.problem, problem.error);
      scan = std::move(job.scan);
      try {
        s.report_.WriteLines(job.lines);
        s.report_.Flush();
      } catch (const ReportWriteError&) {
        // A full disk ends the file's lines; its row is still recorded.
      }
    }
    s.charCount += scan.count;
    s.results_.AddRow(job.path, scan.firstChars, scan.count);
  }

  // After a cancel nothing more is committed; the workers let go of the rest.
  void Discard() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    pending_.clear();
    nextToScan_ = 0;
  }

  void Work() {
    platform::LineReader reader;
    std::string chars;
    for (;;) {
      std::shared_ptr<Job> job;  // shared, so that a discarded window cannot free it under the worker
      {
        std::unique_lock lock(mutex_);
        workAvailable_.wait(lock, [&] { return stopping_ || NextToScan() != nullptr; });
        if (stopping_) return;
        job = pending_[nextToScan_++];
      }
      Scan(*job, reader, chars);
      {
        const std::lock_guard lock(mutex_);
        job->done = true;
      }
      jobDone_.notify_all();
    }
  }

  // The first pending file no worker has taken, at nextToScan_; the mutex
  // is held.
  Job* NextToScan() {
    for (; nextToScan_ < pending_.size(); ++nextToScan_)
      if (pending_[nextToScan_]->kind == Job::Kind::Scan) return pending_[nextToScan_].get();
    return nullptr;
  }

  void Scan(Job& job, platform::LineReader& reader, std::string& chars) {
    const ScanSettings& settings = searcher_.settings_;
    try {
      if (!reader.Open(job.path)) {
        job.problems.push_back({ReadProblem::File, reader.LastError()});
        return;
      }
      // A report being written reads as a file that cannot be opened; the
      // committer tells this search's own from another's.
      if (platform::IsLockedByWriter(reader.Descriptor())) {
        job.heldByWriter = true;
        platform::GetIdentity(reader.Descriptor(), job.identity);
        job.problems.push_back({ReadProblem::File, EBUSY});
        reader.Close();
        return;
      }
      const bool tagApplies = !settings.strStartTag.empty() && settings.ContainsStartTag(job.path, settings.strStartTag);
      BufferHits hits{job};
      ScanLines(settings, reader, tagApplies, chars, hits, job.scan);
      if (reader.LastError() != 0) job.problems.push_back({ReadProblem::NotWhole, reader.LastError()});
    } catch (const BufferHits::BufferFull&) {
      job.tooLarge = true;
    } catch (const std::bad_alloc&) {
      job.problems.push_back({ReadProblem::NotWhole, ENOMEM});
      std::string().swap(chars);
    }
    ReleaseLongLineChars(chars);
    if (job.tooLarge) {
      std::string().swap(job.lines);
      job.scan = LineScan();
      job.problems.clear();
    }
    reader.Close();
  }

  HanziSearcher& searcher_;
  const std::size_t window_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable workAvailable_, jobDone_;
  std::deque<std::shared_ptr<Job>> pending_;  // in walk order; the front is committed next
  std::size_t nextToScan_ = 0;                // pending_ before this index are taken or not for workers
  bool stopping_ = false;
  bool stopped_ = false;  // the committing thread's own: nothing more is committed
};

void HanziSearcher::ParallelWalk(const std::string& directory, bool includeSubdirectories, const std::string& patterns) {
  ParallelScan scan(*this, workers_);
  DirectoryWalker walker(settings_.runningFlag, &ParallelScan::OnFileFound, &scan);
  walker.SetProblemSink(&scan);
  walker.Walk(directory, includeSubdirectories, patterns);
  scan.Drain();
}
