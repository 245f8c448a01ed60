#pragma once
// The two seams through which the board protocol meets the world: frames go
// out through an outbox (the serial link's queue, or a test's recorder), and
// "TALV_DRAW" goes to whoever shows the scan (the view, or a test's counter).

#include <cstddef>
#include <cstdint>

class IFrameOutbox {
public:
    virtual ~IFrameOutbox() = default;
    // Queues bytes for the board; returns 1 when they were accepted.
    virtual int QueueTx(const uint8_t* bytes, size_t length) = 0;
};

class IDrawNotifier {
public:
    virtual ~IDrawNotifier() = default;
    // Posts "TALV_DRAW" to the view; must be safe to call from the worker.
    virtual void PostTalvDraw() = 0;
    // Posts that the board went away or came back, that a scan was given up,
    // or that the board's texts changed; the view reads the state from the
    // board. Any thread.
    virtual void PostBoardState() {}
};
