// The running process: handing it over to another program (for small
// adapters that only pick a program and its arguments), and what it runs as.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Replaces the running program with program (a native name, looked up on
// PATH when it holds no "/") and the native arguments. Returns only when that
// failed, with errno set.
void ExecProgram(const std::string& program, const std::vector<std::string>& arguments);

// True when standard input and output are both a terminal.
bool RunsInTerminal();

// True when the process runs as root.
bool RunsAsRoot();

// A write to a pipe whose reader has gone (a report at /dev/stdout piped on)
// fails with an error instead of ending the program unannounced.
void IgnoreBrokenPipes();

}  // namespace platform
