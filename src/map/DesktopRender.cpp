#include "map/DesktopRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/GreyRow.h"
#include "map/PointCircles.h"
#include "site/SiteFile.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
// Three 8-bit channels in 16-bit lanes (blue, green, red from the bottom):
// a share out of 256 times a channel still fits its lane.
constexpr uint64_t kLanes = 0x000000FF00FF00FFull;
constexpr uint64_t kLaneHalf = 0x0000008000800080ull;

uint64_t Lanes(uint32_t rgb) {
    return (rgb & 0xFFu) | static_cast<uint64_t>((rgb >> 8) & 0xFFu) << 16 |
           static_cast<uint64_t>((rgb >> 16) & 0xFFu) << 32;
}

VpRect Meet(const VpRect& a, const VpRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool Empty(const VpRect& r) { return r.left >= r.right || r.top >= r.bottom; }

uint32_t* PixelAt(const MapTarget& t, int32_t x, int32_t y) {
    return t.pixels + static_cast<size_t>(y - t.originY) * t.stride +
           static_cast<size_t>(x - t.originX);
}

int32_t Clamp(int32_t v, int32_t side) { return std::clamp(v, 0, side - 1); }

void PaintStrips(const DesktopBlit& blit, const VpRect& buffer, const MapTarget& target) {
    for (int32_t i = 0; i < blit.stripCount; ++i) {
        const VpRect strip = Meet(blit.strips[i], buffer);
        if (Empty(strip)) continue;
        for (int32_t y = strip.top; y < strip.bottom; ++y)
            std::fill_n(PixelAt(target, strip.left, y), strip.Width(), kWhite);
    }
}

}  // namespace

double CDesktopMapRenderer::CircleRadius(const WorldAxis& axis, double minRadius) {
    // Bounded so that a circle's sums stay far inside the integers.
    return std::clamp(std::max(10.0 / axis.perPixel, minRadius), 0.0, 4096.0);
}

void CDesktopMapRenderer::Render(const MapBitmap& plan, const CPlanPyramid& pyramid,
                                 const CCircleLog& circles, const DesktopBlit& blit,
                                 const MapTarget& target, IMapOverlay* overlay, double minRadius) {
    const VpRect area = PaintPlan(plan, pyramid, blit, target, overlay);
    if (!Empty(area)) PaintCircles(circles, area, blit, target, minRadius);
}

void CDesktopMapRenderer::RenderPlan(const MapBitmap& plan, const CPlanPyramid& pyramid,
                                     const DesktopBlit& blit, const MapTarget& target,
                                     CBandShare* share) {
    PaintPlan(plan, pyramid, blit, target, nullptr, share);
}

void CDesktopMapRenderer::RenderCoats(const MapBitmap& plan, const CCircleLog& circles,
                                      const DesktopBlit& blit, const MapTarget& target,
                                      IMapOverlay* overlay, double minRadius,
                                      const MapTarget* coat) {
    if (target.pixels == nullptr || target.width <= 0 || target.height <= 0) return;
    const VpRect buffer{target.originX, target.originY, target.originX + target.width,
                        target.originY + target.height};
    const VpRect area = Meet(blit.dest, buffer);
    const bool painted = plan.IsWhole() && !Empty(area);
    const int32_t n = area.Width();
    if (painted && overlay != nullptr) {
        m_worldX.resize(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i)
            m_worldX[static_cast<size_t>(i)] = Clamp(blit.x.Under(area.left + i), plan.width);
    }
    // Without an overlay the coat is copied whole: one large copy writes
    // past the cache, which rows copied one by one do not.
    const bool whole =
        coat != nullptr && (!painted || overlay == nullptr) && coat->stride == target.stride;
    if (whole)
        std::memcpy(target.pixels, coat->pixels,
                    static_cast<size_t>(target.height) * target.stride * sizeof(uint32_t));
    for (int32_t y = buffer.top; y < buffer.bottom; ++y) {
        if (coat != nullptr && !whole)
            std::memcpy(PixelAt(target, buffer.left, y), PixelAt(*coat, buffer.left, y),
                        static_cast<size_t>(target.width) * sizeof(uint32_t));
        if (painted && overlay != nullptr && y >= area.top && y < area.bottom)
            overlay->PaintRow({y, area.left, n, PixelAt(target, area.left, y),
                               Clamp(blit.y.Under(y), plan.height), m_worldX.data()});
    }
    if (painted) PaintCircles(circles, area, blit, target, minRadius);
}

