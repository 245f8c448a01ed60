#include "sources/wifi/WifiSource.h"

#include <cstdio>
#include <mutex>

#include "aplist/ApList.h"
#include "board/BoardInterfaces.h"
#include "sources/wifi/WifiCapture.h"

CWifiSource::CWifiSource(const QDBusConnection& bus, Options options, QObject* parent)
    // A copy, not a move: the two arguments are made in either order, and a
    // move made first would leave the link without the injected dumps.
    : CWifiSource(std::make_unique<CBusLink>(bus, options.kernelDump), Options(options), parent) {}

CWifiSource::CWifiSource(std::unique_ptr<CNmLink> link, Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_link(std::move(link)) {
    if (m_options.scansPerPoint < 1) m_options.scansPerPoint = 1;
    CNmLink* used = m_link.get();
    if (!m_options.capturePath.isEmpty()) {
        m_capture = std::make_unique<CCaptureLink>(*m_link);
        QString why;
        if (m_capture->Open(m_options.capturePath, why)) {
            used = m_capture.get();
        } else {
            m_capture.reset();
            // The adapter is used without a capture, but nobody is left
            // believing one is being made.
            m_captureProblem = QStringLiteral(
                                   "Cannot write the capture file %1 (%2). The Wi-Fi adapter's "
                                   "traffic is not recorded.")
                                   .arg(m_options.capturePath, why);
        }
    }
    m_scanner = std::make_unique<NetworkManagerScanner>(*used, m_options.scanner);
    m_radar.setInterval(m_options.drawInterval);
    connect(&m_radar, &QTimer::timeout, this, [this] { PostDraw(); });
    connect(m_scanner.get(), &NetworkManagerScanner::adapterChanged, this,
            &CWifiSource::OnAdapterChanged);
    connect(m_scanner.get(), &NetworkManagerScanner::accessPointsReceived, this,
            &CWifiSource::OnAccessPoints);
    connect(m_scanner.get(), &NetworkManagerScanner::scanFinished, this,
            &CWifiSource::OnScanFinished);
    connect(m_scanner.get(), &NetworkManagerScanner::scanLost, this, &CWifiSource::OnScanLost);
}

CWifiSource::~CWifiSource() {
    m_scanner.reset();  // before the links it talks through
}

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
    m_missingAtTap = !m_present;
    // A scan of an earlier point may still run in the scanner; its answers
    // are dropped with it.
    m_scanner->CancelScan();
    m_scanner->StartScan();
    m_radar.start();
}

void CWifiSource::CancelScan() {
    if (m_scanning) m_scanner->CancelScan();
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
    if (m_present)
        return {QStringLiteral("(Wi-Fi %1)").arg(m_interface).toStdString(),
                QStringLiteral("(%1)").arg(m_address.toLower()).toStdString(),
                QStringLiteral("for Wi-Fi adapter %1").arg(m_interface).toStdString()};
    return {"(Wi-Fi)", m_answered ? "(no adapter)" : "(looking)", "for a Wi-Fi adapter"};
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
        m_toldMissing.clear();  // a later loss is told again
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
    {
        // The channels' noise goes with the scan's readings into the point.
        std::lock_guard<std::mutex> hold(scanListLock);
        for (const ScanNoise& n : summary.noise) scanList.LogNoise(n.band, n.channel, n.dbm);
    }
    // Said at the first scan that heard anything, and whenever it changes.
    if (!summary.dbmLine.empty() && summary.dbmLine != m_toldDbm) {
        m_toldDbm = summary.dbmLine;
        std::fprintf(stderr, "%s\n", m_toldDbm.c_str());
    }
    if (summary.noiseLine != m_toldNoise) {
        m_toldNoise = summary.noiseLine;
        std::fprintf(stderr, "%s\n", m_toldNoise.c_str());
    }
    if (--m_scansLeft > 0) {
        m_scanner->StartScan();  // NetworkManager spaces the scans out itself
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
    // A lost adapter is told by the notice, as a lost board is; any other
    // loss by its message. A tap while there is no adapter also says why
    // (NetworkManager not running, no Wi-Fi device, none managed), once for
    // each reason: otherwise the tap would end with nothing told but the notice.
    if (m_scanner->HasAdapter()) {
        m_lossText = message;
    } else if (m_missingAtTap && message != m_toldMissing) {
        m_lossText = message;
        m_toldMissing = message;
    }
    m_present = m_scanner->HasAdapter();
    m_answered = true;
    std::fprintf(stderr, "pellorin: Wi-Fi scan given up: %s\n", qPrintable(message));
    PostState();
}

void CWifiSource::PostDraw() {
    if (m_notifier != nullptr) m_notifier->PostTalvDraw();
}

void CWifiSource::PostState() {
    if (m_notifier != nullptr) m_notifier->PostBoardState();
}
