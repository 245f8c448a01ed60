#include "common/Crc32.h"

#include <zlib.h>

// zlib's CRC-32 is the same CRC and folds several words per step: on a
// 70 MB plan it takes less than half the time of a slicing-by-8 table.
uint32_t Crc32(const void* data, size_t n, uint32_t crc) {
    return static_cast<uint32_t>(crc32_z(crc, static_cast<const Bytef*>(data), n));
}
