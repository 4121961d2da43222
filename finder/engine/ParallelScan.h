// A search with several workers. The walk runs on the search's own thread
// and puts each new file into a bounded window of pending files; workers
// read and extract text files into buffers of their own (PrepareFile); the
// search's thread hands the window's head, in walk order, to the search's
// commit step, which does for it exactly what it does for a file on one
// thread. Documents, skipped types and files whose lines would not fit a
// buffer are read at their turn by that step itself.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "finder/engine/LineScan.h"
#include "finder/engine/ScanSettings.h"

// The search's one commit step, called on the search's own thread: a file
// at its turn (with what a worker read of it, or nullptr when it is to be
// read now; false ends the search), and a folder of the walk that could
// not be listed, at its turn.
struct Commits {
  std::function<bool(const std::string& path, PreparedFile* prepared)> file;
  std::function<void(const std::string& path, int error)> folderProblem;
};

class ParallelScan {
 public:
  ParallelScan(const ScanSettings& settings, const SearchWiring& wiring, Commits commits, int workers);
  ~ParallelScan();
  ParallelScan(const ParallelScan&) = delete;
  ParallelScan& operator=(const ParallelScan&) = delete;

  // A file new to the search takes its place in the window; false once the
  // search has ended (a cancel, or the committer said so).
  bool Add(const std::string& path);
  // The walk's folder problems take their place among the files.
  void AddFolderProblem(const std::string& path, int error);
  // Commits everything still pending, in order.
  void Drain();

 private:
  struct Job;
  void Push(std::shared_ptr<Job> job);
  bool HeadDone();
  void CommitHead();
  void Discard();
  void Work();
  Job* NextToScan();

  const ScanSettings& settings_;
  const SearchWiring& wiring_;
  Commits commits_;
  const std::size_t window_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable workAvailable_, jobDone_;
  std::deque<std::shared_ptr<Job>> pending_;  // in walk order; the front is committed next
  std::size_t nextToScan_ = 0;                // pending_ before this index are taken or not for workers
  bool stopping_ = false;
  bool stopped_ = false;  // the committing thread's own: nothing more is committed
};
