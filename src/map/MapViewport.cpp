#include "map/MapViewport.h"

#include <algorithm>

namespace {
// Products of client sizes and world distances can exceed 32 bits on very
// large plans; forming them in 64 bits and truncating the quotient toward
// zero gives the same result wherever 32 bits would not have overflowed.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    return static_cast<int32_t>(static_cast<int64_t>(a) * b / c);
}

// A distance moved from the centre may be any int32: the sum is formed in 64
// bits before it is clamped into the world.
int32_t Clamped(int64_t v, int32_t lo, int32_t hi) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, lo, hi));
}

// Half a side for re-centring after a scroll. A side of 1 would halve to
// nothing and leave an empty view that no zoom can widen again, so it becomes 2.
int32_t ScrollHalf(int32_t lo, int32_t hi) { return std::max((hi - lo) / 2, 1); }

// The world coordinate under client coordinate p along one axis.
int32_t Under(int32_t p, int32_t clientSide, int32_t lo, int32_t hi, int32_t centre) {
    if (clientSide <= 0) return centre;  // no pixel to point at: the cursor
    return lo + MulDiv(std::clamp(p, 0, clientSide), hi - lo, clientSide);
}
}  // namespace

void CMapViewport::SetWorld(int32_t width, int32_t height) {
    m_worldLeft = 0;
    m_worldTop = 0;
    m_worldRight = std::clamp(width, 1, kMaxWorldSide);
    m_worldBottom = std::clamp(height, 1, kMaxWorldSide);
    // A view of the previous world could lie outside this one.
    SetView(m_worldRight, m_worldBottom);
}

void CMapViewport::SetView(int32_t width, int32_t height) {
    width = std::max(std::min(width, m_worldRight), 1);
    height = std::max(std::min(height, m_worldBottom), 1);
    m_viewLeft = 0;
    m_viewTop = 0;
    m_viewRight = width;
    m_viewBottom = height;
    m_centerX = width / 2;
    m_centerY = height / 2;
}

bool CMapViewport::ZoomIn() {
    const int32_t left = (m_viewLeft + m_centerX) / 2;
    const int32_t right = (m_centerX + m_viewRight) / 2;
    const int32_t top = (m_viewTop + m_centerY) / 2;
    const int32_t bottom = (m_centerY + m_viewBottom) / 2;
    if (right - left < 2 || bottom - top < 2) return false;
    m_viewLeft = left;
    m_viewRight = right;
    m_viewTop = top;
    m_viewBottom = bottom;
    return true;
}

void CMapViewport::ZoomOut() {
    const int32_t cx = m_centerX;
    const int32_t cy = m_centerY;
    m_viewLeft = std::max(2 * m_viewLeft - cx, m_worldLeft);
    m_viewRight = std::min(2 * m_viewRight - cx, m_worldRight);
    m_viewTop = std::max(2 * m_viewTop - cy, m_worldTop);
    m_viewBottom = std::min(2 * m_viewBottom - cy, m_worldBottom);
    m_centerX = (m_viewLeft + m_viewRight) / 2;
    m_centerY = (m_viewTop + m_viewBottom) / 2;
}

void CMapViewport::RecenterX(int32_t oldLeft, int32_t oldRight) {
    const int32_t h = ScrollHalf(oldLeft, oldRight);
    m_viewLeft = m_centerX - h;
    m_viewRight = m_centerX + h;
}

void CMapViewport::RecenterY(int32_t oldTop, int32_t oldBottom) {
    const int32_t h = ScrollHalf(oldTop, oldBottom);
    m_viewTop = m_centerY - h;
    m_viewBottom = m_centerY + h;
}

