#pragma once
// A floor plan's colours reduced to the site file's 256-colour palette
// without dithering, so that a line drawing stays sharp: a plan of at most
// 256 colours keeps them exactly; any other gets 32 greys from black to
// white (the grey edges of thin lines and text keep their shade, paper stays
// one white) and up to 224 colours cut from the plan's own (median cut of a
// 5-bit-per-channel histogram), and every pixel takes the nearest. No Qt.

#include <cstddef>
#include <cstdint>
#include <vector>

class CSitePalette {
public:
    // `pixels`: opaque 0xFFRRGGBB (or 0x00RRGGBB) rows of `width`, `stride`
    // words apart.
    void Build(const uint32_t* pixels, int32_t width, int32_t height, size_t stride);
    // The palette, 0x00RRGGBB; unused entries black.
    const uint32_t* Colors() const { return m_colors; }
    bool Exact() const { return m_exact; }
    // One row of palette indices.
    void MapRow(const uint32_t* row, int32_t width, uint8_t* out) const;

private:
    uint8_t ExactIndex(uint32_t rgb) const;
    uint32_t m_colors[256] = {};
    bool m_exact = false;
    // Exact: colour -> index by open addressing (512 slots, key 0xFF000000 free).
    std::vector<uint32_t> m_keys;
    std::vector<uint8_t> m_values;
    // Reduced: 5-5-5 bin -> index.
    std::vector<uint8_t> m_lut;
};
