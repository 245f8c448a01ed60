#include "boardsim/SimBoardEngine.h"

#include <algorithm>

#include "boardsim/BoardMessages.h"

namespace {

constexpr uint8_t kEsc = 0x11, kStart = 0x12, kEnd = 0x13, kStuff = 0x14;
constexpr uint8_t kMsgFirmware = 0x01, kMsgSerial = 0x02, kMsgMode = 0x03, kMsgChannel = 0x11,
                  kMsgScanStart = 0x16, kMsgScanReport = 0x17, kMsgScanEnd = 0x18;
constexpr size_t kMaxEntries = 32;
constexpr size_t kMaxRxPayload = 64;  // the handheld's frames are tiny

std::vector<uint8_t> TextPayload(const std::string& text) {
    std::vector<uint8_t> p(text.begin(), text.end());
    p.push_back(0);
    return p;
}

}  // namespace

CSimBoardEngine::CSimBoardEngine(SimBoardOptions options)
    : m_options(std::move(options)), m_random(m_options.seed) {}

void CSimBoardEngine::SetPosition(double x, double y) {
    m_x = x;
    m_y = y;
}

SimBoardStats CSimBoardEngine::Stats() const {
    std::lock_guard<std::mutex> guard(m_statsLock);
    return m_stats;
}

bool CSimBoardEngine::ScanRunning() const { return m_scanEndMs >= 0 && m_now <= m_scanEndMs; }

void CSimBoardEngine::Disconnected() {
    m_rx = Rx::kIdle;
    m_rxPayload.clear();
    m_out.clear();
    m_scanEndMs = -1;
}

void CSimBoardEngine::Feed(const uint8_t* bytes, size_t length, int64_t nowMs) {
    m_now = nowMs;
    auto malformed = [this] {
        std::lock_guard<std::mutex> guard(m_statsLock);
        ++m_stats.malformed;
        m_rx = Rx::kIdle;
    };
    for (size_t i = 0; i < length; ++i) {
        const uint8_t b = bytes[i];
        switch (m_rx) {
            case Rx::kIdle:
                if (b == kEsc) {
                    m_rx = Rx::kHeader;
                } else if (b == 0x00) {
                    std::lock_guard<std::mutex> guard(m_statsLock);
                    ++m_stats.keepAliveBytes;
                } else {
                    malformed();
                }
                break;
            case Rx::kHeader:
                if (b == kStart)
                    m_rx = Rx::kType;
                else
                    malformed();
                break;
            case Rx::kType:
                m_rxType = b;
                m_rxPayload.clear();
                m_rx = b == kEsc ? Rx::kStuff : Rx::kPayload;
                break;
            case Rx::kStuff:
                if (b == kStuff)
                    m_rx = Rx::kPayload;
                else
                    malformed();
                break;
            case Rx::kPayload:
                if (b == kEsc) {
                    m_rx = Rx::kEscape;
                } else if (m_rxPayload.size() >= kMaxRxPayload) {
                    malformed();
                } else {
                    m_rxPayload.push_back(b);
                }
                break;
            case Rx::kEscape:
                if (b == kStuff) {
                    m_rxPayload.push_back(kEsc);
                    m_rx = Rx::kPayload;
                } else if (b == kEnd) {
                    m_rx = Rx::kIdle;
                    // The handheld sends 0x00 where a checksum would be.
                    if (m_rxPayload.empty() || m_rxPayload.back() != 0x00) {
                        malformed();
                    } else {
                        m_rxPayload.pop_back();
                        OnFrame(m_rxType, m_rxPayload);
                    }
                } else {
                    malformed();
                }
                break;
        }
    }
}

void CSimBoardEngine::OnFrame(uint8_t type, const std::vector<uint8_t>& payload) {
    const size_t expected = type == kMsgMode ? 1 : 0;
    const bool known =
        type == kMsgFirmware || type == kMsgSerial || type == kMsgMode || type == kMsgScanStart;
    {
        std::lock_guard<std::mutex> guard(m_statsLock);
        if (!known) {
            ++m_stats.unknownTypes;
            return;
        }
        if (payload.size() != expected) {
            ++m_stats.malformed;
            return;
        }
        ++m_stats.framesReceived;
    }
    switch (type) {
        case kMsgFirmware:
            Send(kMsgFirmware, TextPayload(m_options.firmware), m_now);
            break;
        case kMsgSerial:
            Send(kMsgSerial, TextPayload(m_options.serial), m_now);
            break;
        case kMsgMode:
            Send(kMsgMode, {payload[0]}, m_now);
            break;
        case kMsgScanStart:
            if (!ScanRunning()) StartScan(m_now);
            break;
        default:
            break;
    }
}

