// Waiting for a descriptor with a deadline. The blocking links read through this instead of an
// event loop: one poll() per wait keeps a round trip within a few microseconds of a bare socket.
#pragma once

#include <chrono>

namespace plenum::comm::detail {

enum class WaitResult { Ready, TimedOut, Error };

// Waits until `fd` is readable (or writable) or `deadline` passes. Interrupted waits resume.
WaitResult WaitFor(int fd, bool forWrite, std::chrono::steady_clock::time_point deadline);

}  // namespace plenum::comm::detail
