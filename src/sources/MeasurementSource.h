#pragma once
// IMeasurementSource: whatever measures at a survey point (the scanner board,
// the simulated board, the machine's Wi-Fi adapter), as the view sees it. The
// view starts and cancels scans, reads the state and texts, and records the
// point when a finished scan is reported; it never reaches past this
// interface.
//
// A source merges its readings into scanList under scanListLock (one reading
// per scan and access point, summed with readingCount), posts "TALV_DRAW"
// through its notifier after each change the scan screen shows and after a
// scan has finished, and "TALV_BOARD_STATE" when it goes, comes back or gives
// a scan up. Every call below is made on the user-interface thread.

#include <cstdint>
#include <string>

class IDrawNotifier;

enum class SourceState : uint8_t {
    kConnected,  // ready for a scan
    kScanning,   // a scan is asked for and not finished
    kGone,       // the device cannot be talked to; the source looks for it again
};

// How a point was asked for: a tap, or the joystick's centre press (which
// makes the board select its survey mode again).
enum class ScanTrigger : uint8_t { kTap, kCentreKey };

// The two texts of the start-up screen, left and right ("(Firmware 2.14)",
// "(SN 01234)"), and what stands in the picture's line under the product
// name ("for Wi-Fi adapter wlan0"; empty: the picture's own), UTF-8.
struct SourceTexts {
    std::string left, right;
    std::string hardware = {};
};

class IMeasurementSource {
public:
    virtual ~IMeasurementSource() = default;

    // Where the posts go; null before the view goes.
    virtual void SetNotifier(IDrawNotifier* notifier) = 0;

    // Starts the scan of a new point at world (x, y): empties scanList and
    // asks for the scan. Readings of any earlier scan never reach it.
    virtual void StartScan(int32_t x, int32_t y, ScanTrigger trigger) = 0;
    // Gives up the scan asked for: nothing of it is reported as finished.
    virtual void CancelScan() = 0;
    // True once for each scan that has finished: scanList holds all its
    // readings and the point is to be recorded.
    virtual bool TakeFinishedScan() = 0;
    // The scan asked for last ended without a point (the source went away,
    // fell silent or refused).
    virtual bool ScanGivenUp() const = 0;

    virtual SourceState State() const = 0;
    virtual SourceTexts StartupTexts() const = 0;
    // What the notice strip says while the source cannot be used; "" else.
    virtual std::string NoticeText() const = 0;
    // Why the last scan was given up, when the notice does not say it (the
    // adapter refused the scan); "" otherwise.
    virtual std::string ScanLossText() const { return {}; }
    // The cells of the scan screen's channel grid to highlight: bit n - 1
    // for 2.4 GHz channel n (1..14).
    virtual uint16_t ChannelCells() const = 0;
};

// The grid bit of a 2.4 GHz channel; 0 for any other number.
constexpr uint16_t ChannelCellBit(int channel) {
    return channel >= 1 && channel <= 14 ? static_cast<uint16_t>(1u << (channel - 1)) : 0;
}
