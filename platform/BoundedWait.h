// Waiting for a started program for a limited time.
#pragma once

#include <chrono>
#include <optional>

namespace platform {

// Waits until the process (started by StartProcess) has ended, for at most
// limit, and returns its exit status as WaitProcess does. A process still
// running then is asked to end (SIGTERM), killed when it has not ended a
// second later, and reaped; the result is then empty.
std::optional<int> WaitProcessFor(int pid, std::chrono::milliseconds limit);

}  // namespace platform
