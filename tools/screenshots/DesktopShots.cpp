#include "DesktopShots.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <cstdio>
#include <functional>

#include "SampleReports.h"
#include "aplist/ApList.h"
#include "app/MainFrame.h"
#include "app/TambRUMOView.h"
#include "board/ScannerBoard.h"
#include "dialogs/MapShowsDlg.h"
#include "platform/MessageBoxes.h"

namespace {

// The toolbar's buttons, left to right.
enum Button { kOpen, kSave, kColours, kZoomIn, kZoomOut, kHelp, kAbout, kCoverage, kNetworks };

class Shooter {
public:
    Shooter(CMainFrame& frame, QString dir, QSize screen)
        : m_frame(frame), m_dir(std::move(dir)), m_screen(screen) {}

    // The desktop as it is: the frame, then `over` (a dialog or a list) on it.
    bool Save(const char* name, QWidget* over = nullptr) {
        QApplication::processEvents();
        QImage shot(m_screen, QImage::Format_RGB32);
        shot.fill(Qt::black);
        QPainter p(&shot);
        p.drawPixmap(m_frame.geometry().topLeft(), m_frame.grab());
        if (over != nullptr) p.drawPixmap(over->geometry().topLeft(), over->grab());
        p.end();
        const QString path = QStringLiteral("%1/%2-%3x%4.png")
                                 .arg(m_dir, QLatin1String(name))
                                 .arg(m_screen.width())
                                 .arg(m_screen.height());
        const bool ok = shot.save(path);
        std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
        m_ok &= ok;
        return ok;
    }

    // `open` shows a modal dialog, which is taken as it first shows, then
    // answered by `answer` (rejected without one).
    void SaveModal(const char* name, const std::function<void()>& open,
                   const std::function<void(QDialog&)>& answer = {}) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            seen = Save(name, dialog);
            if (answer)
                answer(*dialog);
            else
                dialog->reject();
        });
        open();
        if (!seen) {
            std::printf("FAILED %s: no dialog\n", name);
            m_ok = false;
        }
    }

    void Trigger(int button) { m_frame.ToolBar()->actions().at(button)->trigger(); }
    bool Ok() const { return m_ok; }

private:
    CMainFrame& m_frame;
    QString m_dir;
    QSize m_screen;
    bool m_ok = true;
};

void Wheel(QWidget& canvas, QPoint at, int delta) {
    QWheelEvent e(at, canvas.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas, &e);
}

}  // namespace

bool DesktopShots(const QString& out, const QString& site, const QString& portraitSite,
                  QSize screen) {
    CMainFrame frame(WindowLayout::kDesktop);
    CTambRUMOView& view = *frame.View();
    frame.show();
    Shooter shots(frame, out, screen);
    QWidget* canvas = view.childAt(QPoint(10, 10));
    const QRect client = view.ClientRect();
    const auto canvasPoint = [&](double fx, double fy) {
        return QPoint(static_cast<int>(client.width() * fx),
                      static_cast<int>(client.height() * fy));
    };

    shots.SaveModal("open-dialog", [&] { shots.Trigger(kOpen); });
    shots.SaveModal(
        "startup-keep-points", [&] { view.OpenSitePath(site); },
        [](QDialog& box) {
            if (auto* question = qobject_cast<QMessageBox*>(&box))
                question->button(QMessageBox::Yes)->click();
        });
    shots.Save("map");
    frame.ToolBar()->actions().last()->trigger();
    shots.Save("commands", QApplication::activePopupWidget());
    if (QWidget* list = QApplication::activePopupWidget()) list->close();
    if (canvas != nullptr) {
        Wheel(*canvas, canvasPoint(0.3, 0.35), 240);  // two notches, about the pointer
        shots.Save("zoom-about-pointer");
        view.OnKeyDown(Qt::Key_Home);
    }

    // A point: the scan panel beside the map, then its summary.
    const QPoint first = canvasPoint(0.3, 0.35);
    int32_t wx = 0, wy = 0;
    view.Desktop()->WorldAt(first, wx, wy);
    view.OnTap(first);
    theBoard.m_bScanStarted = 1;
    theBoard.m_scanChannel = 6;
    const int32_t scale = std::max(1, view.Map().Width() / 800);  // the sample is 800 wide
    HearSampleOffice(static_cast<double>(wx) / scale, static_cast<double>(wy) / scale);
    view.OnTalvDraw();
    shots.Save("scan-beside-map");
    theBoard.m_bScanComplete = 1;
    view.OnTalvDraw();
    QApplication::sendPostedEvents();
    // The tap brought the point to the middle of the map.
    shots.SaveModal("dialog-location-info", [&] { view.OnTapAndHold(canvasPoint(0.5, 0.5)); });

    // A walk over the plan at its whole size, then the coverage map.
    for (double fy : {0.25, 0.5, 0.75}) {
        for (double fx = 0.15; fx < 0.9; fx += 0.1) {
            view.OnKeyDown(Qt::Key_Home);
            const QPoint at = canvasPoint(fx, fy);
            if (!view.Desktop()->WorldAt(at, wx, wy)) continue;
            view.OnTap(at);
            theBoard.m_bScanStarted = 1;
            HearSampleOffice(static_cast<double>(wx) / scale, static_cast<double>(wy) / scale);
            theBoard.m_bScanComplete = 1;
            view.OnTalvDraw();
        }
    }
    QApplication::sendPostedEvents();
    view.OnKeyDown(Qt::Key_Home);
    shots.Trigger(kCoverage);
    shots.Save("coverage");

    // Set Scale: the distance asked over the line, then the scale bar under
    // the legend of usable access points and the strip of the next Set Scale.
    view.OnSetScale();
    view.OnTap(canvasPoint(0.3, 0.8));
    shots.SaveModal(
        "set-scale-distance", [&] { view.OnTap(canvasPoint(0.6, 0.8)); },
        [](QDialog& dialog) {
            if (auto* input = qobject_cast<QInputDialog*>(&dialog)) input->setDoubleValue(12);
            dialog.accept();
        });
    shots.SaveModal(
        "dialog-map-shows", [&] { view.OnMapShows(); },
        [](QDialog& dialog) {
            auto* shows = qobject_cast<CMapShowsDlg*>(&dialog);
            if (shows == nullptr) return dialog.reject();
            for (int row = 0; row < shows->Layers().count(); ++row)
                if (shows->Layers().itemText(row).startsWith(QLatin1String("Usable")))
                    shows->Layers().setCurrentIndex(row);
            shows->ShowButton().click();
        });
    view.OnSetScale();
    shots.Save("set-scale-legend");
    view.OnCancel();
    shots.SaveModal("dialog-iperf3-server", [&] { view.OnIperfServer(); });

    shots.SaveModal("dialog-colour-codes", [&] { shots.Trigger(kColours); });
    shots.SaveModal("dialog-help", [&] { shots.Trigger(kHelp); });
    shots.SaveModal("dialog-about", [&] { shots.Trigger(kAbout); });
    shots.SaveModal("dialog-sign-off", [&] { shots.Trigger(kSave); });

    // A plan taller than wide, with its margins beside it; the survey left
    // unsaved ("No" to every question on the way).
    if (!portraitSite.isEmpty()) {
        class Declines : public platform::IMessageBoxes {
        public:
            int Show(QWidget*, const QString&, const QString&, unsigned) override {
                return platform::IDNO;
            }
        } declines;
        platform::SetMessageBoxes(&declines);
        view.OpenSitePath(portraitSite);
        platform::SetMessageBoxes(nullptr);
        shots.Save("portrait-plan");
    }
    return shots.Ok();
}
