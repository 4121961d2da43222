#include "platform/BoundedWait.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <algorithm>
#include <thread>

namespace platform {

namespace {

int StatusOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// The status once the process has ended within limit; empty while it runs.
// A pid that is not a child of ours counts as ended, with status -1.
std::optional<int> PollUntil(pid_t pid, std::chrono::steady_clock::time_point deadline) {
  // Short polls at first: a converter usually ends within milliseconds.
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    int status = 0;
    const pid_t rc = waitpid(pid, &status, WNOHANG);
    if (rc == pid) return StatusOf(status);
    if (rc < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(pause);
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
  }
}

}  // namespace

std::optional<int> WaitProcessFor(int pid, std::chrono::milliseconds limit) {
  if (pid <= 0) return -1;
  const auto child = static_cast<pid_t>(pid);
  if (const auto status = PollUntil(child, std::chrono::steady_clock::now() + limit)) return status;
  kill(child, SIGTERM);
  if (!PollUntil(child, std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
    kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  return std::nullopt;
}

}  // namespace platform
