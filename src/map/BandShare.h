#pragma once
// CBandShare: a piece of work cut into bands (the rows of a picture), done
// by the calling thread and one worker thread kept for it, each band once.
// Bands are claimed one at a time, and the caller waits only for bands the
// worker has already claimed: when the worker gets no processor (the other
// core busy) the caller does every band itself, in about the time it would
// take alone. No Qt.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class CBandShare {
public:
    // `doer` is 0 on the calling thread, 1 on the worker (each its own
    // scratch); bands come in any order, on either.
    using Work = std::function<void(int32_t band, int doer)>;

    CBandShare() = default;
    ~CBandShare();
    CBandShare(const CBandShare&) = delete;
    CBandShare& operator=(const CBandShare&) = delete;

    // Bands 0 .. count - 1 of `work`, all done on return. The worker thread
    // starts at the first Run.
    void Run(int32_t count, const Work& work);

private:
    void Serve();
    // Claims a band of the open job `job`; false when it has none left.
    bool Claim(uint32_t job, int32_t& band);
    void Finish();

    // The open job's number (high half) and its next band (low half): a
    // claim is one compare-and-swap, and a worker still holding an old
    // job's number never takes a band of the next.
    std::atomic<uint64_t> m_next{0};
    static constexpr uint64_t kClosed = 0x7FFFFFFF;  // a next band beyond every count
    std::atomic<int32_t> m_done{0};
    std::atomic<int32_t> m_count{0};
    const Work* m_work = nullptr;  // the open job's, set before its number

    std::mutex m_mutex;
    std::condition_variable m_wake, m_finished;
    uint32_t m_job = 0;  // the last job's number (under m_mutex)
    bool m_stop = false;
    std::thread m_worker;
};
