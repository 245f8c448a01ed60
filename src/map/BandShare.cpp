#include "map/BandShare.h"

CBandShare::~CBandShare() {
    if (!m_worker.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

bool CBandShare::Claim(uint32_t job, int32_t& band) {
    uint64_t v = m_next.load();
    for (;;) {
        if (static_cast<uint32_t>(v >> 32) != job ||
            static_cast<int32_t>(v & 0xFFFFFFFFu) >= m_count.load())
            return false;
        if (m_next.compare_exchange_weak(v, v + 1)) break;
    }
    band = static_cast<int32_t>(v & 0xFFFFFFFFu);
    return true;
}

void CBandShare::Finish() {
    if (m_done.fetch_add(1) + 1 < m_count.load()) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished.notify_one();
}

void CBandShare::Run(int32_t count, const Work& work) {
    if (count <= 0) return;
    if (count == 1) return work(0, 0);
    uint32_t job = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_worker.joinable()) m_worker = std::thread([this] { Serve(); });
        job = ++m_job;
        // The last job is closed first: a worker that read its next band
        // before and the new count after could otherwise still claim that
        // band under the old number and do it with the new work, which the
        // new job then does again. No band of the last job is in progress
        // (its Run waited for all), so the rest may change before the new
        // number opens the job.
        m_next.store((static_cast<uint64_t>(job) << 32) | kClosed);
        m_count.store(count);
        m_work = &work;
        m_done.store(0);
        m_next.store(static_cast<uint64_t>(job) << 32);
    }
    m_wake.notify_one();
    int32_t band = 0;
    while (Claim(job, band)) {
        work(band, 0);
        Finish();
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_finished.wait(lock, [this] { return m_done.load() >= m_count.load(); });
}

void CBandShare::Serve() {
    uint32_t seen = 0;
    for (;;) {
        uint32_t job = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_job != seen; });
            if (m_stop) return;
            job = seen = m_job;
        }
        // m_work and m_count are read only after a claim of this job, which
        // keeps its Run waiting until the band is finished.
        int32_t band = 0;
        while (Claim(job, band)) {
            (*m_work)(band, 1);
            Finish();
        }
    }
}
