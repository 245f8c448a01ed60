#include "BoardFrame.h"

#include "board/FrameEncoder.h"

Bytes BoardFrame(uint8_t type, const Bytes& payload, std::optional<uint8_t> checksum) {
    Bytes out;
    EncodeFrame(type, payload.data(), payload.size(),
                checksum.value_or(BoardChecksum(type, payload.data(), payload.size())), out);
    return out;
}
