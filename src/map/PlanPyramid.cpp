#include "map/PlanPyramid.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "site/SiteFile.h"

namespace {

// Levels stop once both sides are this small: below it the painting
// averages the last level over larger areas itself.
constexpr int32_t kSmallestSide = 8;

int32_t Ceil(int32_t side, int32_t factor) { return (side + factor - 1) / factor; }

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFFu); }

// What a level is averaged from: rows of palette indices with their colours.
struct Source {
    int32_t width = 0, height = 0;
    const MapBitmap* plan = nullptr;  // or
    const PlanLevel* level = nullptr;
    const uint32_t* colours = nullptr;  // 0x..RRGGBB of each index
    // Indices whose colour is one of the levels' own (on the plan: those
    // in use): a block of one of them alone is copied.
    const bool* copyable = nullptr;
    const uint8_t* Row(int32_t y) const { return plan != nullptr ? plan->Row(y) : level->Row(y); }
};

// The level colour nearest to an average, looked up in 64 steps a channel
// and worked out the first time each step is met (a plan meets few).
class NearestColour {
public:
    static constexpr size_t kKeys = size_t{1} << 18;
    // What the lookup holds while the levels are made.
    static constexpr size_t kBytes = kKeys + kKeys / 8;

    explicit NearestColour(const uint32_t* palette) : m_palette(palette) {}
    bool Ready() {
        m_index.reset(new (std::nothrow) uint8_t[kKeys]);
        m_known.reset(new (std::nothrow) uint64_t[kKeys / 64]());
        return m_index && m_known;
    }
    // The lookup through plain pointers, for the loops: a store through a
    // byte pointer there would otherwise make the compiler fetch this
    // object's pointers again at every pixel.
    struct Lookup {
        uint8_t* index;
        uint64_t* known;
        const NearestColour* owner;
        // r6, g6, b6: the average's channels in 0..63.
        uint8_t Of(uint32_t r6, uint32_t g6, uint32_t b6) const {
            const size_t key = r6 | g6 << 6 | b6 << 12;
            if (((known[key / 64] >> (key % 64)) & 1u) == 0) owner->Fill(key, index, known);
            return index[key];
        }
    };
    Lookup Begin() { return {m_index.get(), m_known.get(), this}; }

private:
    void Fill(size_t key, uint8_t* index, uint64_t* known) const {
        const int r = static_cast<int>(key & 63u) * 4 + 2,
                  g = static_cast<int>(key >> 6 & 63u) * 4 + 2,
                  b = static_cast<int>(key >> 12 & 63u) * 4 + 2;
        index[key] = Search(r, g, b);
        known[key / 64] |= uint64_t{1} << (key % 64);
    }
    uint8_t Search(int r, int g, int b) const {
        int best = 0;
        int bestDistance = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const int dr = Channel(m_palette[i], 16) - r, dg = Channel(m_palette[i], 8) - g,
                      db = Channel(m_palette[i], 0) - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) bestDistance = d, best = i;
        }
        return static_cast<uint8_t>(best);
    }
    const uint32_t* m_palette;
    std::unique_ptr<uint8_t[]> m_index;
    std::unique_ptr<uint64_t[]> m_known;
};

// How often each index occurs. A plan is mostly runs of one index (its
// background, its fills): eight equal bytes are counted at once.
std::array<uint64_t, 256> UsageOf(const MapBitmap& plan) {
    std::array<uint64_t, 256> counts{};
    for (int32_t y = 0; y < plan.height; ++y) {
        const uint8_t* row = plan.Row(y);
        int32_t x = 0;
        for (; x + 8 <= plan.width; x += 8) {
            uint64_t word;
            std::memcpy(&word, row + x, sizeof word);
            if (word == row[x] * 0x0101010101010101ull) {
                counts[row[x]] += 8;
                continue;
            }
            for (int32_t k = 0; k < 8; ++k) ++counts[row[x + k]];
        }
        for (; x < plan.width; ++x) ++counts[row[x]];
    }
    return counts;
}

