#pragma once
// Bounds a test that hands a FIFO to code which must not block on it. Should
// that code block in open() all the same, a writer opens the FIFO once
// `bound` has passed, which releases it; Rescued() then fails the test
// instead of letting it hang. Code that does not block never waits for it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

class FifoRescue {
public:
    explicit FifoRescue(std::filesystem::path fifo,
                        std::chrono::milliseconds bound = std::chrono::seconds(20));
    ~FifoRescue();
    FifoRescue(const FifoRescue&) = delete;
    FifoRescue& operator=(const FifoRescue&) = delete;
    bool Rescued() const { return m_rescued; }

private:
    std::filesystem::path m_fifo;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_rescued{false};
    std::thread m_thread;
};
