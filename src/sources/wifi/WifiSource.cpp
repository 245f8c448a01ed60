#include "sources/wifi/WifiSource.h"

#include <cstdio>
#include <mutex>

#include "aplist/ApList.h"
#include "board/BoardInterfaces.h"

CWifiSource::CWifiSource(const QDBusConnection& bus, Options options, QObject* parent)
    : QObject(parent), m_scanner(bus, options.scanner), m_options(std::move(options)) {
    if (m_options.scansPerPoint < 1) m_options.scansPerPoint = 1;
    m_radar.setInterval(m_options.drawInterval);
    connect(&m_radar, &QTimer::timeout, this, [this] { PostDraw(); });
    connect(&m_scanner, &NetworkManagerScanner::adapterChanged, this,
            &CWifiSource::OnAdapterChanged);
    connect(&m_scanner, &NetworkManagerScanner::accessPointsReceived, this,
            &CWifiSource::OnAccessPoints);
    connect(&m_scanner, &NetworkManagerScanner::scanFinished, this, &CWifiSource::OnScanFinished);
    connect(&m_scanner, &NetworkManagerScanner::scanLost, this, &CWifiSource::OnScanLost);
}

CWifiSource::~CWifiSource() = default;

void CWifiSource::StartScan(int32_t, int32_t, ScanTrigger) {
    {
        std::lock_guard<std::mutex> hold(scanListLock);
        scanList.RemoveAll();
    }
    m_cells = 0;
    m_finished = false;
    m_givenUp = false;
    m_lossText.clear();
    m_scansLeft = m_options.scansPerPoint;
    m_scanning = true;
    // A scan of an earlier point may still run in the scanner; its answers
    // are dropped with it.
    m_scanner.CancelScan();
    m_scanner.StartScan();
    m_radar.start();
}

void CWifiSource::CancelScan() {
    if (m_scanning) m_scanner.CancelScan();
    EndScan();
    m_finished = false;
}

void CWifiSource::EndScan() {
    m_scanning = false;
    m_radar.stop();
}

bool CWifiSource::TakeFinishedScan() {
    const bool finished = m_finished;
    m_finished = false;
    return finished;
}

SourceState CWifiSource::State() const {
    if (!m_present) return SourceState::kGone;
    return m_scanning ? SourceState::kScanning : SourceState::kConnected;
}

SourceTexts CWifiSource::StartupTexts() const {
    if (m_present) {
        QString digits = m_address;
        digits.remove(QLatin1Char(':'));
        return {QStringLiteral("(Wi-Fi %1)").arg(m_interface).toStdString(),
                QStringLiteral("(%1)").arg(digits.toUpper()).toStdString()};
    }
    return {"(Wi-Fi)", m_answered ? "(no adapter)" : "(looking)"};
}

std::string CWifiSource::NoticeText() const {
    if (m_present || !m_answered) return {};
    return m_everPresent ? kAdapterLostText : kNoAdapterText;
}

void CWifiSource::OnAdapterChanged(bool present, const QString& interfaceName,
                                   const QString& address, const QString& message) {
    m_answered = true;
    m_present = present;
    if (present) {
        m_everPresent = true;
        m_interface = interfaceName;
        m_address = address;
    }
    PostState();
    if (m_onAdapter) m_onAdapter(present, message);
}

void CWifiSource::OnAccessPoints(const std::vector<WifiReading>& batch) {
    if (!m_scanning) return;
    {
        std::lock_guard<std::mutex> hold(scanListLock);
        MergeWifiReadings(scanList, batch);
    }
    for (const WifiReading& r : batch)
        if (HasGridCell(r.channel.band, r.channel.number))
            m_cells |= ChannelCellBit(r.channel.number);
    PostDraw();
}

void CWifiSource::OnScanFinished(const WifiScanSummary& summary) {
    if (!m_scanning) return;
    m_summary = summary;
    TellWhichDbm(summary);
    if (--m_scansLeft > 0) {
        m_scanner.StartScan();  // NetworkManager spaces the scans out itself
        return;
    }
    EndScan();
    m_finished = true;
    PostDraw();
}

void CWifiSource::OnScanLost(const QString& message) {
    if (!m_scanning) return;
    EndScan();
    m_givenUp = true;
    // A lost adapter is told by the notice; any other loss by its message.
    m_lossText = m_scanner.HasAdapter() ? message : QString();
    m_present = m_scanner.HasAdapter();
    m_answered = true;
    std::fprintf(stderr, "pellorin: Wi-Fi scan given up: %s\n", qPrintable(message));
    PostState();
}

void CWifiSource::TellWhichDbm(const WifiScanSummary& summary) {
    if (summary.accessPoints == 0) return;
    const int kind = summary.derivedDbm == 0 ? 0 : summary.kernelDbm == 0 ? 1 : 2;
    if (kind == m_toldDbm) return;
    m_toldDbm = kind;
    if (kind == 0)
        std::fprintf(stderr, "pellorin: Wi-Fi readings carry the kernel's dBm\n");
    else if (kind == 1)
        std::fprintf(stderr,
                     "pellorin: Wi-Fi readings carry dBm derived from NetworkManager's "
                     "percentage (%s)\n",
                     qPrintable(summary.kernelNote));
    else
        std::fprintf(stderr,
                     "pellorin: Wi-Fi readings carry the kernel's dBm where it had the access "
                     "point, else dBm derived from NetworkManager's percentage\n");
}

void CWifiSource::PostDraw() {
    if (m_notifier != nullptr) m_notifier->PostTalvDraw();
}

void CWifiSource::PostState() {
    if (m_notifier != nullptr) m_notifier->PostBoardState();
}
