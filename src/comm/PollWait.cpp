#include "comm/PollWait.h"

#include <poll.h>

#include <cerrno>

namespace plenum::comm::detail {

WaitResult WaitFor(int fd, bool forWrite, std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    for (;;) {
        const auto now = steady_clock::now();
        if (now >= deadline) return WaitResult::TimedOut;
        // Round up so a wait never ends a fraction of a millisecond early and spins.
        const auto left = ceil<milliseconds>(deadline - now).count();
        pollfd entry{fd, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready > 0) return WaitResult::Ready;  // errors and hang-ups surface in the next read
        if (ready == 0) continue;                 // re-check the deadline
        if (errno != EINTR) return WaitResult::Error;
    }
}

}  // namespace plenum::comm::detail
