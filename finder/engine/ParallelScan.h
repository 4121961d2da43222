// A search with several workers. The walk runs on the search's own thread
// and puts each new file into a bounded window of pending files; workers
// read and extract text files into buffers of their own (PrepareFile); the
// search's thread hands the window's head, in walk order, to the engine's
// one commit step, which does for it exactly what it does for a file on one
// thread. Documents, skipped types and files whose lines would not fit a
// buffer are read at their turn by that step itself.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "finder/engine/Sinks.h"
#include "platform/FileSearch.h"

class HanziSearcher;

class ParallelScan : public ProblemSink {
 public:
  ParallelScan(HanziSearcher& searcher, int workers);
  ~ParallelScan() override;
  ParallelScan(const ParallelScan&) = delete;
  ParallelScan& operator=(const ParallelScan&) = delete;

  // The walk's callback; userObject is the ParallelScan.
  static void OnFileFound(void* userObject, const std::string& fullPath, const platform::FoundEntry& entry);
  // A file new to the search takes its place in the window.
  void Add(const std::string& path);
  // The walk's folder problems take their place among the files.
  void CannotRead(const std::string& path, ReadProblem problem, int error) override;
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
