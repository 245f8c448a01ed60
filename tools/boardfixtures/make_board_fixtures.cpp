// Writes the hand-made board conversations of tests/data/board: each NAME.bin
// (raw bytes as the board sends them) and the provenance header of its
// NAME.golden. The expected decode below the header is then filled in with
//   PELLORIN_UPDATE_GOLDEN=1 board_tests --gtest_filter='*Recorded*'
// and reviewed as a diff. Usage: make_board_fixtures DIR

#include <cstdio>
#include <fstream>
#include <string>

#include "board/ScannerBoard.h"
#include "boardsim/BoardMessages.h"

namespace {

void Add(Bytes& stream, const Bytes& frame) {
    stream.insert(stream.end(), frame.begin(), frame.end());
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

bool Write(const std::string& dir, const std::string& name, const Bytes& stream,
           const std::string& content) {
    std::ofstream bin(dir + "/" + name + ".bin", std::ios::binary);
    bin.write(reinterpret_cast<const char*>(stream.data()), static_cast<long>(stream.size()));
    std::ofstream golden(dir + "/" + name + ".golden");
    golden << "# " << name << ".golden: expected decode of " << name << ".bin (" << stream.size()
           << " bytes)\n"
           << "# Source: made by hand with tools/boardfixtures/make_board_fixtures.cpp, not a "
              "capture.\n"
           << "# Content: " << content << "\n";
    return bin.good() && golden.good();
}

const Mac kOffice = {0x00, 0x1C, 0x10, 0x5A, 0x00, 0x01};
const Mac kGuest = {0x00, 0x1C, 0x10, 0x5A, 0x11, 0x11};  // stuffed on the wire
const Mac kHidden = {0x02, 0x60, 0x8C, 0x33, 0x44, 0x55};
const Mac kStray = {0x00, 0x40, 0x96, 0x00, 0x00, 0x07};  // never beaconed

Bytes StartUp() {
    Bytes s = {0x00, 0x00, 0xFF, 0x7F, 0x13};  // line noise at power-up
    Add(s, BoardFrame(MSG_FIRMWARE, Text(std::string("2.14\0", 5))));
    Add(s, BoardFrame(MSG_SERIAL, Text("BX20417766")));
    Add(s, BoardFrame(MSG_MODE, {kSurveyScanMode}));
    return s;
}

Bytes SurveyScan() {
    Bytes s;
    Add(s, BoardFrame(MSG_MODE, {kSurveyScanMode}));
    Add(s, BoardFrame(MSG_SCAN_START, {}));
    for (uint8_t ch = 1; ch <= 14; ++ch) {
        Add(s, BoardFrame(MSG_CHANNEL, {ch}));
        if (ch == 1)
            Add(s, BoardFrame(MSG_SCAN_REPORT, ReportMessage({{kOffice, -48}, {kStray, -80}},
                                                             {{0, "Office", 1, 0x0411}})));
        if (ch == 6)
            Add(s, BoardFrame(MSG_SCAN_REPORT,
                              ReportMessage({{kGuest, -67}, {kOffice, -52}},
                                            {{0, std::string("Guest\x11", 6), 6, 0x2001}})));
        if (ch == 11)
            Add(s, BoardFrame(MSG_SCAN_REPORT,
                              ReportMessage({{kHidden, -85}, {kGuest, -70}, {kOffice, -45}},
                                            {{0, "", 11, 0x0011}})));
    }
    Add(s, BoardFrame(MSG_SCAN_END, {}));
    return s;
}

Bytes Damaged() {
    Bytes s;
    Add(s, BoardFrame(MSG_SCAN_END, {}, 0x00));                            // bad checksum
    Add(s, {0x11, 0x12, 0x11, 0x14, 0x05, 0x11, 0x15, 0x14, 0x11, 0x13});  // 11 15 in a payload
    // A frame cut off by the next header: 11 12 inside a payload abandons the
    // first, and the 12 it consumed costs the channel frame too.
    Add(s, {0x11, 0x12, 0x10, 0x01, 0x00, 0x1C});
    Add(s, BoardFrame(MSG_CHANNEL, {3}));
    Add(s, BoardFrame(0x42, {0x01, 0x02}));  // unknown type
    Add(s, BoardFrame(MSG_SCAN_END, {}));    // finish without start
    Add(s, BoardFrame(MSG_SCAN_REPORT,       // counts promise more
                      ReportMessage({{kOffice, -50}}, {{0, "Office", 1}}, 1, 3)));
    std::vector<Probe> many;
    for (uint8_t i = 0; i < 33; ++i) many.push_back({{0x02, 0, 0, 0, 1, i}, -60});
    Add(s, BoardFrame(MSG_REPORT, ReportMessage(many, {{0, "Many", 1}})));  // 33 probes
    Add(s, BoardFrame(0x42, Bytes(8100, 0x00)));                            // longer than 8000
    Add(s, BoardFrame(MSG_REPORT, ReportMessage({{kOffice, -50}}, {{0, "Office", 1}})));
    return s;
}

Bytes ReportStream() {
    // 48 reports of 32 probes and 12 beacons over a pool of 40 access points,
    // as a busy floor gives them.
    Bytes s;
    Add(s, BoardFrame(MSG_SCAN_START, {}));
    for (int r = 0; r < 48; ++r) {
        std::vector<Probe> probes;
        std::vector<Beacon> beacons;
        for (int j = 0; j < 32; ++j) {
            const int ap = (r * 7 + j) % 40;
            probes.push_back({{0x00, 0x1C, 0x10, 0x20, static_cast<uint8_t>(ap >> 4),
                               static_cast<uint8_t>(ap * 0x11)},
                              static_cast<int16_t>(-40 - (ap * 13 + r) % 50)});
            if (j % 3 == 0 || j == 31)
                beacons.push_back({static_cast<uint8_t>(j), "floor2-ap" + std::to_string(ap),
                                   static_cast<uint8_t>(1 + ap % 13),
                                   static_cast<uint16_t>(ap % 2 ? 0x0011 : 0x2001)});
        }
        Add(s, BoardFrame(MSG_SCAN_REPORT, ReportMessage(probes, beacons)));
        Add(s, BoardFrame(MSG_CHANNEL, {static_cast<uint8_t>(1 + r % 13)}));
    }
    Add(s, BoardFrame(MSG_SCAN_END, {}));
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = Write(dir, "startup", StartUp(),
                    "power-up noise, firmware \"2.14\", a 10-character serial, mode 7 ack.");
    ok &= Write(dir, "survey_scan", SurveyScan(),
                "mode 7 ack, one survey scan over channels 1-14 with three reports "
                "(stuffed MAC and SSID, hidden SSID, a probe never beaconed), scan end.");
    ok &= Write(dir, "damaged", Damaged(),
                "bad checksum, 11 15 in a payload, a frame cut off by the next header (both lost), "
                "unknown type, finish without start, short report, 33 probes, 8100-byte "
                "frame, then one good report.");
    ok &= Write(dir, "report_stream", ReportStream(),
                "48 scan reports of 32 probes and 12 beacons over 40 access points "
                "(also the input of bench_board).");
    return ok ? 0 : 1;
}
