#pragma once
// CRC-32 as zlib, PNG and Ethernet compute it (reflected polynomial
// 0xEDB88320, initial and final value 0xFFFFFFFF), fed in pieces:
//
//     Crc32 crc;  crc.Update(a, n);  crc.Update(b, m);  crc.Value();
//
// Crc32Of("123456789", 9) is 0xCBF43926.

#include <cstddef>
#include <cstdint>

class Crc32 {
public:
    void Update(const void* data, size_t n);
    uint32_t Value() const { return ~m_state; }

private:
    uint32_t m_state = 0xFFFFFFFFu;
};

uint32_t Crc32Of(const void* data, size_t n);
