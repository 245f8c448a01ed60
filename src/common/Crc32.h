#pragma once
// CRC-32 (the polynomial of zlib, PNG and Ethernet: reflected 0xEDB88320,
// initial value and final XOR 0xFFFFFFFF). Crc32("123456789") is 0xCBF43926.

#include <cstddef>
#include <cstdint>

// The CRC of `n` bytes; pass the result of an earlier call as `crc` to go on
// over further bytes as if they had followed the first ones.
uint32_t Crc32(const void* data, size_t n, uint32_t crc = 0);
