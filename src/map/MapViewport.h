#pragma once
// CMapViewport: zoom and scroll state of the site map and the arithmetic
// between world coordinates (site-bitmap pixels), the visible rectangle of the
// world and client coordinates of the view. 32-bit integer arithmetic, every
// division truncating toward zero, products formed before the division.
//
// Once a world is set, every operation keeps: the visible rectangle is not
// empty, the centre lies inside both the world and the visible rectangle, and
// the visible rectangle overlaps the world. So ComputeBlit and ScreenToWorld
// never divide by zero, their results stay inside the client and the world,
// and ZoomOut always comes back to the whole world.

#include <cstdint>

struct VpRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const VpRect&) const = default;
};

class CMapViewport {
public:
    // The longest side of a site bitmap; keeps every sum of the arithmetic far
    // inside 32 bits.
    static constexpr int32_t kMaxWorldSide = 32767;

    CMapViewport() = default;
    virtual ~CMapViewport() = default;

    // Sides are taken as 1 to kMaxWorldSide; the whole new world is shown.
    void SetWorld(int32_t width, int32_t height);
    // Sides are taken as 1 up to the world's.
    void SetView(int32_t width, int32_t height);
    // Refuses (and returns false for) a step that would leave the visible
    // width or height below 2: a scroll re-centres on half of it.
    bool ZoomIn();
    void ZoomOut();
    void ScrollLeft(int32_t d);
    void ScrollRight(int32_t d);
    void ScrollUp(int32_t d);
    void ScrollDown(int32_t d);
    void SetCenterX(int32_t x);
    void SetCenterY(int32_t y);
    // Client points are taken inside the client rectangle (its origin at
    // 0, 0); a client without width or height maps to the cursor.
    void CenterOnScreenPoint(const VpRect& client, int32_t px, int32_t py);
    void ScreenToWorld(const VpRect& client, int32_t px, int32_t py, int32_t& wx, int32_t& wy);
    // Before a world is set the whole client is one margin strip.
    void ComputeBlit(VpRect& dest, VpRect& source);
    int32_t GetStripCount() const { return m_stripCount; }
    VpRect GetStrip(int32_t index) const { return m_strips[index]; }
    int32_t GetCenterX() const { return m_centerX; }
    int32_t GetCenterY() const { return m_centerY; }
    VpRect GetPointRect() const;
    VpRect GetTapRect() const;

    // A viewport is usable for drawing and taps only once a world is set.
    bool HasWorld() const { return m_worldRight > m_worldLeft && m_worldBottom > m_worldTop; }
    VpRect World() const { return {m_worldLeft, m_worldTop, m_worldRight, m_worldBottom}; }
    VpRect View() const { return {m_viewLeft, m_viewTop, m_viewRight, m_viewBottom}; }

private:
    void RecenterX(int32_t oldLeft, int32_t oldRight);
    void RecenterY(int32_t oldTop, int32_t oldBottom);
    void WorldUnder(const VpRect& client, int32_t px, int32_t py, int32_t& wx, int32_t& wy) const;

    int32_t m_worldLeft = 0, m_worldRight = 0, m_worldTop = 0, m_worldBottom = 0;
    int32_t m_viewLeft = 0, m_viewRight = 0, m_viewTop = 0, m_viewBottom = 0;
    int32_t m_centerX = 0, m_centerY = 0;
    VpRect m_strips[4];
    int32_t m_stripCount = 0;
    int32_t m_tapX = 0, m_tapY = 0;
};