void CSimBoardEngine::Send(uint8_t type, const std::vector<uint8_t>& payload, int64_t dueMs) {
    Scheduled item{dueMs, BoardFrame(type, payload)};
    auto at = std::upper_bound(m_out.begin(), m_out.end(), dueMs,
                               [](int64_t due, const Scheduled& s) { return due < s.dueMs; });
    m_out.insert(at, std::move(item));
    std::lock_guard<std::mutex> guard(m_statsLock);
    ++m_stats.framesSent;
}

void CSimBoardEngine::StartScan(int64_t nowMs) {
    {
        std::lock_guard<std::mutex> guard(m_statsLock);
        ++m_stats.scans;
    }
    const int64_t total = std::max<int64_t>(m_options.scanMs, 14);
    const int64_t slot = total / 15;
    // The second report of channel 14 goes 10 ms after its first; the scan
    // ends after it even when scanMs is short, or a report would follow the
    // scan-finished message and undo it.
    const int64_t lastReport = nowMs + slot * 14 + slot / 3 + 10;
    m_scanEndMs = std::max(nowMs + total, lastReport + 1);
    const double x = m_x.load(), y = m_y.load();  // where the surveyor stood when asking
    Send(kMsgScanStart, {}, nowMs);
    for (uint8_t channel = 1; channel <= 14; ++channel) {
        const int64_t at = nowMs + slot * channel;
        Send(kMsgChannel, {channel}, at);
        AppendChannelReports(channel, at + slot / 3, x, y);
    }
    Send(kMsgScanEnd, {}, m_scanEndMs);
}

void CSimBoardEngine::AppendChannelReports(uint8_t channel, int64_t dueMs, double x, double y) {
    std::vector<const SimAccessPoint*> heard;
    std::vector<int16_t> first, second;
    for (const SimAccessPoint& ap : m_options.site.aps) {
        if (ap.channel != channel) continue;
        int16_t a = 0, b = 0;
        if (!SimReading(m_options.site, ap, x, y, m_random, a)) continue;
        if (!SimReading(m_options.site, ap, x, y, m_random, b)) b = a;
        heard.push_back(&ap);
        first.push_back(a);
        second.push_back(b);
    }
    for (size_t start = 0; start < heard.size(); start += kMaxEntries) {
        const size_t count = std::min(kMaxEntries, heard.size() - start);
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<uint8_t> report;
            report.push_back(static_cast<uint8_t>(count));
            for (size_t i = 0; i < count; ++i) {
                const SimAccessPoint& ap = *heard[start + i];
                const int16_t rssi = pass == 0 ? first[start + i] : second[start + i];
                report.insert(report.end(), ap.mac, ap.mac + 6);
                report.push_back(static_cast<uint8_t>(rssi & 0xFF));
                report.push_back(static_cast<uint8_t>((rssi >> 8) & 0xFF));
            }
            // The first report names the networks; the second only adds readings.
            const size_t beacons = pass == 0 ? count : 0;
            report.push_back(static_cast<uint8_t>(beacons));
            for (size_t i = 0; i < beacons; ++i) {
                const SimAccessPoint& ap = *heard[start + i];
                const size_t len = ap.hidden ? 0 : std::min<size_t>(ap.ssid.size(), 32);
                report.push_back(static_cast<uint8_t>(i));
                report.push_back(static_cast<uint8_t>(len));
                uint8_t ssid[32] = {};
                std::copy_n(ap.ssid.begin(), len, ssid);
                report.insert(report.end(), ssid, ssid + 32);
                report.push_back(ap.channel);
                const uint16_t capability = 0x0001 | (ap.privacy ? 0x0010 : 0) | 0x2000;
                report.push_back(static_cast<uint8_t>(capability & 0xFF));
                report.push_back(static_cast<uint8_t>(capability >> 8));
            }
            Send(kMsgScanReport, report, dueMs + pass * 10);
        }
    }
}

std::vector<uint8_t> CSimBoardEngine::TakeOutput(int64_t nowMs) {
    m_now = std::max(m_now, nowMs);
    std::vector<uint8_t> bytes;
    while (!m_out.empty() && m_out.front().dueMs <= nowMs) {
        bytes.insert(bytes.end(), m_out.front().bytes.begin(), m_out.front().bytes.end());
        m_out.pop_front();
    }
    // Once the scan-finished message is out the scan is over, even within the
    // same millisecond: a request that follows it at once starts the next scan.
    if (m_scanEndMs >= 0 && nowMs >= m_scanEndMs && m_out.empty()) m_scanEndMs = -1;
    return bytes;
}

int64_t CSimBoardEngine::NextDueMs() const { return m_out.empty() ? -1 : m_out.front().dueMs; }
