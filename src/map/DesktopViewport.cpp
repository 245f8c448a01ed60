#include "map/DesktopViewport.h"

#include <algorithm>
#include <cmath>

namespace {

// Far beyond any world pixel a client can point at, far inside int32.
constexpr double kFar = 1 << 30;

int32_t FloorToInt(double v) {
    return static_cast<int32_t>(std::floor(std::clamp(v, -kFar, kFar)));
}

// The first target pixel whose centre lies at or right of `edge` (a target
// position in pixels), within 0..side.
int32_t FirstCentreFrom(double edge, int32_t side) {
    return static_cast<int32_t>(std::clamp(std::ceil(edge - 0.5), 0.0, static_cast<double>(side)));
}

}  // namespace

int32_t WorldAxis::Under(int32_t t) const { return FloorToInt(origin + (t + 0.5) * perPixel); }

void CDesktopViewport::SetWorld(int32_t width, int32_t height) {
    m_worldW = std::clamp(width, 1, CMapViewport::kMaxWorldSide);
    m_worldH = std::clamp(height, 1, CMapViewport::kMaxWorldSide);
    FitWhole();
}

void CDesktopViewport::SetClient(int32_t width, int32_t height) {
    // Any screen is far smaller than the upper bound, which keeps the
    // products of the arithmetic small.
    m_clientW = std::clamp(width, 1, 1 << 16);
    m_clientH = std::clamp(height, 1, 1 << 16);
    if (!HasWorld()) return;
    m_scale = m_fitted ? MinScale() : std::clamp(m_scale, MinScale(), MaxScale());
}

double CDesktopViewport::MinScale() const {
    if (!HasWorld()) return 1;
    return std::min(static_cast<double>(m_clientW) / m_worldW,
                    static_cast<double>(m_clientH) / m_worldH);
}

double CDesktopViewport::MaxScale() const { return std::max(kMaxScale, MinScale()); }

bool CDesktopViewport::ZoomAt(double factor, double px, double py) {
    if (!HasWorld() || !std::isfinite(factor) || factor <= 0 || !std::isfinite(px) ||
        !std::isfinite(py))
        return false;
    const double scale = std::clamp(m_scale * factor, MinScale(), MaxScale());
    if (scale == m_scale) return false;
    px = std::clamp(px, 0.0, static_cast<double>(m_clientW));
    py = std::clamp(py, 0.0, static_cast<double>(m_clientH));
    const double wx = m_cx + (px - HalfW()) / m_scale;
    const double wy = m_cy + (py - HalfH()) / m_scale;
    m_scale = scale;
    m_cx = wx - (px - HalfW()) / m_scale;
    m_cy = wy - (py - HalfH()) / m_scale;
    m_fitted = m_scale == MinScale();
    ClampCentre();
    return true;
}

void CDesktopViewport::FitWhole() {
    m_scale = MinScale();
    m_cx = m_worldW / 2.0;
    m_cy = m_worldH / 2.0;
    m_fitted = true;
}

void CDesktopViewport::ClampCentre() {
    m_cx = std::clamp(m_cx, 0.0, static_cast<double>(m_worldW));
    m_cy = std::clamp(m_cy, 0.0, static_cast<double>(m_worldH));
}

void CDesktopViewport::ScrollBy(double dx, double dy) {
    if (!HasWorld() || !std::isfinite(dx) || !std::isfinite(dy)) return;
    m_cx += dx / m_scale;
    m_cy += dy / m_scale;
    ClampCentre();
}

void CDesktopViewport::SetCenterX(int32_t x) {
    m_cx = std::clamp(x, 0, m_worldW) + 0.5;
    ClampCentre();
}

void CDesktopViewport::SetCenterY(int32_t y) {
    m_cy = std::clamp(y, 0, m_worldH) + 0.5;
    ClampCentre();
}

void CDesktopViewport::ScreenToWorld(int32_t px, int32_t py, int32_t& wx, int32_t& wy) const {
    // The painting's own sums at one target pixel per client pixel.
    const DesktopBlit blit = Blit(1.0);
    wx = blit.x.Under(std::clamp(px, 0, m_clientW - 1));
    wy = blit.y.Under(std::clamp(py, 0, m_clientH - 1));
}

void CDesktopViewport::CenterOnScreenPoint(int32_t px, int32_t py) {
    int32_t wx = 0, wy = 0;
    ScreenToWorld(px, py, wx, wy);
    SetCenterX(wx);
    SetCenterY(wy);
}

int32_t CDesktopViewport::GetCenterX() const { return FloorToInt(m_cx); }
int32_t CDesktopViewport::GetCenterY() const { return FloorToInt(m_cy); }

DesktopBlit CDesktopViewport::Blit(double ratio) const {
    if (!std::isfinite(ratio) || ratio <= 0) ratio = 1;
    DesktopBlit b;
    const int32_t tw = std::max(1, static_cast<int32_t>(std::lround(m_clientW * ratio)));
    const int32_t th = std::max(1, static_cast<int32_t>(std::lround(m_clientH * ratio)));
    b.x = {VisibleLeft(), 1.0 / (m_scale * ratio)};
    b.y = {VisibleTop(), 1.0 / (m_scale * ratio)};
    if (!HasWorld()) {
        b.strips[b.stripCount++] = {0, 0, tw, th};
        return b;
    }
    // The target pixels whose centres lie on the plan; a plan thinner than
    // a pixel still gets the one pixel its middle falls in.
    const auto span = [](const WorldAxis& a, int32_t worldSide, int32_t side, int32_t& lo,
                         int32_t& hi) {
        const double from = -a.origin / a.perPixel;
        const double to = (worldSide - a.origin) / a.perPixel;
        lo = FirstCentreFrom(from, side);
        hi = FirstCentreFrom(to, side);
        if (hi <= lo) {
            lo = std::clamp(static_cast<int32_t>(std::floor((from + to) / 2)), 0, side - 1);
            hi = lo + 1;
        }
    };
    span(b.x, m_worldW, tw, b.dest.left, b.dest.right);
    span(b.y, m_worldH, th, b.dest.top, b.dest.bottom);
    const VpRect candidates[4] = {{0, 0, b.dest.left, th},
                                  {b.dest.left, 0, b.dest.right, b.dest.top},
                                  {b.dest.right, 0, tw, th},
                                  {b.dest.left, b.dest.bottom, b.dest.right, th}};
    for (const VpRect& r : candidates)
        if (r.Width() > 0 && r.Height() > 0) b.strips[b.stripCount++] = r;
    return b;
}

namespace {
ScrollBarState Bar(int32_t worldSide, double visibleSpan, int32_t cursor) {
    return {worldSide, static_cast<int32_t>(std::clamp(std::lround(visibleSpan), 1L, 1L << 30)),
            cursor};
}
}  // namespace

ScrollBarState CDesktopViewport::HorizontalBar() const {
    return Bar(m_worldW, m_clientW / m_scale, GetCenterX());
}

ScrollBarState CDesktopViewport::VerticalBar() const {
    return Bar(m_worldH, m_clientH / m_scale, GetCenterY());
}
