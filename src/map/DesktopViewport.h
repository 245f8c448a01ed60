#pragma once
// CDesktopViewport: the site map in a resizable window. The role of
// CMapViewport (zoom, scroll, the cursor, screen <-> world), but the plan
// keeps its shape: one scale for both axes, white margins where the plan's
// shape and the window's differ, and zoom about any point (the pointer).
// The handheld keeps CMapViewport and its arithmetic unchanged.
//
// World coordinates mean what they mean on the handheld: pixels of the
// plan, (0, 0) at its top-left corner. The cursor is the world pixel under
// the client's middle (where the cursor mark is drawn, to half a pixel); a
// new point is taken there, and it is always inside 0..W x 0..H as the
// handheld's is. The view's position is kept to a fraction of a world
// pixel so that zooming about the pointer keeps the place under it.
//
// Screen x of world x:  sx = width / 2 + (x - centreX) * scale
// World pixel of a client pixel px: floor(centreX + (px + 0.5 - width / 2) / scale)
// (likewise for y), the same sum the painting uses, so a tap lands on the
// world pixel painted under it. No Qt.

#include <cstdint>

#include "map/MapViewport.h"

// One axis of the painted map in target pixels (device pixels: the client
// times the device pixel ratio): target pixel t shows world position
// origin + (t + 0.5) * perPixel; its edges are origin + t * perPixel and
// origin + (t + 1) * perPixel.
struct WorldAxis {
    double origin = 0;
    double perPixel = 1;  // world units per target pixel
    double At(double t) const { return origin + t * perPixel; }
    // The world pixel under target pixel t's centre (any integer).
    int32_t Under(int32_t t) const;
};

// What one paint of the map covers: the plan's part of the target, the
// white strips around it (0 to 4, together the rest of the target) and how
// target pixels map to the world.
struct DesktopBlit {
    VpRect dest;  // target pixels, never empty once a world is set
    VpRect strips[4];
    int32_t stripCount = 0;
    WorldAxis x, y;
};

// A scroll bar's range (0 to maximum), page and position in world pixels:
// the thumb is the part of the plan shown, its position the cursor.
struct ScrollBarState {
    int32_t maximum = 0;
    int32_t pageStep = 1;
    int32_t value = 0;
};

class CDesktopViewport {
public:
    // Closest zoom: screen pixels per world pixel (or the fitted scale, on a
    // plan smaller than the window).
    static constexpr double kMaxScale = 32.0;

    // Sides taken as 1 to CMapViewport::kMaxWorldSide; the whole plan is
    // shown, centred, the cursor at (width / 2, height / 2).
    void SetWorld(int32_t width, int32_t height);
    // Client size in logical pixels, sides taken as at least 1. The centre
    // stays; a view fitted to the whole plan stays fitted, else the scale is
    // kept within the new limits.
    void SetClient(int32_t width, int32_t height);
    bool HasWorld() const { return m_worldW > 0; }
    int32_t WorldWidth() const { return m_worldW; }
    int32_t WorldHeight() const { return m_worldH; }
    int32_t ClientWidth() const { return m_clientW; }
    int32_t ClientHeight() const { return m_clientH; }

    // Screen pixels per world pixel, between MinScale (the whole plan fits)
    // and MaxScale.
    double Scale() const { return m_scale; }
    double MinScale() const;
    double MaxScale() const;
    // Multiplies the scale by `factor` (clamped to the limits) keeping the
    // world place under client point (px, py) where it is, as far as the
    // cursor's bounds allow. False when the scale did not change.
    bool ZoomAt(double factor, double px, double py);
    // Twice as close / half as close about the cursor.
    bool ZoomIn() { return ZoomAt(2.0, HalfW(), HalfH()); }
    bool ZoomOut() { return ZoomAt(0.5, HalfW(), HalfH()); }
    // The whole plan, centred.
    void FitWhole();

    // Moves the view by screen pixels (a drag, the wheel); the cursor stays
    // inside the world.
    void ScrollBy(double dx, double dy);
    // The cursor at world pixel x (y), clamped into the world, that pixel's
    // middle under the cursor mark (a scroll bar's thumb).
    void SetCenterX(int32_t x);
    void SetCenterY(int32_t y);
    // The tapped world pixel becomes the cursor (a plain tap).
    void CenterOnScreenPoint(int32_t px, int32_t py);
    // The world pixel under client pixel (px, py), which is taken inside the
    // client; outside the plan where the tap is on a margin.
    void ScreenToWorld(int32_t px, int32_t py, int32_t& wx, int32_t& wy) const;
    int32_t GetCenterX() const;
    int32_t GetCenterY() const;

    // The paint at `ratio` device pixels per logical pixel.
    DesktopBlit Blit(double ratio = 1.0) const;
    // The world span the client shows (may reach past the plan).
    double VisibleLeft() const { return m_cx - HalfW() / m_scale; }
    double VisibleTop() const { return m_cy - HalfH() / m_scale; }
    double VisibleRight() const { return VisibleLeft() + m_clientW / m_scale; }
    double VisibleBottom() const { return VisibleTop() + m_clientH / m_scale; }
    ScrollBarState HorizontalBar() const;
    ScrollBarState VerticalBar() const;

private:
    double HalfW() const { return m_clientW / 2.0; }
    double HalfH() const { return m_clientH / 2.0; }
    void ClampCentre();

    int32_t m_worldW = 0, m_worldH = 0;
    int32_t m_clientW = 1, m_clientH = 1;
    double m_scale = 1;
    double m_cx = 0, m_cy = 0;  // world position under the client's centre
    bool m_fitted = true;       // follows the window's size while showing the whole plan
};
