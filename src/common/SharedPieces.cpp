#include "common/SharedPieces.h"

bool CSharedPieces::Run(size_t count, const Work& work) {
    std::unique_lock lock(m_mutex);
    m_work = &work;
    m_count = count;
    m_next = 0;
    m_failed = false;
    m_changed.notify_all();
    while (!m_failed && m_next < m_count) Do(lock, work, m_next++);
    // The helper's piece; after it, nothing of `work` is touched.
    m_changed.wait(lock, [this] { return m_busy == 0; });
    m_work = nullptr;
    return !m_failed;
}

void CSharedPieces::Help() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_closed || (m_work != nullptr && !m_failed && m_next < m_count);
        });
        if (m_closed) return;
        Do(lock, *m_work, m_next++);
    }
}

void CSharedPieces::Close() {
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

void CSharedPieces::Do(std::unique_lock<std::mutex>& lock, const Work& work, size_t index) {
    ++m_busy;
    lock.unlock();
    const bool done = work(index);
    lock.lock();
    --m_busy;
    if (!done) m_failed = true;
    m_changed.notify_all();
}
