// Starting and waiting for programs, never through a shell.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line at blanks, with no quote handling, as such a line
// reaches a Windows program. Runs of blanks make no empty words.
std::vector<std::string> SplitAtBlanks(std::string_view text);

// Starts program (a CP936 path text) with the words of argumentText (CP936,
// split at blanks) as its arguments, each handed over in UTF-8. Standard
// input is /dev/null; the environment and folder are the caller's. The
// program leads a process group of its own, so that ending it (see
// WaitProcessWhile) ends whatever it started too. Returns the process id, or
// -1 when the program could not be started (missing, not executable, not a
// program).
int StartProcess(std::string_view program, std::string_view argumentText);

// Starts program without waiting for it: a thread of its own reaps the
// process when it ends, so no zombie stays behind. program is a CP936 path
// text, or a bare name (no "/") looked up on PATH; the arguments are native
// (UTF-8) already, each passed as one word. False when it could not be
// started (missing, not executable, not a program).
bool StartDetached(std::string_view program, const std::vector<std::string>& nativeArguments);

// The processors this process may run on (at least 1).
int ProcessorCount();

// Waits until the process has ended and returns its exit status (128 plus the
// signal number for a process killed by a signal), or -1.
int WaitProcess(int pid);

// Waits for a process that StartProcess started, asking keepWaiting every few
// milliseconds. When it answers false, the process and its group get
// SIGTERM, then SIGKILL once grace has passed, and are reaped; ended is then
// set. Returns the exit status as WaitProcess does.
int WaitProcessWhile(int pid, const std::function<bool()>& keepWaiting, std::chrono::milliseconds grace,
                     bool& ended);

}  // namespace platform
