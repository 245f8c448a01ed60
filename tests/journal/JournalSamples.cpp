#include "JournalSamples.h"

#include <cstdio>
#include <cstring>

namespace {

JournalEntry Entry(uint8_t channel, int32_t rssi, uint8_t macLast, const char* ssid) {
    JournalEntry e;
    e.channel = channel;
    e.rssi = rssi;
    const uint8_t mac[6] = {0x00, 0x1B, 0x2C, 0x3D, 0x4E, macLast};
    std::memcpy(e.mac, mac, 6);
    std::snprintf(e.macText, sizeof e.macText, "001B2C3D4E%02X", macLast);
    std::strncpy(e.ssid, ssid, sizeof e.ssid - 1);
    return e;
}

}  // namespace

JournalBegin SampleBegin() {
    JournalBegin b;
    b.binding = {529236, 0x01020304, 0xDEADBEEF};
    b.keepPoints = true;
    b.locationCount = 3;
    b.apCount = 7;
    return b;
}

std::vector<JournalChange> SampleChanges() {
    std::vector<JournalEntry> twenty;
    for (int i = 0; i < 20; ++i)
        twenty.push_back(Entry(static_cast<uint8_t>(i % 13 + 1), -40 - i, static_cast<uint8_t>(i),
                               ("network-" + std::to_string(i)).c_str()));
    const std::vector<JournalEntry> two = {Entry(6, -55, 1, "\xFF\xFE caf\xE9 \x80"),
                                           Entry(11, -70, 2, "abcdefghijklmnopqrstuvwxyz01234")};
    std::vector<JournalChange> c;
    c.push_back(JournalPoint{100, 200, "TEST", -55, 0, 0, two});
    c.push_back(JournalPoint{-5, -2147483647 - 1, "FILL", -90, 0, 0, {Entry(0, 0, 0, "FILL")}});
    c.push_back(JournalDeletion{2, 100, 200, 2});
    c.push_back(JournalPoint{2147483647, 7, "0123456789012345678901234567890", -120, 0, 0, {}});
    c.push_back(JournalPoint{40, 50, "TEST", -40, 0, 0, twenty});
    c.push_back(JournalDeletion{1, 40, 50, 20});
    std::memset(std::get<JournalPoint>(c[1]).entries[0].macText, 0, 16);  // an empty text
    int32_t locations = 3, aps = 7;
    for (JournalChange& change : c) {
        if (auto* p = std::get_if<JournalPoint>(&change)) {
            p->locationCount = ++locations;
            p->apCount = aps += static_cast<int32_t>(p->entries.size());
        }
    }
    return c;
}

Bytes EncodeJournal(const JournalBegin& begin, const std::vector<JournalChange>& changes,
                    std::vector<size_t>* bounds) {
    Bytes out;
    journal::AppendFileHeader(out);
    if (bounds) bounds->assign(1, out.size());
    journal::AppendBegin(out, begin);
    for (const JournalChange& change : changes) {
        if (bounds) bounds->push_back(out.size());
        if (const auto* p = std::get_if<JournalPoint>(&change))
            journal::AppendPoint(out, *p);
        else
            journal::AppendDeletion(out, std::get<JournalDeletion>(change));
    }
    if (bounds) bounds->push_back(out.size());
    return out;
}
