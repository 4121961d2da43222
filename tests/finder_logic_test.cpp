// The dialog's toolkit-free pieces that threads meet in: progress coalescing
// and the export's messages; and the small parsers the dialog relies on.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "finder/app/DesktopServices.h"
#include "finder/app/FinderController.h"
#include "finder/app/FinderTexts.h"
#include "finder/app/MessageRelay.h"
#include "finder/app/ProgressCoalescer.h"
#include "tests/support/Gbk.h"

namespace {

// A queue standing in for the dialog's event queue; the test thread plays
// the user-interface thread.
class QueuePoster : public NoticePoster {
 public:
  void PostFinderNotify(FinderNotice notice) override {
    std::lock_guard<std::mutex> lock(mutex_);
    notices_.push_back(std::move(notice));
    if (static_cast<int>(notices_.size()) > maxQueued) maxQueued = static_cast<int>(notices_.size());
    posted_.notify_all();
  }
  void PostCall(std::function<void()> call) override {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
    posted_.notify_all();
  }
  bool TakeNotice(FinderNotice& notice) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (notices_.empty()) return false;
    notice = std::move(notices_.front());
    notices_.pop_front();
    return true;
  }
  std::function<void()> WaitForCall() {
    std::unique_lock<std::mutex> lock(mutex_);
    posted_.wait(lock, [&] { return !calls_.empty(); });
    auto call = std::move(calls_.front());
    calls_.pop_front();
    return call;
  }
  int maxQueued = 0;

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<FinderNotice> notices_;
  std::deque<std::function<void()>> calls_;
};

class CountingServices : public DesktopServices {
 public:
  MessageAnswer MessageBox(const std::string& text, const std::string&, MessageButtons, MessageIcon icon) override {
    shown.push_back(text);
    icons.push_back(icon);
    return MessageAnswer::Ok;
  }
  bool ChooseFile(const std::string&, std::string&) override { return false; }
  bool ChooseFolder(const std::string&, std::string&) override { return false; }
  bool OpenWithShell(const std::string&) override { return false; }
  std::unique_ptr<WorkerThread> StartThread(std::function<void()> body) override {
    return StartStdThread(std::move(body));
  }
  std::vector<std::string> shown;
  std::vector<MessageIcon> icons;
};

std::string Name(int i) { return "/tree/file" + std::to_string(i) + ".txt"; }

}  // namespace

TEST(ProgressCoalescerTest, FloodKeepsTheQueueShortAndEndsOnTheLastName) {
  QueuePoster poster;
  ProgressCoalescer progress(poster);
  constexpr int kFiles = 20000;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 1; i <= kFiles; ++i) progress.PostProgress(Name(i));
    done = true;
  });
  std::vector<std::string> shown;
  FinderNotice notice;
  for (;;) {
    const bool finished = done.load();
    while (poster.TakeNotice(notice))
      if (auto name = progress.Take(std::move(notice))) shown.push_back(*name);
    if (finished) break;
  }
  worker.join();
  while (poster.TakeNotice(notice))
    if (auto name = progress.Take(std::move(notice))) shown.push_back(*name);

  EXPECT_LE(poster.maxQueued, 8);  // a handful, not one per file
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), Name(kFiles));
  // Never back to an older name.
  for (std::size_t i = 1; i < shown.size(); ++i)
    ASSERT_LT(std::stoi(shown[i - 1].substr(10)), std::stoi(shown[i].substr(10)));
  EXPECT_EQ(progress.Queued(), 0);
}

TEST(MessageRelayTest, WorkerWaitsForTheBoxAndCloseReleasesIt) {
  QueuePoster poster;
  CountingServices services;
  MessageRelay relay(poster, services);
  std::atomic<int> returned{0};
  std::thread worker([&] {
    relay.ShowMessage("first", "Glyphwell", MessageKind::Information);
    ++returned;
    relay.ShowMessage("second", "Glyphwell", MessageKind::Stop);
    ++returned;
    relay.ShowMessage("third", "Glyphwell", MessageKind::Plain);  // after Close: silent
    ++returned;
  });
  auto first = poster.WaitForCall();
  EXPECT_EQ(returned.load(), 0);  // still waiting for the box
  first();
  auto second = poster.WaitForCall();
  EXPECT_EQ(returned.load(), 1);
  relay.Close();  // the dialog ends while the second box is still queued
  worker.join();
  second();  // comes out of the queue after the close: shows nothing
  EXPECT_EQ(returned.load(), 3);
  EXPECT_EQ(services.shown, std::vector<std::string>{"first"});
  EXPECT_EQ(services.icons, std::vector<MessageIcon>{MessageIcon::Information});
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
  EXPECT_EQ(SplitFileFilter(Ansi(texts::kFileFilter)).size(), 2u);

  EXPECT_EQ(AnsiFromUtf16(u"中a€"), Gbk("中a€"));
  EXPECT_EQ(AnsiFromUtf16(u"한\xD800x"), "??x");  // Hangul and a lone surrogate are not in CP936
  EXPECT_EQ(CompletionText(3, 5000000000LL), Gbk("处理结束 共搜索了 3 个文件，发现汉字 5000000000 个。"));
}
