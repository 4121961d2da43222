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

#include "finder/app/logic/DesktopServices.h"
#include "finder/app/logic/FinderController.h"
#include "finder/app/search/FinderTexts.h"
#include "finder/app/logic/MessageRelay.h"
#include "tests/support/Gbk.h"
#include "tests/support/StandInServices.h"

namespace {

// The dialog's event queue for the export's messages; the test thread plays
// the user-interface thread.
class QueuePoster : public NoticePoster {
 public:
  void PostFinderNotify(FinderNotice) override {}
  void PostCall(std::function<void()> call) override {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    posted_.notify_all();
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
