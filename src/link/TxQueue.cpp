#include "link/TxQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

CTxQueue::CTxQueue(size_t capacity)
    : m_capacity(std::max<size_t>(capacity, 1)),
      m_eventFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CTxQueue::~CTxQueue() {
    if (m_eventFd >= 0) ::close(m_eventFd);
}

int CTxQueue::Push(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length == 0) return 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_frames.size() >= m_capacity) {
            ++m_dropped;
            return 0;
        }
        m_frames.emplace_back(bytes, bytes + std::min(length, kMaxFrameBytes));
    }
    Signal();
    return 1;
}

std::vector<std::vector<uint8_t>> CTxQueue::TakeAll() {
    // Quiet first, then take: a frame pushed in between signals again, so
    // nothing is ever left waiting behind a quiet eventfd.
    Quiet();
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<std::vector<uint8_t>> frames(std::make_move_iterator(m_frames.begin()),
                                             std::make_move_iterator(m_frames.end()));
    m_frames.clear();
    return frames;
}

void CTxQueue::Clear() {
    Quiet();
    std::lock_guard<std::mutex> guard(m_lock);
    m_frames.clear();
}

size_t CTxQueue::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_frames.size();
}

size_t CTxQueue::DroppedCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_dropped;
}

void CTxQueue::Signal() {
    const uint64_t one = 1;
    if (m_eventFd >= 0) (void)!::write(m_eventFd, &one, sizeof one);
}

void CTxQueue::Quiet() {
    uint64_t value = 0;
    if (m_eventFd >= 0) (void)!::read(m_eventFd, &value, sizeof value);
}
