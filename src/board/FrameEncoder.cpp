#include "board/FrameEncoder.h"

namespace {

void PutStuffed(uint8_t byte, std::vector<uint8_t>& out) {
    out.push_back(byte);
    if (byte == kFrameEscape) out.push_back(kFrameStuff);
}

}  // namespace

void EncodeFrame(uint8_t type, const uint8_t* data, size_t length, uint8_t checksum,
                 std::vector<uint8_t>& out) {
    out.reserve(out.size() + 2 * length + 7);
    out.push_back(kFrameEscape);
    out.push_back(kFrameStart);
    PutStuffed(type, out);
    for (size_t i = 0; i < length; ++i) PutStuffed(data[i], out);
    // The receiver unstuffs the checksum together with the payload, so a
    // checksum 0x11 goes out as 11 14 too (the handheld's 0x00 never needs it).
    PutStuffed(checksum, out);
    out.push_back(kFrameEscape);
    out.push_back(kFrameEnd);
}

uint8_t BoardChecksum(uint8_t type, const uint8_t* data, size_t length) {
    uint8_t sum = type;
    for (size_t i = 0; i < length; ++i) sum ^= data[i];
    return sum;
}
