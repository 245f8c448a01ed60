// Arbitrary bytes on the board's line, fed to theBoard the way the board
// worker feeds them: one byte per read, a read only when ReceiveStep asks for
// one, read time-outs (count 0) between chunks. After every dispatched frame
// scanList must still be a sound ring of sound records.
//
// Input: byte 0 chooses the feeding, the rest is the line.
//   bit 7    0: the rest is raw line bytes
//            1: the rest is messages: type, length (2 bytes LE, mod 8101),
//               payload; each is framed with a correct checksum and stuffed,
//               so that reports get past the checksum and into the merge
//   bits 0-1 0: byte by byte; 1: chunks of random size with a time-out after
//            each; 2: a time-out before about one byte in 64; 3: both
//   bit 2    the handheld selected survey mode 7 before the first byte
//   bits 3-6 seed of the chunk and time-out choices

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ListInvariants.h"
#include "aplist/ApList.h"
#include "board/BoardInterfaces.h"
#include "board/ScannerBoard.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_board_stream: %s\n", what.c_str());
    std::abort();
}

class CheckingOutbox : public IFrameOutbox {
public:
    int QueueTx(const uint8_t* bytes, size_t length) override {
        const std::vector<uint8_t> frame(bytes, bytes + length);
        static const std::vector<std::vector<uint8_t>> kKnown = {
            {0x11, 0x12, 0x01, 0x00, 0x11, 0x13},
            {0x11, 0x12, 0x02, 0x00, 0x11, 0x13},
            {0x11, 0x12, 0x16, 0x00, 0x11, 0x13},
            {0x11, 0x12, 0x03, 0x07, 0x00, 0x11, 0x13},
        };
        bool known = false;
        for (const auto& k : kKnown) known = known || k == frame;
        if (!known) Fail("the handheld queued a frame it never sends");
        ++queued;
        return 1;
    }
    size_t queued = 0;
};

class CountingNotifier : public IDrawNotifier {
public:
    void PostTalvDraw() override { ++draws; }
    size_t draws = 0;
};

class FrameCounter : public IFrameObserver {
public:
    void OnFrameDispatched(uint8_t, const uint8_t*, uint16_t length, bool) override {
        if (length > kRxPayloadLimit) Fail("a frame longer than 8000 bytes was dispatched");
        ++frames;
    }
    size_t frames = 0;
};

// Deterministic choices from the input's own seed (no state between inputs).
struct Choices {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

void PutStuffed(std::vector<uint8_t>& out, uint8_t b) {
    out.push_back(b);
    if (b == 0x11) out.push_back(0x14);
}

std::vector<uint8_t> FrameMessages(const uint8_t* data, size_t size) {
    std::vector<uint8_t> wire;
    size_t at = 0;
    while (at + 3 <= size) {
        const uint8_t type = data[at];
        const size_t length = (data[at + 1] | (data[at + 2] << 8)) % 8101;
        at += 3;
        const size_t n = length < size - at ? length : size - at;
        uint8_t sum = type;
        wire.push_back(0x11);
        wire.push_back(0x12);
        wire.push_back(type);
        if (type == 0x11) wire.push_back(0x14);
        for (size_t i = 0; i < n; ++i) {
            sum ^= data[at + i];
            PutStuffed(wire, data[at + i]);
        }
        PutStuffed(wire, sum);
        wire.push_back(0x11);
        wire.push_back(0x13);
        at += n;
    }
    return wire;
}

void CheckBoard(const FrameCounter& counter) {
    if (theBoard.GetRxState() > kRxTypeStuffing) Fail("receiver left its state table");
    const size_t maxRecords = kMaxReportEntries * (counter.frames + 1);
    std::string broken = CheckRing(scanList, maxRecords);
    if (broken.empty()) broken = CheckScanRecords(scanList);
    if (!broken.empty()) Fail("scanList: " + broken);
    if (theBoard.m_probeCount < 0 || theBoard.m_probeCount > 32) Fail("m_probeCount out of range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    const std::vector<uint8_t> wire = (mode & 0x80) ? FrameMessages(data + 1, size - 1)
                                                    : std::vector<uint8_t>(data + 1, data + size);

    CheckingOutbox outbox;
    CountingNotifier notifier;
    FrameCounter counter;
    theBoard.Reset();
    theBoard.SetOutbox(&outbox);
    theBoard.SetNotifier(&notifier);
    theBoard.SetFrameObserver(&counter);
    scanList.RemoveAll();
    if (mode & 0x04) theBoard.SelectScanMode(kSurveyScanMode);

    const bool chunked = (mode & 0x01) != 0;
    const bool sprinkled = (mode & 0x02) != 0;
    Choices choose{0x9E3779B9u ^ (uint32_t{mode} << 16) ^ static_cast<uint32_t>(size)};
    size_t chunkLeft = chunked ? 1 + choose.Next() % 64 : SIZE_MAX;

    uint8_t byte = 0;
    uint32_t bytesRead = 0;  // kept over a step that asks for nothing, as the worker does
    size_t pos = 0;
    size_t idleAfterEnd = 0;
    size_t lastFrames = 0;
    const size_t maxSteps = 4 * wire.size() + 64;
    for (size_t step = 0; step < maxSteps; ++step) {
        const int wanted = theBoard.ReceiveStep(&byte, bytesRead);
        if (wanted != 0 && wanted != 1) Fail("ReceiveStep asked for more than one byte");
        if (counter.frames != lastFrames) {
            lastFrames = counter.frames;
            CheckBoard(counter);
        }
        if (wanted == 0) continue;
        bool timeOut = false;
        if (chunked && chunkLeft == 0) {
            timeOut = true;
            chunkLeft = 1 + choose.Next() % 64;
        } else if (sprinkled && choose.Next() % 64 == 0) {
            timeOut = true;
        }
        if (timeOut || pos >= wire.size()) {
            bytesRead = 0;
            if (pos >= wire.size() && ++idleAfterEnd > 3) break;
            continue;
        }
        byte = wire[pos++];
        bytesRead = 1;
        if (chunked) --chunkLeft;
    }
    if (pos < wire.size()) Fail("the receiver stopped asking for bytes");
    CheckBoard(counter);

    char firmware[33];
    char serial[32];
    theBoard.GetFirmware(firmware);
    theBoard.GetSerial(serial);
    if (strnlen(firmware, sizeof firmware) > 32) Fail("firmware text not terminated");
    if (strnlen(serial, sizeof serial) > 8 && std::strcmp(serial, "XXXXXX") != 0)
        Fail("serial text longer than 8 characters");
    if (notifier.draws > counter.frames) Fail("more draws than frames");

    theBoard.SetOutbox(nullptr);
    theBoard.SetNotifier(nullptr);
    theBoard.SetFrameObserver(nullptr);
    scanList.RemoveAll();
    return 0;
}