VpRect CDesktopMapRenderer::PaintPlan(const MapBitmap& plan, const CPlanPyramid& pyramid,
                                      const DesktopBlit& blit, const MapTarget& target,
                                      IMapOverlay* overlay, CBandShare* share) {
    if (target.pixels == nullptr || target.width <= 0 || target.height <= 0) return {};
    const VpRect buffer{target.originX, target.originY, target.originX + target.width,
                        target.originY + target.height};
    PaintStrips(blit, buffer, target);
    const VpRect area = Meet(blit.dest, buffer);
    if (!plan.IsWhole() || Empty(area)) return {};
    // Bands of at least 64 rows, at most 16: a band's first rows average
    // level rows its neighbour averages too, and the caller waits at most
    // for the one band the worker is busy with. An overlay takes its rows
    // in order, on one thread.
    const int32_t bands =
        share != nullptr && overlay == nullptr ? std::clamp(area.Height() / 64, 1, 16) : 1;
    if (bands == 1) {
        PaintPlanArea(plan, pyramid, blit, area, target, overlay);
        return area;
    }
    if (!m_helper) m_helper = std::make_unique<CDesktopMapRenderer>();
    share->Run(bands, [&](int32_t band, int doer) {
        const VpRect rows{area.left, area.top + area.Height() * band / bands, area.right,
                          area.top + area.Height() * (band + 1) / bands};
        (doer == 0 ? *this : *m_helper).PaintPlanArea(plan, pyramid, blit, rows, target, overlay);
    });
    return area;
}

const PlanLevel* CDesktopMapRenderer::LevelFor(const MapBitmap& plan, const CPlanPyramid& pyramid,
                                               const DesktopBlit& blit) {
    // The coarsest level with at least 1.5 of its pixels to a target
    // pixel: averaging a level pixel and then the target's area widens
    // the filter by a level pixel, which at walls' edges shows (a level
    // as coarse as the target doubles it); finer levels cost more taps.
    const PlanLevel* level = nullptr;
    if (pyramid.PlanWidth() == plan.width && pyramid.PlanHeight() == plan.height)
        for (size_t i = 0; i < pyramid.LevelCount(); ++i) {
            const PlanLevel& l = pyramid.Level(i);
            if (1.5 * l.factorX <= blit.x.perPixel && 1.5 * l.factorY <= blit.y.perPixel)
                level = &l;
        }
    return level;
}

void CDesktopMapRenderer::PaintPlanArea(const MapBitmap& plan, const CPlanPyramid& pyramid,
                                        const DesktopBlit& blit, const VpRect& area,
                                        const MapTarget& target, IMapOverlay* overlay) {
    if (std::max(blit.x.perPixel, blit.y.perPixel) <= 1.0) {
        PaintPlanSharp(plan, area, blit, target, overlay);
        return;
    }
    const PlanLevel* level = LevelFor(plan, pyramid, blit);
    uint32_t planColours[256];
    for (int i = 0; i < 256; ++i) planColours[i] = plan.colorTable[i] & 0xFFFFFFu;
    PaintPlanAveraged(plan, level, level != nullptr ? pyramid.Palette() : planColours, area, blit,
                      target, overlay);
}

bool CDesktopMapRenderer::SameAlong(const WorldAxis& kept, const WorldAxis& now, int32_t factor,
                                    int32_t side, int32_t from, int32_t to, int32_t shift) {
    if (kept.perPixel != now.perPixel) return false;
    if (factor == 0) {  // enlarged: the plan pixel under each pixel's centre
        for (int32_t t = from; t < to; ++t)
            if (Clamp(now.Under(t), side) != Clamp(kept.Under(t + shift), side)) return false;
        return true;
    }
    MakeTaps(now, factor, side, from, to, m_tapsX);
    MakeTaps(kept, factor, side, from + shift, to + shift, m_keptTaps);
    // The same level pixels with the same shares, leaving out shares of 0:
    // an edge a rounding error away from a level pixel's edge gives the
    // pixel past it a share of 0 on the one side and none on the other.
    const auto same = [](const Taps& a, const Taps& b, size_t k) {
        int32_t i = 0, j = 0;
        for (;;) {
            while (i < a.count[k] && a.weight[static_cast<size_t>(a.offset[k] + i)] == 0) ++i;
            while (j < b.count[k] && b.weight[static_cast<size_t>(b.offset[k] + j)] == 0) ++j;
            if (i == a.count[k] || j == b.count[k]) return i == a.count[k] && j == b.count[k];
            if (a.first[k] + i != b.first[k] + j ||
                a.weight[static_cast<size_t>(a.offset[k] + i)] !=
                    b.weight[static_cast<size_t>(b.offset[k] + j)])
                return false;
            ++i;
            ++j;
        }
    };
    for (size_t k = 0; k < m_tapsX.first.size(); ++k)
        if (!same(m_tapsX, m_keptTaps, k)) return false;
    return true;
}

