#pragma once
// The scheduler's slice of one thread (Linux 6.12 and later: sched_setattr's
// sched_runtime for an ordinary, SCHED_OTHER thread, 0.1-100 ms, no
// privilege needed). A thread with a slice shorter than the one running
// wakes with an earlier deadline and may take the core at once instead of
// waiting out the other's slice. Elsewhere each call fails and changes
// nothing; the callers go on without it.

#include <sys/types.h>

#include <cstdint>
#include <optional>

namespace schedslice {

// The thread's slice in nanoseconds (the kernel's own unless one was asked;
// 0 before 6.12); nothing for a thread that is not SCHED_OTHER or where the
// kernel cannot say. tid 0 is the calling thread.
std::optional<uint64_t> Slice(pid_t tid = 0);

// Asks a slice of `ns` (0: the kernel's own) for the thread, at its present
// nice and policy. Async-signal-safe (a child's modifier may call it).
bool SetSlice(uint64_t ns, pid_t tid = 0);

}  // namespace schedslice
