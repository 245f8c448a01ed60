#include "throughput/SchedulingSlice.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

namespace schedslice {

namespace {

// The kernel's struct sched_attr (uapi linux/sched/types.h), version 1.
struct Attr {
    uint32_t size;
    uint32_t policy;
    uint64_t flags;
    int32_t nice;
    uint32_t priority;
    uint64_t runtime;
    uint64_t deadline;
    uint64_t period;
    uint32_t utilMin;
    uint32_t utilMax;
};

bool Get(pid_t tid, Attr& attr) {
#ifdef SYS_sched_getattr
    std::memset(&attr, 0, sizeof attr);
    return syscall(SYS_sched_getattr, tid, &attr, sizeof attr, 0) == 0;
#else
    (void)tid;
    (void)attr;
    return false;
#endif
}

}  // namespace

std::optional<uint64_t> Slice(pid_t tid) {
    Attr attr;
    if (!Get(tid, attr) || attr.policy != SCHED_OTHER) return std::nullopt;
    return attr.runtime;
}

bool SetSlice(uint64_t ns, pid_t tid) {
#ifdef SYS_sched_setattr
    Attr attr;
    // Only an ordinary thread: a real-time or idle one keeps what it has.
    if (!Get(tid, attr) || attr.policy != SCHED_OTHER) return false;
    attr.size = sizeof attr;
    attr.flags = 0;  // with KEEP_PARAMS the kernel would skip the runtime too
    attr.runtime = ns;
    attr.deadline = 0;
    attr.period = 0;
    return syscall(SYS_sched_setattr, tid, &attr, 0) == 0;
#else
    (void)ns;
    (void)tid;
    return false;
#endif
}

}  // namespace schedslice