bool CDesktopMapRenderer::RenderPlanMoved(const MapBitmap& plan, const CPlanPyramid& pyramid,
                                          const DesktopBlit& kept, const DesktopBlit& blit,
                                          const MapTarget& target, CBandShare* share) {
    if (target.pixels == nullptr || target.width <= 0 || target.height <= 0) return false;
    const VpRect buffer{target.originX, target.originY, target.originX + target.width,
                        target.originY + target.height};
    const VpRect area = Meet(blit.dest, buffer), keptArea = Meet(kept.dest, buffer);
    // Target pixel t now shows what pixel t + shift showed.
    const auto shiftOf = [](const WorldAxis& k, const WorldAxis& n) {
        const double s = (n.origin - k.origin) / n.perPixel;
        return std::abs(s) < 1 << 20 ? static_cast<int32_t>(std::lround(s)) : 1 << 20;
    };
    const int32_t dx = shiftOf(kept.x, blit.x), dy = shiftOf(kept.y, blit.y);
    const VpRect moved = Meet(
        area, {keptArea.left - dx, keptArea.top - dy, keptArea.right - dx, keptArea.bottom - dy});
    bool same = plan.IsWhole() && !Empty(moved);
    if (same) {
        const bool sharp = std::max(blit.x.perPixel, blit.y.perPixel) <= 1.0;
        const PlanLevel* level = sharp ? nullptr : LevelFor(plan, pyramid, blit);
        const int32_t fx = sharp ? 0 : level != nullptr ? level->factorX : 1;
        const int32_t fy = sharp ? 0 : level != nullptr ? level->factorY : 1;
        const int32_t w = level != nullptr ? level->width : plan.width;
        const int32_t h = level != nullptr ? level->height : plan.height;
        same = SameAlong(kept.x, blit.x, fx, w, moved.left, moved.right, dx) &&
               SameAlong(kept.y, blit.y, fy, h, moved.top, moved.bottom, dy);
    }
    if (!same) {
        RenderPlan(plan, pyramid, blit, target, share);
        return false;
    }
    // Rows in the order that reads each kept row before it is overwritten.
    const size_t bytes = static_cast<size_t>(moved.Width()) * sizeof(uint32_t);
    for (int32_t k = 0; k < moved.Height(); ++k) {
        const int32_t y = dy >= 0 ? moved.top + k : moved.bottom - 1 - k;
        std::memmove(PixelAt(target, moved.left, y), PixelAt(target, moved.left + dx, y + dy),
                     bytes);
    }
    PaintStrips(blit, buffer, target);
    // The plan's part around what moved: the bands above and below it, and
    // beside it.
    const VpRect bands[] = {{area.left, area.top, area.right, moved.top},
                            {area.left, moved.bottom, area.right, area.bottom},
                            {area.left, moved.top, moved.left, moved.bottom},
                            {moved.right, moved.top, area.right, moved.bottom}};
    for (const VpRect& band : bands)
        if (!Empty(band)) PaintPlanArea(plan, pyramid, blit, band, target, nullptr);
    return true;
}

