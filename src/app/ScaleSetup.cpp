#include "app/ScaleSetup.h"

#include <unistd.h>

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <vector>

#include "app/StartScale.h"

namespace {

const char kScaleVariable[] = "QT_SCALE_FACTOR";

int ScaleForPrimaryScreen(int argc, char** argv) {
    // The application object takes its own options (-platform, -display) out
    // of the list it is given; the restart needs them all, so it gets a copy.
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    int count = argc;
    const QGuiApplication probe(count, args.data());
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? startscale::ForScreen(screen->availableGeometry().height()) : 1;
}

}  // namespace

void SetUpScale(int argc, char** argv, int requested) {
    if (requested > 0) {
        qputenv(kScaleVariable, QByteArray::number(requested));
        return;
    }
    if (!qEnvironmentVariableIsEmpty(kScaleVariable)) return;
    const int scale = ScaleForPrimaryScreen(argc, argv);
    if (scale <= 1) return;
    qputenv(kScaleVariable, QByteArray::number(scale));
    execv("/proc/self/exe", argv);
    // Only a failed restart comes back here; the caller's application object
    // then reads the variable set above.
}
