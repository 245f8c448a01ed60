// The whole site-file reader on arbitrary bytes: header, map bitmap, points.
// For every file it accepts, the survey list is written as a points section
// again and read back; the entries that come back must be exactly those the
// writer's grouping rules promise (checked against a small model of them),
// and so must those of a second round.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "aplist/ApList.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_sitefile: %s\n", what.c_str());
    std::abort();
}

struct Entry {
    int32_t x, y;
    std::string name;
    uint8_t channel;
    uint8_t mac[6];
    std::string macText;
    std::string ssid;
    int64_t rssi;
    bool operator==(const Entry& o) const {
        return x == o.x && y == o.y && name == o.name && channel == o.channel &&
               std::memcmp(mac, o.mac, 6) == 0 && macText == o.macText && ssid == o.ssid &&
               rssi == o.rssi;
    }
};

std::string Bounded(const char* field, size_t width) {
    if (std::memchr(field, 0, width) == nullptr) Fail("text field without its NUL");
    return std::string(field);
}

std::vector<Entry> Entries(const CApList& list) {
    std::vector<Entry> out;
    for (const ApRecord* r = list.First(); r != nullptr;
         r = r->next == list.Sentinel() ? nullptr : r->next) {
        Entry e{r->x,
                r->y,
                Bounded(r->pointName, 32),
                r->channel,
                {},
                Bounded(r->macText, 16),
                Bounded(r->ssid, 32),
                r->rssi};
        std::memcpy(e.mac, r->mac, 6);
        if (e.name.size() > 31 || e.ssid.size() > 31) Fail("text longer than 31 characters");
        out.push_back(e);
    }
    return out;
}

// What a write and a read of `in` must give: the writer opens a point record
// for the first entry, a new position, a channel-0 entry or a full count, and
// names it after the entry that opened it; a record without APs comes back as
// one placeholder entry.
std::vector<Entry> WriterModel(const std::vector<Entry>& in) {
    std::vector<Entry> out;
    struct Group {
        Entry opener;
        std::vector<Entry> aps;
    };
    std::vector<Group> groups;
    for (const Entry& e : in) {
        const bool opens = groups.empty() || e.x != groups.back().opener.x ||
                           e.y != groups.back().opener.y || e.channel == 0 ||
                           groups.back().aps.size() == 0xFFFF;
        if (opens) groups.push_back({e, {}});
        if (e.channel != 0) groups.back().aps.push_back(e);
    }
    for (const Group& g : groups) {
        if (g.aps.empty()) {
            Entry p{g.opener.x, g.opener.y, g.opener.name, 0, {}, "000000000000", "", -100};
            out.push_back(p);
            continue;
        }
        for (Entry e : g.aps) {
            e.name = g.opener.name;
            out.push_back(e);
        }
    }
    return out;
}

// The file with its points section replaced by `points`.
std::vector<uint8_t> Rewritten(const std::vector<uint8_t>& file, uint32_t pointsAt,
                               const std::vector<uint8_t>& points) {
    std::vector<uint8_t> out(file.begin(), file.begin() + pointsAt);
    out.insert(out.end(), points.begin(), points.end());
    return out;
}

std::vector<Entry> ReadBack(const std::vector<uint8_t>& file, const CSiteRecord& header,
                            size_t& circles) {
    MemorySource src(file);
    CSiteRecord site;
    std::memcpy(site.m_header, header.m_header, sizeof site.m_header);
    CApList list;
    circles = 0;
    const SiteStatus status =
        ReadPoints(src, site, list, [&](int32_t, int32_t, int16_t) { ++circles; });
    if (!status.ok) Fail("a section the writer made was rejected: " + status.text);
    if (site.m_pointRecordSize != 42 || site.m_apRecordSize != 41)
        Fail("written size words did not read back as 42 and 41");
    return Entries(list);
}

void CheckBitmap(const MapBitmap& map) {
    if (map.width < 1 || map.height < 1) Fail("accepted a map without pixels");
    if (map.bits.size() < static_cast<size_t>(map.stride) * static_cast<size_t>(map.height))
        Fail("map bits shorter than its rows");
    // Corner pixels: any index outside the bits is caught by ASan.
    const unsigned corners = map.IndexAt(0, 0) + map.IndexAt(map.width - 1, map.height - 1) +
                             map.IndexAt(map.width - 1, 0);
    if (corners > 3 * 255) Fail("impossible palette index");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> file(data, data + size);
    MemorySource src(file);
    CSiteRecord site;
    const SiteStatus header = ReadSiteHeader(src, site);
    if (!header.ok) {
        if (header.text.empty() || header.caption != "File Error") Fail("rejection without text");
        return 0;
    }
    MapBitmap map;
    if (!ReadMapBitmap(src, site.BitmapOffset(), map).ok) Fail("header accepted, bitmap refused");
    CheckBitmap(map);

    CApList list;
    size_t circles = 0;
    const SiteStatus points = ReadPoints(src, site, list, [&](int32_t, int32_t, int16_t s) {
        if (s < -128 || s > 127) Fail("circle strength outside the dBm range");
        ++circles;
    });
    PointsTally tally;
    const SiteStatus tallied = TallyPoints(src, site, tally);
    if (points.ok != tallied.ok) Fail("tally and reader disagree on the section");
    if (!points.ok) return 0;
    if (tally.pointGroups != circles) Fail("tally counts another number of point groups");

    const std::vector<Entry> first = Entries(list);
    if (first.size() < tally.apRecords) Fail("fewer entries than AP records");

    const uint32_t pointsAt = site.PointsOffset();
    const std::vector<uint8_t> once = Rewritten(file, pointsAt, EncodePointsSection(site, list));
    size_t onceCircles = 0;
    const std::vector<Entry> second = ReadBack(once, site, onceCircles);
    if (!(second == WriterModel(first))) Fail("written and read again, the survey list changed");

    // A second round follows the same rules (a placeholder followed by APs at
    // its position is absorbed into their record each time, as the format
    // says), so the model must hold again.
    CApList again;
    {
        MemorySource s2(once);
        CSiteRecord site2;
        std::memcpy(site2.m_header, site.m_header, sizeof site2.m_header);
        if (!ReadPoints(s2, site2, again, nullptr).ok) Fail("second read failed");
        const std::vector<uint8_t> twice =
            Rewritten(once, pointsAt, EncodePointsSection(site2, again));
        size_t twiceCircles = 0;
        const std::vector<Entry> third = ReadBack(twice, site, twiceCircles);
        if (!(third == WriterModel(second))) Fail("the second round broke the writer's rules");
    }
    list.RemoveAll();
    again.RemoveAll();
    return 0;
}
