#include "platform/ThisProcess.h"

#include <csignal>
#include <unistd.h>

namespace platform {

void ExecProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> words = arguments;
  words.insert(words.begin(), program);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(program.c_str(), argv.data());
}

bool RunsInTerminal() { return isatty(0) == 1 && isatty(1) == 1; }

bool RunsAsRoot() { return geteuid() == 0; }

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace platform
