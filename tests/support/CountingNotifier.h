#pragma once

#include <atomic>
#include <chrono>

#include "WaitUntil.h"
#include "board/BoardInterfaces.h"

// Counts the draws and board states the board posts; safe to read while the
// worker posts.
class CountingNotifier : public IDrawNotifier {
public:
    void PostTalvDraw() override { ++m_count; }
    void PostBoardState() override { ++m_states; }
    int Count() const { return m_count.load(); }
    int StateCount() const { return m_states.load(); }
    void Reset() {
        m_count = 0;
        m_states = 0;
    }
    bool WaitFor(int atLeast, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const {
        return WaitUntil([&] { return Count() >= atLeast; }, timeout);
    }

private:
    std::atomic<int> m_count{0};
    std::atomic<int> m_states{0};
};
