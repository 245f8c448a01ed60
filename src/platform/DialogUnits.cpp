#include "platform/DialogUnits.h"

namespace dlu {

QRect ToPixels(int x, int y, int cx, int cy) {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy));
}

QSize ToPixels(int cx, int cy) { return QSize(ToPixelsX(cx), ToPixelsY(cy)); }

}  // namespace dlu