void CDesktopMapRenderer::PaintPlanSharp(const MapBitmap& plan, const VpRect& area,
                                         const DesktopBlit& blit, const MapTarget& target,
                                         IMapOverlay* overlay) {
    const int32_t n = area.Width();
    m_worldX.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        m_worldX[static_cast<size_t>(i)] = Clamp(blit.x.Under(area.left + i), plan.width);
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u | (plan.colorTable[i] & 0xFFFFFFu);
    const uint32_t* previous = nullptr;
    int32_t previousY = -1;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const int32_t worldY = Clamp(blit.y.Under(y), plan.height);
        uint32_t* row = PixelAt(target, area.left, y);
        if (worldY == previousY && overlay == nullptr) {
            std::memcpy(row, previous, static_cast<size_t>(n) * sizeof *row);
            continue;
        }
        const uint8_t* indices = plan.Row(worldY);
        for (int32_t i = 0; i < n; ++i) row[i] = palette[indices[m_worldX[static_cast<size_t>(i)]]];
        if (overlay != nullptr) overlay->PaintRow({y, area.left, n, row, worldY, m_worldX.data()});
        previous = row;
        previousY = worldY;
    }
}

void CDesktopMapRenderer::MakeTaps(const WorldAxis& axis, int32_t factor, int32_t side,
                                   int32_t from, int32_t to, Taps& taps) {
    const size_t n = static_cast<size_t>(to - from);
    taps.first.resize(n);
    taps.count.resize(n);
    taps.offset.resize(n);
    taps.weight.clear();
    taps.widest = 1;
    for (size_t k = 0; k < n; ++k) {
        const double lo = axis.At(from + static_cast<double>(k)) / factor;
        const double hi = axis.At(from + static_cast<double>(k) + 1) / factor;
        const double a = std::max(lo, 0.0), b = std::min(hi, static_cast<double>(side));
        taps.offset[k] = static_cast<int32_t>(taps.weight.size());
        if (b <= a) {
            // Beside the plan (the pixel a plan thinner than a pixel is
            // given): its nearest level pixel.
            taps.first[k] = Clamp(static_cast<int32_t>(std::floor((lo + hi) / 2)), side);
            taps.count[k] = 1;
            taps.weight.push_back(256);
            continue;
        }
        const int32_t i0 = static_cast<int32_t>(std::floor(a));
        const int32_t i1 = std::min(static_cast<int32_t>(std::ceil(b)), side);
        taps.first[k] = i0;
        taps.count[k] = std::max(i1 - i0, 1);
        taps.widest = std::max(taps.widest, taps.count[k]);
        // Each level pixel's share of the area, out of 256 in all.
        double covered = 0;
        int32_t given = 0;
        for (int32_t i = i0; i < i0 + taps.count[k]; ++i) {
            covered += std::min(b, i + 1.0) - std::max(a, static_cast<double>(i));
            const int32_t upTo = i + 1 == i0 + taps.count[k]
                                     ? 256
                                     : static_cast<int32_t>(std::lround(256 * covered / (b - a)));
            taps.weight.push_back(static_cast<uint16_t>(upTo - given));
            given = upTo;
        }
    }
    const int32_t wide = std::min(taps.widest, side);
    taps.wide = wide;
    taps.start.resize(n);
    taps.padded.assign(n * static_cast<size_t>(wide), 0);
    for (size_t k = 0; k < n; ++k) {
        const int32_t start = std::min(taps.first[k], side - wide);
        taps.start[k] = start;
        for (int32_t j = 0; j < taps.count[k]; ++j)
            taps.padded[k * static_cast<size_t>(wide) +
                        static_cast<size_t>(taps.first[k] + j - start)] =
                taps.weight[static_cast<size_t>(taps.offset[k] + j)];
    }
}

namespace {

// One level row averaged along x: `Wide` taps a pixel, shares out of 256;
// each pixel's lanes as four 16-bit channels (blue, green, red, 0).
template <int Wide>
void AverageAlong(const uint8_t* indices, const uint64_t* colours, const int32_t* start,
                  const uint16_t* padded, size_t n, int32_t wide, uint16_t* out) {
    const int32_t taps = Wide > 0 ? Wide : wide;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* at = indices + start[i];
        const uint16_t* w = padded + i * static_cast<size_t>(taps);
        uint64_t sum = 0;
        for (int32_t k = 0; k < taps; ++k) sum += w[k] * colours[at[k]];
        const uint64_t lanes = ((sum + kLaneHalf) >> 8) & kLanes;
        std::memcpy(out + 4 * i, &lanes, sizeof lanes);  // little-endian: blue first
    }
}

}  // namespace

