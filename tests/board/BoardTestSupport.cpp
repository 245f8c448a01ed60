#include "BoardTestSupport.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "aplist/ApList.h"

Bytes ReportMessage(const std::vector<Probe>& probes, const std::vector<Beacon>& beacons,
                    std::optional<uint8_t> probeCount, std::optional<uint8_t> beaconCount) {
    Bytes out;
    out.push_back(probeCount.value_or(static_cast<uint8_t>(probes.size())));
    for (const Probe& p : probes) {
        out.insert(out.end(), p.mac.begin(), p.mac.end());
        const auto raw = static_cast<uint16_t>(p.rssi);
        out.push_back(static_cast<uint8_t>(raw & 0xFF));
        out.push_back(static_cast<uint8_t>(raw >> 8));
    }
    out.push_back(beaconCount.value_or(static_cast<uint8_t>(beacons.size())));
    for (const Beacon& b : beacons) {
        out.push_back(b.probeIndex);
        out.push_back(b.ssidLength.value_or(static_cast<uint8_t>(b.ssid.size())));
        for (size_t i = 0; i < 32; ++i)
            out.push_back(i < b.ssid.size() ? static_cast<uint8_t>(b.ssid[i]) : 0);
        out.push_back(b.channel);
        out.push_back(static_cast<uint8_t>(b.capability & 0xFF));
        out.push_back(static_cast<uint8_t>(b.capability >> 8));
    }
    return out;
}

void WorkerFeed::UntilReadWanted() {
    // The table never asks for "no read" twice in a row; a loop that does is
    // a receiver fault, not a reason to hang the test.
    for (int i = 0; i < 4; ++i) {
        if (m_board.ReceiveStep(&m_buffer, m_count) == 1) return;
    }
    throw std::runtime_error("receiver keeps refusing to read");
}

void WorkerFeed::Byte(uint8_t b) {
    UntilReadWanted();
    m_buffer = b;
    m_count = 1;
}

void WorkerFeed::TimeOut() {
    UntilReadWanted();
    m_count = 0;
}

void WorkerFeed::Script(const std::string& script) {
    std::istringstream in(script);
    std::string token;
    while (in >> token) {
        if (token == "~")
            TimeOut();
        else
            Byte(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    }
}

void WorkerFeed::Finish() { UntilReadWanted(); }

namespace {

const char* TypeName(uint8_t type) {
    switch (type) {
        case MSG_FIRMWARE:
            return "FIRMWARE";
        case MSG_SERIAL:
            return "SERIAL";
        case MSG_MODE:
            return "MODE";
        case MSG_REPORT:
            return "REPORT";
        case MSG_CHANNEL:
            return "CHANNEL";
        case MSG_SCAN_START:
            return "SCAN_START";
        case MSG_SCAN_REPORT:
            return "SCAN_REPORT";
        case MSG_SCAN_END:
            return "SCAN_END";
        default:
            return "OTHER";
    }
}

std::string Quoted(const char* text) {
    std::string out = "\"";
    char cell[8];
    for (const char* p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            std::snprintf(cell, sizeof cell, "\\x%02X", c);
            out += cell;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Describe(const ApRecord& r) {
    std::ostringstream s;
    s << "ch=" << int(r.channel) << " ssid=" << Quoted(r.ssid) << " sum=" << r.rssi
      << " n=" << r.readingCount << " privacy=" << int(r.privacy)
      << " cap=" << int(r.capabilityFlag);
    return s.str();
}

}  // namespace

FrameLog::FrameLog(CScannerBoard& board, RecordingOutbox& outbox, CountingNotifier& notifier)
    : m_board(board), m_outbox(outbox), m_notifier(notifier), m_last(Take()) {
    m_board.SetFrameObserver(this);
}

FrameLog::~FrameLog() { m_board.SetFrameObserver(nullptr); }

FrameLog::Snapshot FrameLog::Take() const {
    Snapshot s;
    char text[33];
    m_board.GetFirmware(text);
    s.firmware = text;
    m_board.GetSerial(text);
    s.serial = text;
    s.surveyMode = m_board.m_bSurveyMode;
    s.started = m_board.m_bScanStarted;
    s.complete = m_board.m_bScanComplete;
    s.channel = m_board.m_scanChannel;
    s.sent = m_outbox.queued.size();
    s.draws = m_notifier.draws;
    ApRecord* rec = nullptr;
    for (int16_t rc = scanList.GetAt(rec, 1); rc == CApList::kOk; rc = scanList.GetNext(rec))
        s.aps[rec->macText] = Describe(*rec);
    return s;
}

void FrameLog::OnFrameDispatched(uint8_t type, const uint8_t* payload, uint16_t length,
                                 bool checksumOk) {
    (void)payload;
    const Snapshot now = Take();
    std::vector<std::string> effects;
    if (now.firmware != m_last.firmware)
        effects.push_back("firmware=" + Quoted(now.firmware.c_str()));
    if (now.serial != m_last.serial) effects.push_back("serial=" + Quoted(now.serial.c_str()));
    if (now.surveyMode != m_last.surveyMode)
        effects.push_back("survey-mode=" + std::to_string(now.surveyMode));
    if (now.started != m_last.started)
        effects.push_back("scan-started=" + std::to_string(now.started));
    if (now.complete != m_last.complete)
        effects.push_back("scan-complete=" + std::to_string(now.complete));
    if (now.channel != m_last.channel) effects.push_back("channel=" + std::to_string(now.channel));
    for (size_t i = m_last.sent; i < now.sent; ++i)
        effects.push_back("sent " + HexText(m_outbox.queued[i]));
    for (const auto& [mac, desc] : now.aps) {
        auto old = m_last.aps.find(mac);
        if (old == m_last.aps.end())
            effects.push_back("ap+ " + mac + " " + desc);
        else if (old->second != desc)
            effects.push_back("ap~ " + mac + " " + desc);
    }
    for (const auto& [mac, desc] : m_last.aps)
        if (!now.aps.count(mac)) effects.push_back("ap- " + mac);
    for (int i = m_last.draws; i < now.draws; ++i) effects.push_back("draw");

    char head[64];
    std::snprintf(head, sizeof head, "%02X %s len=%u %s", type, TypeName(type), length,
                  checksumOk ? "ok" : "bad");
    std::string line = head;
    if (effects.empty()) line += " | -";
    for (const std::string& e : effects) line += " | " + e;
    lines.push_back(line);
    m_last = now;
}

std::string FrameLog::Summary() const {
    return "end frames=" + std::to_string(lines.size()) +
           " draws=" + std::to_string(m_notifier.draws) +
           " aps=" + std::to_string(scanList.Count());
}

std::vector<std::string> ReplayStream(const Bytes& stream) {
    RecordingOutbox outbox;
    CountingNotifier notifier;
    theBoard.Reset();
    scanList.RemoveAll();
    theBoard.SetOutbox(&outbox);
    theBoard.SetNotifier(&notifier);
    theBoard.RequestFirmware();
    theBoard.SelectScanMode(kSurveyScanMode);
    outbox.queued.clear();

    std::vector<std::string> result;
    {
        FrameLog log(theBoard, outbox, notifier);
        WorkerFeed feed(theBoard);
        feed.Stream(stream);
        feed.Finish();
        result = log.lines;
        result.push_back(log.Summary());
    }
    theBoard.SetOutbox(nullptr);
    theBoard.SetNotifier(nullptr);
    return result;
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
