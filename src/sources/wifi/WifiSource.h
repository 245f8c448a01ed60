#pragma once
// The machine's Wi-Fi adapter as a measurement source, through
// NetworkManager (NetworkManagerScanner). Everything runs on the thread that
// owns it, the user-interface thread: readings are merged into scanList under
// scanListLock as they arrive, "TALV_DRAW" is posted for each batch and about
// every 250 ms while the adapter scans (the radar turns), and after the last
// of the point's scans. A lost adapter gives the scan up and posts
// "TALV_BOARD_STATE", as a lost board does.
//
// --wifi-scans N takes N adapter scans at a point and merges each: every
// access point's record then holds the sum and the count of its readings, and
// the recorded point their average, as the board's readings are averaged.
// Each scan's noise floors (the kernel's channel survey) are logged into
// scanList beside its readings, so that the point keeps them.
// --capture FILE records what the source takes from NetworkManager and the
// kernel (WifiCapture.h).

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "sources/MeasurementSource.h"
#include "sources/wifi/NetworkManagerScanner.h"
#include "sources/wifi/NmLink.h"

// The notice strip's texts (UTF-8, with "…").
constexpr const char* kAdapterLostText = "Wi-Fi adapter lost, reconnecting\xE2\x80\xA6";
constexpr const char* kNoAdapterText = "No Wi-Fi adapter, waiting for one\xE2\x80\xA6";

class CCaptureLink;

class CWifiSource : public QObject, public IMeasurementSource {
public:
    struct Options {
        NetworkManagerScanner::Options scanner;  // interfaceName: --wifi=IFACE
        int scansPerPoint = 1;                   // --wifi-scans N
        std::chrono::milliseconds drawInterval{250};
        QString capturePath;                // --capture FILE; empty: none
        CBusLink::KernelDumpFn kernelDump;  // empty: the live dumps
    };
    // Called once per change of the adapter: found (present, message empty)
    // or missing (message says why).
    using AdapterFn = std::function<void(bool present, const QString& message)>;

    // On `bus` (the system bus in the program).
    CWifiSource(const QDBusConnection& bus, Options options, QObject* parent = nullptr);
    // On any link, for example a capture played back (Options::kernelDump unused).
    CWifiSource(std::unique_ptr<CNmLink> link, Options options, QObject* parent = nullptr);
    ~CWifiSource() override;

    // Why --capture records nothing ("" when it records or was not asked for).
    const QString& CaptureProblem() const { return m_captureProblem; }

    // Looks for the adapter now rather than at the first scan.
    void FindAdapter() { m_scanner->FindAdapter(); }
    void SetAdapterListener(AdapterFn fn) { m_onAdapter = std::move(fn); }
    const QString& InterfaceName() const { return m_interface; }
    // What the last finished scan told (which dBm it used).
    const WifiScanSummary& LastSummary() const { return m_summary; }

    void SetNotifier(IDrawNotifier* notifier) override { m_notifier = notifier; }
    void StartScan(int32_t x, int32_t y, ScanTrigger trigger) override;
    void CancelScan() override;
    bool TakeFinishedScan() override;
    bool ScanGivenUp() const override { return m_givenUp; }
    SourceState State() const override;
    // "(Wi-Fi wlan0)", the adapter's address as "(aa:bb:cc:dd:ee:ff)" and
    // "for Wi-Fi adapter wlan0" in the picture's line.
    SourceTexts StartupTexts() const override;
    std::string NoticeText() const override;
    std::string ScanLossText() const override { return m_lossText.toStdString(); }
    // The 2.4 GHz channels heard so far in this point's scans.
    uint16_t ChannelCells() const override { return m_cells; }

private:
    void OnAdapterChanged(bool present, const QString& interfaceName, const QString& address,
                          const QString& message);
    void OnAccessPoints(const std::vector<WifiReading>& batch);
    void OnScanFinished(const WifiScanSummary& summary);
    void OnScanLost(const QString& message);
    void EndScan();
    void PostDraw();
    void PostState();

    Options m_options;
    std::unique_ptr<CNmLink> m_link;          // the bus, or a recording
    std::unique_ptr<CCaptureLink> m_capture;  // --capture: records what m_link carries
    QString m_captureProblem;
    std::unique_ptr<NetworkManagerScanner> m_scanner;  // destroyed before the links
    IDrawNotifier* m_notifier = nullptr;
    AdapterFn m_onAdapter;
    QTimer m_radar;  // draws while the adapter scans

    // The adapter.
    bool m_present = false;
    bool m_answered = false;  // the first search has ended, either way
    bool m_everPresent = false;
    QString m_interface, m_address;

    // The point being measured.
    bool m_scanning = false;
    int m_scansLeft = 0;
    bool m_finished = false;
    bool m_givenUp = false;
    QString m_lossText;
    bool m_missingAtTap = false;  // the point was tapped while there was no adapter
    QString m_toldMissing;        // why there is none, as last told in a box
    uint16_t m_cells = 0;
    WifiScanSummary m_summary;
    std::string m_toldDbm;    // the line the program last said which dBm it records with
    std::string m_toldNoise;  // ... and whether its points carry noise floors
};