// The levels' palette: the plan's colours in use at their own index, the
// free indices holding blends of each of them toward the most common.
void MakePalette(const MapBitmap& plan, const std::array<uint64_t, 256>& counts, uint32_t* palette,
                 bool* kept) {
    std::vector<int> used, free;
    for (int i = 0; i < 256; ++i) {
        kept[i] = counts[static_cast<size_t>(i)] > 0;
        palette[i] = 0xFF000000u | (plan.colorTable[i] & 0xFFFFFFu);
        (kept[i] ? used : free).push_back(i);
    }
    std::stable_sort(used.begin(), used.end(), [&counts](int a, int b) {
        return counts[static_cast<size_t>(a)] > counts[static_cast<size_t>(b)];
    });
    if (used.size() < 2 || free.empty()) return;
    const uint32_t background = palette[used[0]];
    const size_t others = used.size() - 1;
    size_t next = 0;
    for (size_t k = 0; k < others && next < free.size(); ++k) {
        // The commoner colours take the odd blend left over.
        const size_t share = free.size() / others + (k < free.size() % others ? 1 : 0);
        const uint32_t colour = palette[used[k + 1]];
        for (size_t step = 1; step <= share; ++step) {
            const double t = static_cast<double>(step) / static_cast<double>(share + 1);
            uint32_t blend = 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const double c = Channel(colour, shift) +
                                 (Channel(background, shift) - Channel(colour, shift)) * t;
                blend |= static_cast<uint32_t>(c + 0.5) << shift;
            }
            palette[free[next++]] = blend;
        }
    }
}

// Level pixels of `out` from `src` in blocks of kx x ky source pixels.
void AverageLevel(const Source& src, int32_t kx, int32_t ky, PlanLevel& out,
                  NearestColour& colours) {
    const NearestColour::Lookup nearest = colours.Begin();
    const bool* const copyable = src.copyable;
    // The three channels side by side, 10 bits each: four colours add up
    // without one channel running into the next.
    uint32_t packed[256];
    for (int i = 0; i < 256; ++i)
        packed[i] = static_cast<uint32_t>(Channel(src.colours[i], 16)) |
                    static_cast<uint32_t>(Channel(src.colours[i], 8)) << 10 |
                    static_cast<uint32_t>(Channel(src.colours[i], 0)) << 20;
    constexpr uint32_t kHalf = 2u | 2u << 10 | 2u << 20;  // rounds the mean of four
    for (int32_t j = 0; j < out.height; ++j) {
        uint8_t* dst = out.indices.get() + static_cast<size_t>(j) * static_cast<size_t>(out.width);
        const int32_t y0 = j * ky, y1 = std::min(y0 + ky, src.height);
        int32_t i = 0;
        if (kx == 2 && ky == 2 && y1 - y0 == 2) {
            const uint8_t* a = src.Row(y0);
            const uint8_t* b = src.Row(y0 + 1);
            for (; 2 * i + 1 < src.width; ++i) {
                const uint8_t p = a[2 * i], q = a[2 * i + 1], r = b[2 * i], s = b[2 * i + 1];
                if (p == q && p == r && p == s && copyable[p]) {
                    dst[i] = p;
                    continue;
                }
                const uint32_t sum = packed[p] + packed[q] + packed[r] + packed[s] + kHalf;
                dst[i] = nearest.Of((sum >> 4) & 63u, (sum >> 14) & 63u, (sum >> 24) & 63u);
            }
        }
        // Blocks cut by the edge, and the blocks of other factors.
        for (; i < out.width; ++i) {
            const int32_t x0 = i * kx, x1 = std::min(x0 + kx, src.width);
            uint32_t r = 0, g = 0, b = 0, n = 0;
            const uint8_t first = src.Row(y0)[x0];
            bool same = copyable[first];
            for (int32_t y = y0; y < y1; ++y) {
                const uint8_t* row = src.Row(y);
                for (int32_t x = x0; x < x1; ++x) {
                    const uint32_t c = src.colours[row[x]];
                    r += (c >> 16) & 0xFFu;
                    g += (c >> 8) & 0xFFu;
                    b += c & 0xFFu;
                    ++n;
                    same = same && row[x] == first;
                }
            }
            dst[i] =
                same ? first
                     : nearest.Of((r + n / 2) / n >> 2, (g + n / 2) / n >> 2, (b + n / 2) / n >> 2);
        }
    }
}

}  // namespace

