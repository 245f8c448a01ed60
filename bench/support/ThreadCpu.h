#pragma once
// The processor time of the calling thread, in nanoseconds: the machine is
// shared, and the time other work takes the core from this thread says
// nothing about the code it runs.

#include <time.h>

#include <cstdint>

inline int64_t ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}
