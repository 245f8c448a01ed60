#include "platform/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

namespace {
int g_waitDepth = 0;  // user-interface thread only
}

void DoWaitCursor(int delta) {
    if (delta > 0) {
        ++g_waitDepth;
        if (qGuiApp != nullptr) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else if (delta < 0 && g_waitDepth > 0) {
        --g_waitDepth;
        if (qGuiApp != nullptr) QGuiApplication::restoreOverrideCursor();
    }
}

int WaitCursorDepth() { return g_waitDepth; }

}  // namespace platform
