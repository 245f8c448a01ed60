#include "app/DialogFit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <algorithm>

namespace {

// Room for a window manager's title bar and borders.
constexpr int kTitleRoom = 32;
constexpr int kBorder = 8;

class CDialogFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Show && watched->isWidgetType()) {
            auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog != nullptr && dialog->isWindow() && dialog->screen() != nullptr) {
                const QRect fitted =
                    FittedDialog(dialog->geometry(), dialog->minimumSize(),
                                 dialog->screen()->availableGeometry(), kTitleRoom);
                if (fitted != dialog->geometry()) dialog->setGeometry(fitted);
            }
        }
        return QObject::eventFilter(watched, e);
    }
};

}  // namespace

QRect FittedDialog(const QRect& frame, const QSize& minimum, const QRect& available,
                   int titleRoom) {
    if (available.isEmpty()) return frame;
    const QRect room = available.adjusted(kBorder, titleRoom, -kBorder, -kBorder);
    if (room.isEmpty() || available.contains(frame)) return frame;
    const int w = std::max(std::min(frame.width(), room.width()), minimum.width());
    const int h = std::max(std::min(frame.height(), room.height()), minimum.height());
    // Inside the room where it fits; else its top-left corner (title bar,
    // and the buttons as near as they can be) at the room's.
    const int x = std::max(room.left(), std::min(frame.x(), room.right() + 1 - w));
    const int y = std::max(room.top(), std::min(frame.y(), room.bottom() + 1 - h));
    return QRect(x, y, w, h);
}

void FitDialogsToScreen() {
    static bool installed = false;
    if (installed || qApp == nullptr) return;
    installed = true;
    qApp->installEventFilter(new CDialogFitter(qApp));
}
