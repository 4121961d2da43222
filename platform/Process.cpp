#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <thread>

#include "platform/CodePage.h"
#include "platform/NativePath.h"

extern char** environ;

namespace platform {

std::vector<std::string> SplitAtBlanks(std::string_view text) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t blank = text.find(' ', start);
    const std::size_t stop = blank == std::string_view::npos ? text.size() : blank;
    if (stop > start) words.emplace_back(text.substr(start, stop - start));
    start = stop + 1;
  }
  return words;
}

namespace {

// Starts the program at path with argv[0] = path and the given native words.
// A bare name is looked up on PATH when searchPath is set; ownGroup makes it
// lead a process group of its own.
int Spawn(const std::string& path, std::vector<std::string> words, bool searchPath, bool ownGroup) {
  words.insert(words.begin(), path);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return -1;
  }
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  // The caller may run with signals blocked (a worker thread) or SIGPIPE
  // ignored; the child starts clean either way.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (ownGroup) {
    posix_spawnattr_setpgroup(&attributes, 0);
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attributes, flags);

  pid_t pid = -1;
  // glibc reports a failed exec here rather than as an exit status of 127.
  const int rc = searchPath ? posix_spawnp(&pid, path.c_str(), &actions, &attributes, argv.data(), environ)
                            : posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? static_cast<int>(pid) : -1;
}

}  // namespace

int StartProcess(std::string_view program, std::string_view argumentText) {
  std::vector<std::string> words;
  for (const std::string& word : SplitAtBlanks(argumentText)) words.push_back(AnsiToUtf8OrRaw(word));
  return Spawn(ToNative(program), std::move(words), false, true);
}

bool StartDetached(std::string_view program, const std::vector<std::string>& nativeArguments) {
  if (program.empty()) return false;
  const bool bareName = program.find('/') == std::string_view::npos && !IsDrivePath(program);
  const int pid = Spawn(bareName ? AnsiToUtf8OrRaw(program) : ToNative(program), nativeArguments, bareName, false);
  if (pid < 0) return false;
  std::thread([pid] { WaitProcess(pid); }).detach();
  return true;
}

int ProcessorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? count : 1;
}

int WaitProcess(int pid) {
  if (pid <= 0) return -1;
  int status = 0;
  pid_t rc;
  do {
    rc = waitpid(static_cast<pid_t>(pid), &status, 0);
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

namespace {

// The exit status of a reaped process, or 0 (and reaped false) while it runs.
int Reap(int pid, bool& reaped) {
  int status = 0;
  pid_t rc;
  do {
    rc = waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
  } while (rc < 0 && errno == EINTR);
  reaped = rc != 0;
  if (rc < 0) return -1;
  if (rc == 0) return 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int WaitProcessWhile(int pid, const std::function<bool()>& keepWaiting, std::chrono::milliseconds grace,
                     bool& ended) {
  ended = false;
  if (pid <= 0) return -1;
  using Clock = std::chrono::steady_clock;
  // Short naps at first: most conversions end within milliseconds.
  auto nap = std::chrono::milliseconds(1);
  for (;;) {
    bool reaped = false;
    const int status = Reap(pid, reaped);
    if (reaped) return status;
    if (!keepWaiting()) break;
    std::this_thread::sleep_for(nap);
    nap = std::min(nap * 2, std::chrono::milliseconds(20));
  }
  ended = true;
  kill(-static_cast<pid_t>(pid), SIGTERM);
  kill(static_cast<pid_t>(pid), SIGTERM);
  const auto deadline = Clock::now() + grace;
  while (Clock::now() < deadline) {
    bool reaped = false;
    const int status = Reap(pid, reaped);
    if (reaped) {
      kill(-static_cast<pid_t>(pid), SIGKILL);  // what it started and left behind
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(-static_cast<pid_t>(pid), SIGKILL);
  kill(static_cast<pid_t>(pid), SIGKILL);
  return WaitProcess(pid);
}

}  // namespace platform
