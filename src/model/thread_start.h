// Starting a thread that the system may refuse (a limit on processes, no memory for its stack).
// Callers that can do the work themselves fall back to fewer threads instead of failing.
#pragma once

#include <new>
#include <system_error>

namespace quorvane {

// Whether the next thread may be started: false once a limit set by LimitThreadStartsForTesting
// is used up. Always true otherwise.
bool ThreadStartAllowed() noexcept;

// For tests: the next `allowed` thread starts through TryStartThread succeed and every later one
// is refused as the system would refuse it; a negative `allowed` lifts the limit.
void LimitThreadStartsForTesting(int allowed) noexcept;

// Starts `thread` running a copy of `work`; false, with `thread` left as it was, when the system
// refuses a new thread.
template <typename Thread, typename Work>
bool TryStartThread(Thread& thread, const Work& work) noexcept {
    if (!ThreadStartAllowed()) {
        return false;
    }
    try {
        thread = Thread(work);
        return true;
    } catch (const std::system_error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace quorvane