void CDesktopMapRenderer::PaintPlanAveraged(const MapBitmap& plan, const PlanLevel* level,
                                            const uint32_t* palette, const VpRect& area,
                                            const DesktopBlit& blit, const MapTarget& target,
                                            IMapOverlay* overlay) {
    const int32_t levelW = level != nullptr ? level->width : plan.width;
    const int32_t levelH = level != nullptr ? level->height : plan.height;
    MakeTaps(blit.x, level != nullptr ? level->factorX : 1, levelW, area.left, area.right, m_tapsX);
    MakeTaps(blit.y, level != nullptr ? level->factorY : 1, levelH, area.top, area.bottom, m_tapsY);
    const size_t n = static_cast<size_t>(area.Width());
    const size_t kept = static_cast<size_t>(m_tapsY.widest);
    // A grey palette averages one channel for three: the same sums, a
    // quarter of the lanes, and the greys of a row looked up once each.
    bool grey = true;
    for (int i = 0; i < 256 && grey; ++i)
        grey = (palette[i] & 0xFFu) == (palette[i] >> 8 & 0xFFu) &&
               (palette[i] & 0xFFu) == (palette[i] >> 16 & 0xFFu);
    const size_t lanes = grey ? 1 : 4;
    // The kept rows, then the sums of one target row, `lanes` a pixel.
    m_rows.resize(lanes * (kept * n + n));
    m_rowOf.assign(kept, -1);
    uint16_t* sums = m_rows.data() + lanes * kept * n;
    if (overlay != nullptr) {
        m_worldX.resize(n);
        for (size_t i = 0; i < n; ++i)
            m_worldX[i] = Clamp(blit.x.Under(area.left + static_cast<int32_t>(i)), plan.width);
    }
    uint64_t colours[256];
    uint16_t greys[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = Lanes(palette[i]);
        greys[i] = static_cast<uint16_t>(palette[i] & 0xFFu);
    }
    // The level columns the taps reach, [span, span + reach), and each
    // pixel's taps padded to 4 or 8 for GreyRow's wide sums.
    const int32_t span = m_tapsX.start.empty() ? 0 : m_tapsX.start.front();
    if (grey) {
        const int32_t wide = m_tapsX.wide;
        const int32_t taps = wide <= 4 ? 4 : wide <= 8 ? 8 : wide;
        m_greyTaps.taps = taps;
        m_greyTaps.start.resize(n);
        m_greyTaps.share.assign(n * static_cast<size_t>(taps), 0);
        for (size_t i = 0; i < n; ++i) {
            m_greyTaps.start[i] = m_tapsX.start[i] - span;
            for (int32_t k = 0; k < wide; ++k)
                m_greyTaps.share[i * static_cast<size_t>(taps) + static_cast<size_t>(k)] =
                    static_cast<int16_t>(
                        m_tapsX.padded[i * static_cast<size_t>(wide) + static_cast<size_t>(k)]);
        }
        const int32_t reach = n == 0 ? 0 : m_tapsX.start.back() + wide - span;
        // Padding taps read past the last grey: zeros, weighed 0.
        m_greyRow.assign(static_cast<size_t>(reach + taps), 0);
    }

    const auto averagedRow = [&](int32_t r) -> const uint16_t* {
        const size_t slot = static_cast<size_t>(r) % kept;
        uint16_t* out = m_rows.data() + lanes * slot * n;
        if (m_rowOf[slot] == r) return out;
        m_rowOf[slot] = r;
        const uint8_t* indices = level != nullptr ? level->Row(r) : plan.Row(r);
        if (grey) {
            const uint8_t* from = indices + span;
            uint16_t* to = m_greyRow.data();
            const size_t reach = m_greyRow.size() - static_cast<size_t>(m_greyTaps.taps);
            // Eight at a time: the loop's own steps cost as much as a lookup.
            size_t x = 0;
            for (; x + 8 <= reach; x += 8)
                for (size_t k = 0; k < 8; ++k) to[x + k] = greys[from[x + k]];
            for (; x < reach; ++x) to[x] = greys[from[x]];
            AverageGreyRow(to, m_greyTaps, out);
            return out;
        }
        const Taps& t = m_tapsX;
        switch (t.wide) {
            case 1:
                AverageAlong<1>(indices, colours, t.start.data(), t.padded.data(), n, 1, out);
                break;
            case 2:
                AverageAlong<2>(indices, colours, t.start.data(), t.padded.data(), n, 2, out);
                break;
            case 3:
                AverageAlong<3>(indices, colours, t.start.data(), t.padded.data(), n, 3, out);
                break;
            case 4:
                AverageAlong<4>(indices, colours, t.start.data(), t.padded.data(), n, 4, out);
                break;
            case 5:
                AverageAlong<5>(indices, colours, t.start.data(), t.padded.data(), n, 5, out);
                break;
            default:
                AverageAlong<0>(indices, colours, t.start.data(), t.padded.data(), n, t.wide, out);
        }
        return out;
    };

    for (int32_t y = area.top; y < area.bottom; ++y) {
        const size_t j = static_cast<size_t>(y - area.top);
        const int32_t first = m_tapsY.first[j];
        const uint16_t* w = m_tapsY.weight.data() + m_tapsY.offset[j];
        // A channel (at most 255) times shares of 256 in all stays within
        // 16 bits, so the sums take 16-bit lanes, eight to a vector
        // register.
        std::fill_n(sums, lanes * n, uint16_t{0});
        for (int32_t k = 0; k < m_tapsY.count[j]; ++k) {
            const uint16_t* h = averagedRow(first + k);
            const uint16_t share = w[k];
            for (size_t i = 0; i < lanes * n; ++i)
                sums[i] = static_cast<uint16_t>(sums[i] + share * h[i]);
        }
        uint32_t* row = PixelAt(target, area.left, y);
        if (grey) {
            for (size_t i = 0; i < n; ++i) {
                const uint32_t g = static_cast<uint32_t>(sums[i] + 128) >> 8;
                row[i] = 0xFF000000u | g | g << 8 | g << 16;
            }
        } else {
            for (size_t i = 0; i < n; ++i) {
                const uint16_t* c = sums + 4 * i;
                row[i] = 0xFF000000u | static_cast<uint32_t>((c[0] + 128) >> 8) |
                         static_cast<uint32_t>((c[1] + 128) >> 8) << 8 |
                         static_cast<uint32_t>((c[2] + 128) >> 8) << 16;
            }
        }
        if (overlay != nullptr) {
            const int32_t worldY = Clamp(blit.y.Under(y), plan.height);
            overlay->PaintRow(
                {y, area.left, static_cast<int32_t>(n), row, worldY, m_worldX.data()});
        }
    }
}

