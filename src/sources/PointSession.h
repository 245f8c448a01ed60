#pragma once
// CPointSession: the survey point being measured. It holds the measurement
// source, knows whether a point is pending, and what is to run once that
// point has ended (a close that waits for the scan). It reads the source
// when the source posts and reports to its owner how the point ended:
// finished (the scan in scanList is to be recorded), or unrecorded (the
// surveyor cancelled it, or the source gave it up, with the source's reason
// when the notice does not say it), and when the source went or came back.
// No Qt; user-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sources/MeasurementSource.h"

class IPointSessionOwner {
public:
    virtual ~IPointSessionOwner() = default;
    // The pending point's scan has finished: record it.
    virtual void PointFinished() = 0;
    // The pending point ended without a point; `why` is "" unless the
    // source refused the scan for a reason the notice does not show.
    virtual void PointUnrecorded(const std::string& why) = 0;
    // The source went, came back or has new texts (the notice, the
    // start-up screen).
    virtual void SourceChanged(SourceState state) = 0;
    // Runs `fn` from the event loop, after the caller has finished.
    virtual void RunLater(std::function<void()> fn) = 0;
};

class CPointSession {
public:
    CPointSession(IPointSessionOwner& owner, std::unique_ptr<IMeasurementSource> source);
    ~CPointSession();
    CPointSession(const CPointSession&) = delete;
    CPointSession& operator=(const CPointSession&) = delete;

    // What measures from now on; a point under way ends without a point.
    // The source posts through `notifier`.
    void SetSource(std::unique_ptr<IMeasurementSource> source, IDrawNotifier* notifier);
    IMeasurementSource& Source() { return *m_source; }
    const IMeasurementSource& Source() const { return *m_source; }

    // Asks for the scan of a point at (x, y); false (nothing asked) while a
    // point is pending, whose place and readings a second one would take.
    bool Start(int32_t x, int32_t y, ScanTrigger trigger);
    // Escape, Open, a second close: the pending point ends unrecorded.
    void Cancel();
    bool Pending() const { return m_pending; }

    // "TALV_DRAW": reports the pending point finished when its scan is.
    void OnDraw();
    // "TALV_BOARD_STATE": reports a pending point the source gave up, and
    // the source's state.
    void OnSourceState();

    // Runs `fn` once, through RunLater, when the pending point has ended,
    // recorded or not (null: nothing).
    void AfterPoint(std::function<void()> fn) { m_afterPoint = std::move(fn); }
    bool WaitsForPoint() const { return static_cast<bool>(m_afterPoint); }
    // What the notice strip says: that the program closes after the scan,
    // or the source's notice ("" while it is present).
    std::string NoticeText() const;

private:
    void Ended();

    IPointSessionOwner& m_owner;
    std::unique_ptr<IMeasurementSource> m_source;
    bool m_pending = false;
    std::function<void()> m_afterPoint;
};
