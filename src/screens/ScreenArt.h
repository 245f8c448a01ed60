#pragma once
// The pictures of the three screens, from the program's resources. A picture
// that does not load stays null and its drawing is skipped.

#include <QImage>

struct ScreenArt {
    QImage splash;    // bitmap 137, 240 x 290: start-up picture
    QImage cursor;    // bitmap 136, 32 x 32: centre marker of the site map
    QImage radar[4];  // bitmaps 139 .. 142, 104 x 104: radar sweep frames

    static ScreenArt Load();
    // The radar frame of bitmap id 139 .. 142, or null.
    const QImage* Radar(int bitmapId) const;
};

// The radar frame counter: 0 at start, advanced by every paint of the scan
// screen, cycling 1 .. 7, 0 and mapping to bitmaps 140, 141, 142, 139, ...
class CRadarAnimation {
public:
    // Advances and returns the bitmap id to show now.
    int Advance();
    int Counter() const { return m_counter; }

private:
    int m_counter = 0;
};
