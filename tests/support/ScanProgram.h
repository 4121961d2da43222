// Runs the terminal front end as a user would, from a copy of its own beside
// which its workbook (and a converter, when a test puts one there) lies.
// GLYPHWELL_SCAN names the built program.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/TempDir.h"

extern char** environ;

struct Outcome {
  int status;
  std::string out, err;
  long peakKilobytes = 0;  // the program's largest resident set
};

class ScanProgram : public ::testing::Test {
 protected:
  ScanProgram() : drives_(dir_.Path()), program_(dir_ / "bin/glyphwell-scan") {
    std::filesystem::create_directories(dir_ / "bin");
    std::filesystem::copy_file(GLYPHWELL_SCAN, program_);
  }

  Outcome Run(std::vector<std::string> args) { return Finish(Start(std::move(args))); }

  // Starts the program with its output in files of their own (named by
  // tag). fileSizeLimit makes writes past that many bytes fail, as on a full
  // disk; memoryLimit caps the program's address space.
  pid_t Start(std::vector<std::string> args, const std::string& tag = "", rlim_t fileSizeLimit = RLIM_INFINITY,
              rlim_t memoryLimit = RLIM_INFINITY) {
    std::vector<char*> argv{program_.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    for (int fd : {1, 2})
      posix_spawn_file_actions_addopen(&io, fd, OutputName(fd, tag).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The limits are the parent's for the moment of the start; the child
    // keeps them (and an ignored SIGXFSZ) across exec.
    rlimit oldSize{}, oldMemory{};
    getrlimit(RLIMIT_FSIZE, &oldSize);
    getrlimit(RLIMIT_AS, &oldMemory);
    if (fileSizeLimit != RLIM_INFINITY) {
      signal(SIGXFSZ, SIG_IGN);  // a failed write instead of a killed program
      const rlimit limited{fileSizeLimit, oldSize.rlim_max};
      setrlimit(RLIMIT_FSIZE, &limited);
    }
    if (memoryLimit != RLIM_INFINITY) {
      const rlimit limited{memoryLimit, oldMemory.rlim_max};
      setrlimit(RLIMIT_AS, &limited);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, program_.c_str(), &io, nullptr, argv.data(), environ) != 0) pid = -1;
    setrlimit(RLIMIT_FSIZE, &oldSize);
    setrlimit(RLIMIT_AS, &oldMemory);
    posix_spawn_file_actions_destroy(&io);
    return pid;
  }

  Outcome Finish(pid_t pid, const std::string& tag = "") {
    int status = -1;  // no exit status
    rusage usage{};
    if (pid > 0) wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(OutputName(1, tag)),
            ReadFileBytes(OutputName(2, tag)), usage.ru_maxrss};
  }

  std::string OutputName(int fd, const std::string& tag) const { return dir_ / ((fd == 1 ? "stdout" : "stderr") + tag); }
  std::string Workbook() const { return dir_ / "bin/~report.xls"; }

  TempDir dir_;
  ScopedDriveRoot drives_;
  std::string program_;
};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // a sanitizer's shadow memory swamps any memory figure
#else
constexpr bool kSanitized = false;
#endif

inline std::string Completion(long files, long chars) {
  return "处理结束 共搜索了 " + std::to_string(files) + " 个文件，发现汉字 " + std::to_string(chars) + " 个。\n";
}
