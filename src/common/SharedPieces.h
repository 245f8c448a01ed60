#pragma once
// CSharedPieces: a job cut into pieces, each done by whichever of two
// threads takes it first. Open reads the plan on its own thread while a
// second one reads the points; once the points are in, the second thread
// reads and checksums pieces of the plan too, so that the plan comes in
// on both cores. Without a second thread the owner does every piece itself,
// in order.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

class CSharedPieces {
public:
    // Does piece `index`; false when it failed. Called from both threads,
    // never twice for one piece.
    using Work = std::function<bool(size_t index)>;

    // The owning thread: pieces 0 .. count - 1, with the helper while it is
    // there. Returns once no piece is being done: true when every piece was
    // done, false at the first that failed (pieces not begun are left).
    [[nodiscard]] bool Run(size_t count, const Work& work);
    // The second thread: takes pieces of each Run until Close; returns at
    // once when called after it.
    void Help();
    // The owning thread, on every way out: no more jobs, the helper leaves.
    void Close();

private:
    // Piece `index`, taken by this thread, done outside the lock.
    void Do(std::unique_lock<std::mutex>& lock, const Work& work, size_t index);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    const Work* m_work = nullptr;  // the job of the Run under way
    size_t m_count = 0;
    size_t m_next = 0;  // the first piece no thread has taken
    size_t m_busy = 0;  // pieces being done
    bool m_failed = false;
    bool m_closed = false;
};
