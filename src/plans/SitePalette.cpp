#include "plans/SitePalette.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint32_t kFree = 0xFF000000;  // never an RGB key
constexpr size_t kSlots = 512;
constexpr int kGreys = 32;
constexpr int kBins = 1 << 15;

size_t Slot(uint32_t rgb) { return (rgb * 2654435761u) >> 23; }  // 9 bits

int Bin(uint32_t rgb) {
    return static_cast<int>(((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 |
                            ((rgb >> 3) & 0x1F));
}

int Channel(int bin, int c) { return (bin >> (10 - 5 * c)) & 0x1F; }

struct Box {
    std::vector<int> bins;  // non-empty histogram bins
    uint64_t count = 0;
    int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
    void Measure(const std::vector<uint32_t>& hist) {
        count = 0;
        for (int c = 0; c < 3; ++c) lo[c] = 31, hi[c] = 0;
        for (const int b : bins) {
            count += hist[b];
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], Channel(b, c));
                hi[c] = std::max(hi[c], Channel(b, c));
            }
        }
    }
    int Widest() const {
        int w = 0;
        for (int c = 1; c < 3; ++c)
            if (hi[c] - lo[c] > hi[w] - lo[w]) w = c;
        return w;
    }
};

uint32_t Distance(uint32_t a, int r, int g, int b) {
    const int dr = static_cast<int>((a >> 16) & 0xFF) - r;
    const int dg = static_cast<int>((a >> 8) & 0xFF) - g;
    const int db = static_cast<int>(a & 0xFF) - b;
    // Weighted as the eye weighs them (green most, blue least).
    return static_cast<uint32_t>(3 * dr * dr + 4 * dg * dg + 2 * db * db);
}

}  // namespace

uint8_t CSitePalette::ExactIndex(uint32_t rgb) const {
    for (size_t s = Slot(rgb);; s = (s + 1) % kSlots)
        if (m_keys[s] == rgb || m_keys[s] == kFree) return m_values[s];
}

void CSitePalette::Build(const uint32_t* pixels, int32_t width, int32_t height, size_t stride) {
    std::memset(m_colors, 0, sizeof m_colors);
    // At most 256 colours: kept exactly.
    m_keys.assign(kSlots, kFree);
    m_values.assign(kSlots, 0);
    int used = 0;
    m_exact = true;
    for (int32_t y = 0; y < height && m_exact; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * stride;
        uint32_t last = kFree;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t rgb = row[x] & 0x00FFFFFF;
            if (rgb == last) continue;
            last = rgb;
            size_t s = Slot(rgb);
            while (m_keys[s] != kFree && m_keys[s] != rgb) s = (s + 1) % kSlots;
            if (m_keys[s] == rgb) continue;
            if (used == 256) {
                m_exact = false;
                break;
            }
            m_keys[s] = rgb;
            m_values[s] = static_cast<uint8_t>(used);
            m_colors[used++] = rgb;
        }
    }
    if (m_exact) return;
    m_keys.clear();
    m_values.clear();

    std::vector<uint32_t> hist(kBins, 0);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x) ++hist[Bin(row[x])];
    }
    int n = 0;
    for (int i = 0; i < kGreys; ++i) {
        const uint32_t v = static_cast<uint32_t>((i * 255 + kGreys / 2) / (kGreys - 1));
        m_colors[n++] = v << 16 | v << 8 | v;
    }
    // Colours the greys do not cover, cut into boxes of like colours.
    std::vector<Box> boxes(1);
    for (int b = 0; b < kBins; ++b) {
        if (hist[b] == 0) continue;
        const int r = Channel(b, 0), g = Channel(b, 1), bl = Channel(b, 2);
        if (std::max({r, g, bl}) - std::min({r, g, bl}) > 1) boxes[0].bins.push_back(b);
    }
    boxes[0].Measure(hist);
    if (boxes[0].bins.empty()) boxes.clear();
    while (boxes.size() < static_cast<size_t>(256 - kGreys)) {
        Box* pick = nullptr;
        for (Box& bx : boxes)
            if (bx.bins.size() > 1 && (pick == nullptr || bx.count > pick->count)) pick = &bx;
        if (pick == nullptr) break;
        const int c = pick->Widest();
        std::sort(pick->bins.begin(), pick->bins.end(),
                  [c](int a, int b) { return Channel(a, c) < Channel(b, c); });
        uint64_t half = 0;
        size_t cut = 0;
        while (cut + 1 < pick->bins.size() && half + hist[pick->bins[cut]] <= pick->count / 2)
            half += hist[pick->bins[cut++]];
        if (cut == 0) cut = 1;
        Box upper;
        upper.bins.assign(pick->bins.begin() + static_cast<std::ptrdiff_t>(cut), pick->bins.end());
        pick->bins.resize(cut);
        pick->Measure(hist);
        upper.Measure(hist);
        boxes.push_back(std::move(upper));
    }
    for (const Box& bx : boxes) {
        uint64_t sum[3] = {};
        for (const int b : bx.bins)
            for (int c = 0; c < 3; ++c) sum[c] += uint64_t{hist[b]} * (Channel(b, c) * 8 + 4);
        uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c) rgb = rgb << 8 | static_cast<uint32_t>(sum[c] / bx.count);
        m_colors[n++] = rgb;
    }
    // Each bin the plan uses takes the nearest colour to its centre.
    m_lut.assign(kBins, 0);
    for (int b = 0; b < kBins; ++b) {
        if (hist[b] == 0) continue;
        const int r = Channel(b, 0) * 8 + 4, g = Channel(b, 1) * 8 + 4, bl = Channel(b, 2) * 8 + 4;
        // Paper: the top bin of each channel (248..255) is the white of the plan.
        if (Channel(b, 0) == 31 && Channel(b, 1) == 31 && Channel(b, 2) == 31) {
            m_lut[b] = kGreys - 1;
            continue;
        }
        int best = 0;
        uint32_t bestD = UINT32_MAX;
        for (int i = 0; i < n; ++i) {
            const uint32_t d = Distance(m_colors[i], r, g, bl);
            if (d < bestD) bestD = d, best = i;
        }
        m_lut[b] = static_cast<uint8_t>(best);
    }
}

void CSitePalette::MapRow(const uint32_t* row, int32_t width, uint8_t* out) const {
    if (m_exact) {
        for (int32_t x = 0; x < width; ++x) out[x] = ExactIndex(row[x] & 0x00FFFFFF);
        return;
    }
    for (int32_t x = 0; x < width; ++x) out[x] = m_lut[Bin(row[x])];
}
