#include <cstdio>

#include "BoardFixture.h"

namespace {

const char* TypeName(uint8_t type) {
    static const std::map<uint8_t, const char*> kNames = {
        {MSG_FIRMWARE, "FIRMWARE"},       {MSG_SERIAL, "SERIAL"},    {MSG_MODE, "MODE"},
        {MSG_REPORT, "REPORT"},           {MSG_CHANNEL, "CHANNEL"},  {MSG_SCAN_START, "SCAN_START"},
        {MSG_SCAN_REPORT, "SCAN_REPORT"}, {MSG_SCAN_END, "SCAN_END"}};
    const auto found = kNames.find(type);
    return found == kNames.end() ? "OTHER" : found->second;
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

}  // namespace

std::string DescribeAp(const ApRecord& r) {
    std::ostringstream s;
    s << "ch=" << int(r.channel) << " ssid=" << Quoted(r.ssid) << " sum=" << r.rssi
      << " n=" << r.readingCount << " privacy=" << int(r.privacy)
      << " cap=" << int(r.capabilityFlag);
    return s.str();
}

FrameLog::FrameLog(CScannerBoard& board, RecordingOutbox& outbox, CountingNotifier& notifier)
    : m_board(board), m_outbox(outbox), m_notifier(notifier), m_last(Take()) {
    m_board.SetFrameObserver(this);
}

FrameLog::~FrameLog() { m_board.SetFrameObserver(nullptr); }

FrameLog::Snapshot FrameLog::Take() const {
    Snapshot s;
    char firmware[33], serial[32];
    m_board.GetFirmware(firmware);
    m_board.GetSerial(serial);
    s.fields = {{"firmware", Quoted(firmware)},
                {"serial", Quoted(serial)},
                {"survey-mode", std::to_string(m_board.m_bSurveyMode)},
                {"scan-started", std::to_string(m_board.m_bScanStarted)},
                {"scan-complete", std::to_string(m_board.m_bScanComplete)},
                {"channel", std::to_string(m_board.m_scanChannel)}};
    s.sent = m_outbox.queued.size();
    s.draws = m_notifier.Count();
    ApRecord* rec = nullptr;
    for (int16_t rc = scanList.GetAt(rec, 1); rc == CApList::kOk; rc = scanList.GetNext(rec))
        s.aps[rec->macText] = DescribeAp(*rec);
    return s;
}

void FrameLog::OnFrameDispatched(uint8_t type, const uint8_t*, uint16_t length, bool checksumOk) {
    const Snapshot now = Take();
    std::vector<std::string> effects;
    for (size_t i = 0; i < now.fields.size(); ++i)
        if (now.fields[i] != m_last.fields[i])
            effects.push_back(now.fields[i].first + "=" + now.fields[i].second);
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
