// The dialog's toolkit-free pieces: the export's messages, which the worker
// and the user-interface thread meet in, and the small parsers the dialog
// relies on. The coalescing of progress is tried on the dialog itself.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <algorithm>
#include <utility>
#include <vector>

#include "finder/app/logic/DesktopServices.h"
#include "finder/app/logic/FinderController.h"
#include "finder/app/search/FinderTexts.h"
#include "finder/app/logic/MessageRelay.h"
#include "finder/app/logic/ProgressCoalescer.h"
#include "finder/app/logic/SearchJob.h"
#include "tests/support/Gbk.h"
#include "tests/support/StandInServices.h"
#include "tests/support/TempDir.h"

namespace {

// The dialog's event queue for the export's messages; the test thread plays
// the user-interface thread.
class QueuePoster : public NoticePoster {
 public:
  void PostFinderNotify(FinderNotice notice) override {
    std::lock_guard lock(mutex_);
    notices.push_back(std::move(notice));
  }
  void PostCall(std::function<void()> call) override {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    posted_.notify_all();
  }
  std::vector<FinderNotice> TakeNotices() {
    std::lock_guard lock(mutex_);
    return std::exchange(notices, {});
  }
  std::function<void()> WaitForCall() {
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [&] { return !calls_.empty(); });
    auto call = std::move(calls_.front());
    calls_.pop_front();
    return call;
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> calls_;
  std::vector<FinderNotice> notices;
};

// The dialog as the search job sees it: fields to search with, two texts.
class JobHost : public SearchJobHost {
 public:
  const FinderFields& ReadFieldsForSearch() override { return fields; }
  void ShowStatus(const std::string& text) override { shown.push_back(status = text); }
  void SetSearchButtonText(const std::string& text) override { button = text; }
  FinderFields fields;
  std::string status, button;
  std::vector<std::string> shown;
};

}  // namespace

TEST(MessageRelayTest, WorkerWaitsForTheBoxAndCloseReleasesIt) {
  QueuePoster poster;
  StandInServices services;
  MessageRelay relay(poster, services);
  std::atomic<int> returned{0};
  std::thread worker([&] {
    for (MessageKind kind : {MessageKind::Information, MessageKind::Stop, MessageKind::Plain}) {
      relay.ShowMessage("box", "Glyphwell", kind);
      ++returned;
    }
  });
  auto first = poster.WaitForCall();
  EXPECT_EQ(returned.load(), 0);  // still waiting for the box
  first();
  auto second = poster.WaitForCall();
  EXPECT_EQ(returned.load(), 1);
  relay.Close();  // the dialog ends while the second box is still queued; the third is silent
  worker.join();
  second();  // comes out of the queue after the close: shows nothing
  EXPECT_EQ(returned.load(), 3);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].icon, MessageIcon::Information);
}

TEST(FinderParsersTest, IntegerFieldFilterAndTypedText) {
  int value = 7;
  EXPECT_TRUE(ParseIntegerField(" -42 ", value));
  EXPECT_EQ(value, -42);
  EXPECT_TRUE(ParseIntegerField("+2147483647", value));
  EXPECT_EQ(value, 2147483647);
  for (const char* bad : {"", " ", "-", "12x", "1 2", "3.0", "2147483648", "99999999999999999999"}) {
    value = 7;
    EXPECT_FALSE(ParseIntegerField(bad, value)) << bad;
    EXPECT_EQ(value, 7) << bad;
  }

  EXPECT_EQ(SplitFileFilter("a(*.txt)|*.txt|b|*.*||"),
            (std::vector<std::pair<std::string, std::string>>{{"a(*.txt)", "*.txt"}, {"b", "*.*"}}));
  // 0x7C ("|") as the second byte of a double-byte character does not split.
  EXPECT_EQ(SplitFileFilter("\x81\x7C|*.x||"), (std::vector<std::pair<std::string, std::string>>{{"\x81\x7C", "*.x"}}));

  EXPECT_EQ(CompletionText(3, 5000000000LL), Gbk("处理结束 共搜索了 3 个文件，发现汉字 5000000000 个。"));
}

// A flood of files, while the user-interface thread is busy elsewhere,
// leaves a few notices queued and the last file's name shown before the
// completion. A cancel answered Yes leaves the worker to end by itself
// (Draining), and only its completion notice brings the job back to Idle.
TEST(SearchJobTest, AFloodQueuesAFewNoticesAndACancelDrains) {
  TempDir dir;
  for (int i = 0; i < 500; ++i) dir.Write("flood/f" + std::to_string(1000 + i) + ".txt", Gbk("字\n"));
  JobHost host;
  host.fields.Path = dir / "flood";
  host.fields.strLogFile = dir / "report.txt";
  StandInServices services;
  QueuePoster poster;
  SearchJob job(host, services, poster, dir / "book.xls");
  job.Searcher().Wiring().summaryExport = nullptr;
  job.OnSearch();
  while (services.workerDone == false) std::this_thread::yield();
  std::vector<FinderNotice> queued = poster.TakeNotices();
  EXPECT_LE(queued.size(), ProgressCoalescer::kMaxQueued + 1u);  // and the completion
  for (FinderNotice& notice : queued) job.OnFinderNotify(std::move(notice));
  ASSERT_GE(host.shown.size(), 2u);
  EXPECT_EQ(host.shown.end()[-2], Gbk("正在解析文件 ") + dir / "flood/f1499.txt");
  EXPECT_EQ(host.status, CompletionText(500, 1000));

  host.fields.Path = dir.MakeDir("empty");
  job.OnSearch();
  ASSERT_EQ(job.State(), SearchState::Running);
  EXPECT_EQ(host.button, Gbk("取消(&C)"));
  job.OnSearch();  // "是否取消搜索?" answered Yes
  EXPECT_EQ(job.State(), SearchState::Draining);
  EXPECT_EQ(host.button, Gbk("搜索(&S)"));
  EXPECT_EQ(host.status, Gbk("正在关闭工作者线程，请稍后... "));
  while (services.workerDone == false) std::this_thread::yield();
  for (FinderNotice& notice : poster.TakeNotices()) job.OnFinderNotify(std::move(notice));
  EXPECT_EQ(job.State(), SearchState::Idle);
  EXPECT_EQ(host.status, CompletionText(0, 0));
}

// However many names the worker posts, a few notices wait, and the last
// name shown is the last file's.
TEST(ProgressCoalescerTest, AFloodShowsTheLastName) {
  QueuePoster poster;
  ProgressCoalescer progress(poster);
  std::vector<std::string> shown;
  for (int i = 0; i < 1000; ++i) {
    progress.PostProgress("f" + std::to_string(i));
    if (i % 300 == 0)  // the user-interface thread gets round to the queue now and then
      for (FinderNotice& notice : poster.TakeNotices())
        if (auto name = progress.Take(std::move(notice))) shown.push_back(*name);
  }
  const std::vector<FinderNotice> queued = poster.TakeNotices();
  EXPECT_LE(queued.size(), static_cast<std::size_t>(ProgressCoalescer::kMaxQueued));
  for (const FinderNotice& notice : queued)
    if (auto name = progress.Take(notice)) shown.push_back(*name);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "f999");
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end(), [](const std::string& a, const std::string& b) {
    return std::stoi(a.substr(1)) < std::stoi(b.substr(1));
  }));
}