void CDesktopMapRenderer::PaintCircles(const CCircleLog& circles, const VpRect& area,
                                       const DesktopBlit& blit, const MapTarget& target,
                                       double minRadius) {
    const double r = CircleRadius(blit.x, minRadius);
    const double grow = std::max(1.0, 1.0 / blit.x.perPixel);  // the pen grows with the plan
    for (const LoggedCircle& c : circles.Circles()) {
        const double cx = (c.x - blit.x.origin) / blit.x.perPixel;
        const double cy = (c.y - blit.y.origin) / blit.y.perPixel;
        if (cx + r < area.left - 1.0 || cx - r > area.right + 1.0 || cy + r < area.top - 1.0 ||
            cy - r > area.bottom + 1.0)
            continue;  // off the target (a point's place may be anything a file held)
        // Pixels whose centres lie within r of the circle's centre, as the
        // circle layer paints them.
        const int32_t top = std::max(area.top, static_cast<int32_t>(std::ceil(cy - r - 0.5)));
        const int32_t bottom =
            std::min(area.bottom - 1, static_cast<int32_t>(std::floor(cy + r - 0.5)));
        const CircleStyle style = CircleStyleFor(c.strength);
        const uint32_t pen = 0xFF000000u | style.pen, brush = 0xFF000000u | style.brush;
        const double inner = r - style.penWidth * grow;
        for (int32_t y = top; y <= bottom; ++y) {
            const double dy = y + 0.5 - cy;
            const double h2 = r * r - dy * dy;
            if (h2 < 0) continue;
            const double half = std::sqrt(h2);
            const int32_t x0 =
                std::max(area.left, static_cast<int32_t>(std::ceil(cx - half - 0.5)));
            const int32_t x1 =
                std::min(area.right - 1, static_cast<int32_t>(std::floor(cx + half - 0.5)));
            uint32_t* row = x0 <= x1 ? PixelAt(target, x0, y) : nullptr;
            for (int32_t x = x0; x <= x1; ++x) {
                const double dx = x + 0.5 - cx;
                *row++ = inner > 0 && dx * dx + dy * dy <= inner * inner ? brush : pen;
            }
        }
    }
}
