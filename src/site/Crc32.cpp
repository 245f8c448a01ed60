#include "site/Crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

void Crc32::Update(const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t c = m_state;
    for (size_t i = 0; i < n; ++i) c = kTable[(c ^ p[i]) & 0xFFu] ^ (c >> 8);
    m_state = c;
}

uint32_t Crc32Of(const void* data, size_t n) {
    Crc32 crc;
    crc.Update(data, n);
    return crc.Value();
}
