#pragma once
// What the view shows, as one function of it: the display mode picks the
// screen, the content says what is on it, and the notice strip lies over
// whichever screen it is.

#include <QPainter>
#include <QRect>
#include <QString>
#include <cstdint>

class CApList;
class CCoverageState;
class CSurveyMap;
struct ScreenArt;

enum class DisplayMode : int32_t {
    kStartup = 0,     // the splash with the source's two texts
    kSiteMap = 1,     // the plan, its circles and the cursor
    kScanScreen = 2,  // the point being measured
};

struct ScreenContent {
    DisplayMode mode = DisplayMode::kStartup;
    const ScreenArt* art = nullptr;
    QString left, right;                 // start-up: "(Firmware %s)", "(SN %s)"
    QString hardware;                    // start-up: the line naming the adapter; "" the board's
    CSurveyMap* map = nullptr;           // site map; nothing is drawn without a plan
    CCoverageState* coverage = nullptr;  // over the plan while shown
    const CApList* survey = nullptr;     // what the coverage map is made from
    int radarBitmap = 139;               // scan screen: the radar frame (139 .. 142)
    uint16_t channelCells = 0;           // scan screen: the channels highlighted
    QString notice;                      // the strip along the bottom edge; "" none
    double metresPerPixel = 0;           // the plan's scale (site map: a scale bar); 0 none
};

namespace screens {

// Paints the screen of `content` over `client`. The scan screen shows the
// access points of scanList, copied under its lock; any other mode than the
// three paints nothing.
void PaintScreen(QPainter& p, const QRect& client, const ScreenContent& content);
// The plan's scale bar over a map shown at `screenPerPlanPixel`, its lines
// and text `unit` times a screen's.
void PaintScaleBar(QPainter& p, const QRect& client, double screenPerPlanPixel,
                   double metresPerPixel, double unit = 1);

}  // namespace screens
