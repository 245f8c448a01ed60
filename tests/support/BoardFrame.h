#pragma once

#include <cstdint>
#include <optional>

#include "TestBytes.h"

// A frame as the board sends it: stuffed type, payload and checksum. Without
// an explicit checksum the correct one is used.
Bytes BoardFrame(uint8_t type, const Bytes& payload, std::optional<uint8_t> checksum = {});