void CMapViewport::ScrollLeft(int32_t d) {
    SetCenterX(Clamped(int64_t{m_centerX} - d, 0, m_worldRight));
}
void CMapViewport::ScrollRight(int32_t d) {
    SetCenterX(Clamped(int64_t{m_centerX} + d, 0, m_worldRight));
}
void CMapViewport::ScrollUp(int32_t d) {
    SetCenterY(Clamped(int64_t{m_centerY} - d, 0, m_worldBottom));
}
void CMapViewport::ScrollDown(int32_t d) {
    SetCenterY(Clamped(int64_t{m_centerY} + d, 0, m_worldBottom));
}

void CMapViewport::SetCenterX(int32_t x) {
    m_centerX = std::clamp(x, m_worldLeft, m_worldRight);
    RecenterX(m_viewLeft, m_viewRight);
}

void CMapViewport::SetCenterY(int32_t y) {
    m_centerY = std::clamp(y, m_worldTop, m_worldBottom);
    RecenterY(m_viewTop, m_viewBottom);
}

void CMapViewport::WorldUnder(const VpRect& client, int32_t px, int32_t py, int32_t& wx,
                              int32_t& wy) const {
    wx = Under(px, client.Width(), m_viewLeft, m_viewRight, m_centerX);
    wy = Under(py, client.Height(), m_viewTop, m_viewBottom, m_centerY);
}

void CMapViewport::ScreenToWorld(const VpRect& client, int32_t px, int32_t py, int32_t& wx,
                                 int32_t& wy) {
    WorldUnder(client, px, py, wx, wy);
    m_tapX = wx;
    m_tapY = wy;
}

void CMapViewport::CenterOnScreenPoint(const VpRect& client, int32_t px, int32_t py) {
    int32_t wx = 0, wy = 0;
    WorldUnder(client, px, py, wx, wy);
    SetCenterX(wx);
    SetCenterY(wy);
}

void CMapViewport::ComputeBlit(VpRect& d, VpRect& s) {
    const VpRect d0 = d;
    const int32_t w = m_viewRight - m_viewLeft;
    const int32_t h = m_viewBottom - m_viewTop;
    if (w < 1 || h < 1) {
        // No world yet: nothing of the map to show.
        d = {d0.left, d0.top, d0.left, d0.top};
        s = {};
        m_stripCount = 1;
        m_strips[0] = {0, 0, d0.Width(), d0.Height()};
        return;
    }
    if (m_viewLeft <= 0) d.left = d0.left - MulDiv(d0.right - d0.left, m_viewLeft, w);
    if (m_viewTop <= 0) d.top = d0.top - MulDiv(d0.bottom - d0.top, m_viewTop, h);
    if (m_viewRight > m_worldRight)
        d.right = d0.right - MulDiv(m_viewRight - m_worldRight, d0.right - d.left, w);
    if (m_viewBottom > m_worldBottom)
        d.bottom = d0.bottom - MulDiv(m_viewBottom - m_worldBottom, d0.bottom - d.top, h);

    s.left = std::max(m_viewLeft, 0);
    s.top = std::max(m_viewTop, 0);
    s.right = std::min(m_viewRight, m_worldRight);
    s.bottom = std::min(m_viewBottom, m_worldBottom);

    m_stripCount = 0;
    if (m_viewLeft <= 0) m_strips[m_stripCount++] = {0, 0, d.left, d0.bottom - d0.top};
    if (m_viewTop <= 0) m_strips[m_stripCount++] = {0, 0, d0.right - d0.left, d.top};
    if (m_viewRight > m_worldRight)
        m_strips[m_stripCount++] = {d.right, 0, d0.right, d0.bottom - d0.top};
    if (m_viewBottom > m_worldBottom)
        m_strips[m_stripCount++] = {0, d.bottom, d0.right - d0.left, d0.bottom};
}

VpRect CMapViewport::GetPointRect() const {
    return {m_centerX - 10, m_centerY - 10, m_centerX + 10, m_centerY + 10};
}

VpRect CMapViewport::GetTapRect() const {
    return {m_tapX - 15, m_tapY - 15, m_tapX + 15, m_tapY + 15};
}
