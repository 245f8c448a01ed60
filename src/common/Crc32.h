#pragma once
// CRC-32 (the polynomial of zlib, PNG and Ethernet: reflected 0xEDB88320,
// initial value and final XOR 0xFFFFFFFF). Crc32("123456789") is 0xCBF43926.

#include <cstddef>
#include <cstdint>

// The CRC of `n` bytes; pass the result of an earlier call as `crc` to go on
// over further bytes as if they had followed the first ones.
uint32_t Crc32(const void* data, size_t n, uint32_t crc = 0);

// The ways Crc32 can take it, each giving the same CRC: zlib's tables, and
// carry-less multiplication on 128-bit or 512-bit registers (x86-64). Crc32
// uses the fastest the processor has; tests try each that it has.
enum class Crc32Kernel { kTables, kClmul, kWide };
bool Crc32KernelAvailable(Crc32Kernel kernel);
uint32_t Crc32Using(Crc32Kernel kernel, const void* data, size_t n, uint32_t crc = 0);

// The CRC of A followed by B, from the CRC of A, the CRC of B and B's length.
uint32_t Crc32Combine(uint32_t first, uint32_t second, uint64_t secondLength);
// The same for many second parts of one length: the combining operator for
// that length, made once, then each combination costs next to nothing.
uint32_t Crc32CombineOperator(uint64_t secondLength);
uint32_t Crc32CombineWith(uint32_t first, uint32_t second, uint32_t op);
