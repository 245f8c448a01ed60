#include "FifoRescue.h"

#include <fcntl.h>
#include <unistd.h>

FifoRescue::FifoRescue(std::filesystem::path fifo, std::chrono::milliseconds bound)
    : m_fifo(std::move(fifo)) {
    m_thread = std::thread([this, bound] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_for(lock, bound, [this] { return m_stop; })) return;
        // A non-blocking open for writing succeeds only while a reader has
        // the FIFO open, that is, while one is stuck in its open().
        while (!m_stop) {
            const int fd = ::open(m_fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                m_rescued = true;
                ::close(fd);
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_stop; });
        }
    });
}

FifoRescue::~FifoRescue() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}
