// Writes the seed corpora: small site files made by the project's own site
// builder and points writer (both section orders, longer headers and larger
// record sizes, cut-off files), and the recorded board conversations of
// tests/data/board with each way of feeding them, plus framed reports, and
// nl80211 scan dumps built by the tests' message builder.
//
//   fuzz_seedgen REPO_ROOT   writes REPO_ROOT/fuzz/corpus/<target>/seed-*

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScanDumpMessages.h"
#include "SurveyDumpMessages.h"
#include "aplist/ApList.h"
#include "site/SiteBuilder.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

void Save(const fs::path& dir, const std::string& name, const Bytes& bytes) {
    fs::create_directories(dir);
    std::ofstream out(dir / ("seed-" + name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

Bytes Site(int32_t w, int32_t h, SiteSectionOrder order) {
    NewSitePlan plan;
    plan.width = w;
    plan.height = h;
    for (int i = 0; i < 256; ++i) plan.colorTable[i] = static_cast<uint32_t>(i * 0x010101);
    plan.fillRow = [w](int32_t y, uint8_t* row) {
        for (int32_t x = 0; x < w; ++x) row[x] = static_cast<uint8_t>((x + y) % 7);
    };
    return BuildSiteFile(plan, 1000, order);
}

void Add(CApList& list, int32_t x, int32_t y, uint8_t channel, int64_t rssi, const char* ssid,
         const char* name, uint8_t last) {
    ApRecord* r = nullptr;
    if (list.NewRecord(r) != CApList::kOk) std::abort();  // out of memory
    r->x = x;
    r->y = y;
    r->channel = channel;
    r->rssi = rssi;
    std::snprintf(r->ssid, sizeof r->ssid, "%s", ssid);
    std::snprintf(r->pointName, sizeof r->pointName, "%s", name);
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, last};
    std::memcpy(r->mac, mac, 6);
    FormatMacText(r->mac, r->macText);
    list.AddTail(r);
}

Bytes WithPoints(Bytes file, const CApList& list) {
    MemorySource src(file);
    CSiteRecord site;
    if (!ReadSiteHeader(src, site).ok) return file;
    file.resize(site.PointsOffset());
    const Bytes points = EncodePointsSection(site, list);
    file.insert(file.end(), points.begin(), points.end());
    return file;
}

void SiteSeeds(const fs::path& dir) {
    CApList list;
    Add(list, 1, 1, 6, -55, "lab", "TEST", 0x55);
    Add(list, 1, 1, 11, -79, "hall", "TEST", 0x56);
    Add(list, 2, 0, 0, -100, "", "FILL", 0);
    Add(list, 0, 2, 14, -40, "a-thirty-one-character-ssid-xyz", "TEST", 0x57);
    Save(dir, "empty-points", Site(3, 2, SiteSectionOrder::BitmapFirst));
    Save(dir, "points", WithPoints(Site(3, 2, SiteSectionOrder::BitmapFirst), list));
    Save(dir, "signature-first", WithPoints(Site(1, 1, SiteSectionOrder::SignatureFirst), list));
    Save(dir, "wide", WithPoints(Site(9, 1, SiteSectionOrder::BitmapFirst), list));

    // Record sizes 43 and 44: each record carries bytes the reader skips.
    Bytes larger = WithPoints(Site(2, 2, SiteSectionOrder::BitmapFirst), list);
    const uint32_t pointsAt = Get32(larger, 146);
    Bytes section(larger.begin() + pointsAt, larger.end());
    Bytes grown(section.begin(), section.begin() + 8);
    Put32(grown, 0, 43);
    Put32(grown, 4, 44);
    size_t at = 8;
    while (at + 42 <= section.size()) {
        const uint16_t aps = static_cast<uint16_t>(section[at + 40] | (section[at + 41] << 8));
        grown.insert(grown.end(), section.begin() + at, section.begin() + at + 42);
        grown.push_back(0xEE);
        at += 42;
        for (uint16_t i = 0; i < aps && at + 41 <= section.size(); ++i, at += 41) {
            grown.insert(grown.end(), section.begin() + at, section.begin() + at + 41);
            grown.push_back(0xDD);
            grown.push_back(0xCC);
            grown.push_back(0xBB);
        }
    }
    larger.resize(pointsAt);
    larger.insert(larger.end(), grown.begin(), grown.end());
    Save(dir, "record-sizes-43-44", larger);

    // A header of 151 bytes (the excess is kept by a save).
    Bytes longHeader = Site(2, 1, SiteSectionOrder::BitmapFirst);
    Put32(longHeader, 0, 151);
    Save(dir, "header-151", longHeader);

    // Cut inside the last AP record.
    Bytes cut = WithPoints(Site(3, 2, SiteSectionOrder::BitmapFirst), list);
    cut.resize(cut.size() - 20);
    Save(dir, "cut-ap-record", cut);
    Bytes header(cut.begin(), cut.begin() + 150);
    Save(dir, "header-only", header);
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A message for the structured mode: type, length LE, payload.
void Message(Bytes& out, uint8_t type, const Bytes& payload) {
    out.push_back(type);
    out.push_back(static_cast<uint8_t>(payload.size()));
    out.push_back(static_cast<uint8_t>(payload.size() >> 8));
    out.insert(out.end(), payload.begin(), payload.end());
}

Bytes Report(size_t probes, size_t beacons, uint8_t indexBase, uint8_t ssidLength) {
    Bytes r;
    r.push_back(static_cast<uint8_t>(probes));
    for (size_t i = 0; i < probes; ++i) {
        const uint8_t e[8] = {0x02,
                              0,
                              0,
                              0,
                              static_cast<uint8_t>(i >> 8),
                              static_cast<uint8_t>(i),
                              static_cast<uint8_t>(-40 - static_cast<int>(i)),
                              0xFF};
        r.insert(r.end(), e, e + 8);
    }
    r.push_back(static_cast<uint8_t>(beacons));
    for (size_t i = 0; i < beacons; ++i) {
        r.push_back(static_cast<uint8_t>(indexBase + i));
        r.push_back(ssidLength);
        for (int k = 0; k < 32; ++k) r.push_back(static_cast<uint8_t>('a' + (k + i) % 26));
        r.push_back(static_cast<uint8_t>(1 + i % 14));
        r.push_back(0x10);
        r.push_back(0x20);
    }
    return r;
}

void BoardSeeds(const fs::path& dir, const fs::path& recordings) {
    for (const auto& entry : fs::directory_iterator(recordings)) {
        if (entry.path().extension() != ".bin") continue;
        const Bytes line = ReadAll(entry.path());
        for (uint8_t mode : {0x00, 0x04, 0x05, 0x06}) {
            Bytes seed{mode};
            seed.insert(seed.end(), line.begin(), line.end());
            char name[64];
            std::snprintf(name, sizeof name, "%s-mode%02x", entry.path().stem().c_str(), mode);
            Save(dir, name, seed);
        }
    }
    Bytes scan{0x84};
    Message(scan, 0x01, {'2', '.', '1', '4', 0});
    Message(scan, 0x02, {'B', 'X', '4', '0', '2', '1', '1', '7', '9', 0});
    Message(scan, 0x03, {0x07});
    Message(scan, 0x16, {});
    Message(scan, 0x11, {0x03});
    Message(scan, 0x17, Report(3, 2, 0, 5));
    Message(scan, 0x17, Report(3, 0, 0, 0));
    Message(scan, 0x10, Report(32, 32, 0, 40));
    Message(scan, 0x17, Report(2, 1, 1, 255));
    Message(scan, 0x18, {});
    Save(dir, "framed-scan", scan);

    Bytes limits{0x85};
    Message(limits, 0x10, Report(33, 1, 0, 4));
    Message(limits, 0x10, Report(4, 33, 0, 4));
    Message(limits, 0x10, Report(4, 2, 62, 4));
    Message(limits, 0x42, Bytes(7998, 0x11));
    Message(limits, 0x11, {0x11});
    Save(dir, "framed-limits", limits);
}

// Scan dumps: byte 0 chooses the cutting into datagrams (see the target).
void ScanDumpSeeds(const fs::path& dir) {
    using namespace scandump;
    Bss hidden;
    hidden.bssid[5] = 0x77;
    hidden.ssid = std::string(7, '\0');
    const Bytes whole = Cat(Cat(Cat(Entry(Bss{}), Entry(SixGhzBss())), Entry(hidden)), Done());
    Save(dir, "dump", Cat({0x00}, whole));
    Save(dir, "dump-cut-up", Cat({0x85}, whole));
    Bytes beacon = BssNest(Bss{});
    beacon = Cat(beacon, Attr(NL80211_BSS_BEACON_IES, SsidElements("Beacon")));
    Save(dir, "beacon", Cat({0x00}, Cat(EntryWithNest(beacon), Done())));
    Save(dir, "no-such-device", Cat({0x00}, Error(-19)));
    // The connected access point's station with both signals, and a dump
    // marked as changed while it was read.
    const Bytes station = StationEntry({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, -47, -49);
    Save(dir, "station", Cat({0x00}, Cat(Cat(Entry(Bss{}), station), Done())));
    Save(dir, "interrupted", Cat({0x00}, Cat(Entry(Bss{}, NLM_F_MULTI | NLM_F_DUMP_INTR), Done())));
}

// Channel surveys: byte 0 chooses the cutting into datagrams, as above.
void SurveyDumpSeeds(const fs::path& dir) {
    using namespace surveydump;
    Survey inUse, quiet;
    inUse.frequency = 5180;
    inUse.inUse = true;
    quiet.frequency = 5955;
    quiet.noise.reset();
    const Bytes whole = scandump::Cat(
        scandump::Cat(scandump::Cat(SurveyEntry(SurveyNest({})), SurveyEntry(SurveyNest(inUse))),
                      SurveyEntry(SurveyNest(quiet))),
        scandump::Done());
    Save(dir, "survey", scandump::Cat({0x00}, whole));
    Save(dir, "survey-cut-up", scandump::Cat({0x85}, whole));
}

// iperf3's own answers of tests/data/iperf: byte 0 chooses the run (0
// download, 1 upload, 2 UDP).
void IperfSeeds(const fs::path& dir, const fs::path& answers) {
    const std::pair<const char*, uint8_t> files[] = {{"download.json", 0}, {"upload.json", 1},
                                                     {"udp.json", 2},      {"busy.json", 0},
                                                     {"refused.json", 1},  {"server-gone.json", 0}};
    for (const auto& [name, run] : files) {
        std::ifstream in(answers / name, std::ios::binary);
        Bytes seed{run};
        seed.insert(seed.end(), std::istreambuf_iterator<char>(in), {});
        Save(dir, name, seed);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seedgen REPO_ROOT\n");
        return 2;
    }
    const fs::path root = argv[1];
    SiteSeeds(root / "fuzz/corpus/fuzz_sitefile");
    BoardSeeds(root / "fuzz/corpus/fuzz_board_stream", root / "tests/data/board");
    ScanDumpSeeds(root / "fuzz/corpus/fuzz_nl80211_dump");
    SurveyDumpSeeds(root / "fuzz/corpus/fuzz_nl80211_survey");
    IperfSeeds(root / "fuzz/corpus/fuzz_iperf_json", root / "tests/data/iperf");
    return 0;
}
