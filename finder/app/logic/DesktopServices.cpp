#include "finder/app/logic/DesktopServices.h"

#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/NativePath.h"

namespace {

class StdWorkerThread : public WorkerThread {
 public:
  explicit StdWorkerThread(std::thread thread) : thread_(std::move(thread)) {}
  ~StdWorkerThread() override { Join(); }
  void Join() override {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace

std::string NativeNameForShell(const std::string& path) {
  if (path.empty()) return {};
  std::string native = platform::ToNative(path);
  if (native.front() != '/') {
    std::error_code error;
    native = std::filesystem::absolute(native, error).string();
    if (error) return {};
  }
  return native;
}

std::unique_ptr<WorkerThread> StartStdThread(std::function<void()> body) {
  try {
    return std::make_unique<StdWorkerThread>(std::thread(std::move(body)));
  } catch (const std::system_error&) {
    return nullptr;
  }
}

std::vector<std::pair<std::string, std::string>> SplitFileFilter(std::string_view filter) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i <= filter.size()) {
    const unsigned char c = i < filter.size() ? static_cast<unsigned char>(filter[i]) : '|';
    if (c >= 0x81 && c <= 0xFE && i + 1 < filter.size()) {
      i += 2;  // a double-byte character: its second byte may be "|"
      continue;
    }
    if (c == '|') {
      // The empty part of the closing "||" ends the list.
      if (i == start) break;
      parts.push_back(filter.substr(start, i - start));
      start = i + 1;
    }
    ++i;
  }
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
  return pairs;
}