size_t CPlanPyramid::BudgetFor(int32_t planWidth, int32_t planHeight) {
    if (planWidth <= 0 || planHeight <= 0) return 0;
    return static_cast<size_t>(planWidth) * static_cast<size_t>(planHeight) / 3;
}

size_t CPlanPyramid::Bytes() const {
    size_t n = m_levels.empty() ? 0 : sizeof m_palette;
    for (const PlanLevel& l : m_levels)
        n += static_cast<size_t>(l.width) * static_cast<size_t>(l.height);
    return n;
}

void CPlanPyramid::Clear() {
    m_levels.clear();
    m_levels.shrink_to_fit();
    m_planW = m_planH = 0;
}

bool CPlanPyramid::Build(const MapBitmap& plan) {
    Clear();
    if (!plan.IsWhole()) return true;
    const size_t budget = BudgetFor(plan.width, plan.height);
    // The lookup is freed at the end, but it is there at the peak.
    size_t total = sizeof m_palette + NearestColour::kBytes;
    if (total >= budget || (plan.width <= kSmallestSide && plan.height <= kSmallestSide)) {
        m_planW = plan.width;
        m_planH = plan.height;
        return true;  // nothing a level would help
    }

    bool kept[256];
    MakePalette(plan, UsageOf(plan), m_palette, kept);
    bool everyIndex[256];
    std::fill(std::begin(everyIndex), std::end(everyIndex), true);
    uint32_t planColours[256];
    for (int i = 0; i < 256; ++i) planColours[i] = plan.colorTable[i] & 0xFFFFFFu;
    NearestColour nearest(m_palette);
    if (!nearest.Ready()) return false;

    m_levels.reserve(32);  // `src` points at the last level while the next is made
    Source src{plan.width, plan.height, &plan, nullptr, planColours, kept};
    int32_t factorX = 1, factorY = 1;
    while (src.width > kSmallestSide || src.height > kSmallestSide) {
        // Halve each side that can be halved; where the budget will not
        // take that, reduce further.
        int32_t kx = src.width > 1 ? 2 : 1, ky = src.height > 1 ? 2 : 1;
        size_t bytes = 0;
        for (;;) {
            bytes = static_cast<size_t>(Ceil(src.width, kx)) *
                    static_cast<size_t>(Ceil(src.height, ky));
            if (total + bytes <= budget || bytes == 1) break;
            if (Ceil(src.width, kx) > 1) kx *= 2;
            if (Ceil(src.height, ky) > 1) ky *= 2;
        }
        if (total + bytes > budget) break;
        PlanLevel level;
        level.width = Ceil(src.width, kx);
        level.height = Ceil(src.height, ky);
        factorX *= kx;
        factorY *= ky;
        level.factorX = factorX;
        level.factorY = factorY;
        level.indices.reset(new (std::nothrow) uint8_t[bytes]);
        if (!level.indices) {
            Clear();
            return false;
        }
        AverageLevel(src, kx, ky, level, nearest);
        total += bytes;
        m_levels.push_back(std::move(level));
        src = {m_levels.back().width,
               m_levels.back().height,
               nullptr,
               &m_levels.back(),
               m_palette,
               everyIndex};
    }
    m_planW = plan.width;
    m_planH = plan.height;
    return true;
}
