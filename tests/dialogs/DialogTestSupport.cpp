#include "DialogTestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

int RunModal(QDialog& dialog, const std::function<void()>& action) {
    QTimer::singleShot(0, &dialog, action);
    // Result 12345 marks a dialog that the action did not end.
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(12345); });
    return dialog.exec();
}

namespace {
void Send(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}
}  // namespace

void SendPress(QWidget& w, QPoint at) {
    Send(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}

void SendMove(QWidget& w, QPoint at, bool buttonDown) {
    Send(w, QEvent::MouseMove, at, Qt::NoButton, buttonDown ? Qt::LeftButton : Qt::NoButton);
}

void SendRelease(QWidget& w, QPoint at) {
    Send(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

QImage Render(QWidget& w) {
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    w.render(&image);
    return image;
}
