#include "app/ScaleSetup.h"

#include <unistd.h>

#include <QByteArray>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <cstdio>
#include <vector>

#include "app/StartScale.h"

namespace {

const char kScaleVariable[] = "QT_SCALE_FACTOR";

// The primary screen's available area in logical pixels; empty without one.
QRect AvailableArea(int argc, char** argv) {
    // The application object takes its own options (-platform, -display) out
    // of the list it is given; the restart needs them all, so it gets a copy.
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    int count = argc;
    const QGuiApplication probe(count, args.data());
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// The largest whole scale at which the handheld window fits `area` both ways.
int FittingScale(const QRect& area) {
    int scale = startscale::ForScreen(area.height());
    while (scale > 1 && layoutchoice::kHandheldWidth * scale > area.width()) --scale;
    return scale;
}

}  // namespace

WindowLayout SetUpScale(int argc, char** argv, int requested, LayoutRequest layout) {
    const bool scaleSet = !qEnvironmentVariableIsEmpty(kScaleVariable);
    // A restart below comes back here with the variable set and its layout
    // handheld, as the first run chose; a handheld run at scale 1 asks no screen.
    if (requested <= 0 && scaleSet && layout != LayoutRequest::kDesktop)
        return WindowLayout::kHandheld;
    const QRect area = AvailableArea(argc, argv);
    if (requested > 0) {
        const int fits = area.isEmpty() ? requested : FittingScale(area);
        if (requested > fits) {
            std::fprintf(stderr,
                         "pellorin: --scale %d does not fit the screen (%d x %d available); "
                         "using --scale %d.\n",
                         requested, area.width(), area.height(), fits);
            requested = fits;
        }
        qputenv(kScaleVariable, QByteArray::number(requested));
        return layout == LayoutRequest::kDesktop ? WindowLayout::kDesktop : WindowLayout::kHandheld;
    }
    const WindowLayout chosen = layoutchoice::Choose(layout, scaleSet, area.width(), area.height());
    if (chosen == WindowLayout::kDesktop || scaleSet) return chosen;
    const int scale = area.isEmpty() ? 1 : startscale::ForScreen(area.height());
    if (scale <= 1) return chosen;
    qputenv(kScaleVariable, QByteArray::number(scale));
    execv("/proc/self/exe", argv);
    // Only a failed restart comes back here; the caller's application object
    // then reads the variable set above.
    return chosen;
}
