#pragma once
// CTxQueue: the outbox between whoever asks the board for something (the
// user-interface thread, the dispatcher on the worker) and the board worker.
// A small bounded FIFO of whole frames: frames go out whole and in the order
// they were queued, and none is lost while there is room (the handheld's
// one-slot outbox let a second request overwrite the first). An eventfd is
// readable while frames wait, so the worker can poll it together with the tty.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class CTxQueue {
public:
    static constexpr size_t kMaxFrameBytes = 128;  // a longer frame is cut to 128
    static constexpr size_t kDefaultCapacity = 16;

    explicit CTxQueue(size_t capacity = kDefaultCapacity);
    ~CTxQueue();
    CTxQueue(const CTxQueue&) = delete;
    CTxQueue& operator=(const CTxQueue&) = delete;

    // Returns 1 when the frame was queued, 0 when the queue is full (the frame
    // is dropped and counted) or empty input was given.
    int Push(const uint8_t* bytes, size_t length);
    // Takes every waiting frame, oldest first, and quiets the eventfd.
    std::vector<std::vector<uint8_t>> TakeAll();
    void Clear();
    size_t Size() const;
    size_t DroppedCount() const;

    // Readable (POLLIN) while frames may be waiting.
    int EventFd() const { return m_eventFd; }

private:
    void Signal();
    void Quiet();

    const size_t m_capacity;
    int m_eventFd = -1;
    mutable std::mutex m_lock;
    std::deque<std::vector<uint8_t>> m_frames;
    size_t m_dropped = 0;
};
