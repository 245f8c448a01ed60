#pragma once
// Builds a board frame: 11 12, type, 14 after a type 0x11, the payload with
// every 0x11 sent as 11 14, the checksum position, 11 13. The handheld always
// sends 0x00 in the checksum position; the board sends the byte that makes the
// XOR of type, payload and checksum come to 0.

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint8_t kFrameEscape = 0x11;
constexpr uint8_t kFrameStart = 0x12;
constexpr uint8_t kFrameEnd = 0x13;
constexpr uint8_t kFrameStuff = 0x14;

// Appends the frame to out.
void EncodeFrame(uint8_t type, const uint8_t* data, size_t length, uint8_t checksum,
                 std::vector<uint8_t>& out);

// The checksum byte a board puts behind type and payload.
uint8_t BoardChecksum(uint8_t type, const uint8_t* data, size_t length);
