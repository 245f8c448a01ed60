// Writes PNGs of the three screens and the dialogs, rendered offscreen with
// the program's own resources:
//   pellorin_screenshots OUTDIR [SITE]             the handheld layout (without
//                                                  SITE a small plan is generated)
//   pellorin_screenshots --desktop WxH OUTDIR SITE the desktop layout on a
//                                                  W x H screen (DesktopShots.h)

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DesktopShots.h"
#include "SampleReports.h"
#include "aplist/ApList.h"
#include "app/MainFrame.h"
#include "app/TambRUMOView.h"
#include "board/ScannerBoard.h"
#include "coverage/NetworkCatalogue.h"
#include "dialogs/HelpDlg.h"
#include "dialogs/LocationInfoDlg.h"
#include "dialogs/NetworksDlg.h"
#include "dialogs/ProductAboutDlg.h"
#include "dialogs/RssiColorDlg.h"
#include "dialogs/SignOffDlg.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Sounds.h"
#include "site/SiteBuilder.h"
#include "site/SiteRecord.h"

namespace {

class Answers : public platform::IMessageBoxes {
public:
    int Show(QWidget*, const QString&, const QString&, unsigned) override { return platform::IDNO; }
};
class Silence : public platform::ISoundPlayer {
public:
    void Play(const QString&, bool) override {}
};
class Chosen : public platform::IFileDialogs {
public:
    QString path;
    QString GetOpenSitePath(QWidget*) override { return path; }
    QString GetSaveSitePath(QWidget*) override { return {}; }
};

QString GeneratedSite(const QString& dir, const char* name = "screenshot-site.hss") {
    NewSitePlan plan;
    plan.width = 480;
    plan.height = 536;
    plan.colorTable[0] = 0xFFFFFF;
    plan.colorTable[1] = 0x303030;
    plan.colorTable[2] = 0xD8E4F0;
    plan.fillRow = [](int32_t y, uint8_t* row) {
        for (int32_t x = 0; x < 480; ++x) {
            const bool wall = x % 120 < 4 || y % 134 < 4 || x > 474 || y > 530;
            const bool door = (x % 120 < 4) && (y % 134 > 50 && y % 134 < 80);
            row[x] = wall && !door ? 1 : ((x / 120 + y / 134) % 2 ? 2 : 0);
        }
    };
    const std::vector<uint8_t> bytes = BuildSiteFile(plan, 0);
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    return path;
}

bool Save(QWidget& w, const QString& dir, const char* name) {
    w.show();
    QApplication::processEvents();
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

// `frame` with the list of its last toolbar button open over it.
bool SaveCommands(CMainFrame& frame, const QString& dir, const char* name) {
    frame.ToolBar()->actions().last()->trigger();
    QApplication::processEvents();
    QWidget* menu = QApplication::activePopupWidget();
    QImage shot = frame.grab().toImage();
    if (menu != nullptr) {
        QPainter p(&shot);
        p.drawPixmap(frame.mapFromGlobal(menu->pos()), menu->grab());
        p.end();
        menu->close();
    }
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    const bool ok = menu != nullptr && shot.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return ok;
}

// The desktop set: an offscreen screen of the size asked, at scale 1.
int Desktop(int argc, char** argv) {
    int width = 0, height = 0;
    if (argc != 5 || std::sscanf(argv[2], "%dx%d", &width, &height) != 2 || width <= 0 ||
        height <= 0) {
        std::fprintf(stderr, "usage: pellorin_screenshots --desktop WxH OUTDIR SITE\n");
        return 2;
    }
    QTemporaryDir config;
    const QString screens = config.filePath(QStringLiteral("screens.json"));
    QFile f(screens);
    if (!config.isValid() || !f.open(QIODevice::WriteOnly)) return 1;
    f.write(QStringLiteral("{\"windowFrameMargins\": false, \"screens\": [{\"name\": \"desktop\", "
                           "\"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                           "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                .arg(width)
                .arg(height)
                .toUtf8());
    f.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).toLocal8Bit());
    qunsetenv("QT_SCALE_FACTOR");
    QApplication app(argc, argv);
    QDir().mkpath(QString::fromLocal8Bit(argv[3]));
    // Absolute: the Open dialog's folder becomes the current one below.
    const QString out = QDir(QString::fromLocal8Bit(argv[3])).absolutePath();
    Silence silence;
    platform::SetSounds(&silence);
    // The copies and what surveying them leaves beside them (a journal kept
    // aside would be offered for recovery the next time): none before, none after.
    const auto removeCopies = [&out] {
        QDir dir(out);
        for (const QString& name :
             dir.entryList({QStringLiteral("screenshot-*.hss*")}, QDir::Files))
            dir.remove(name);
    };
    removeCopies();
    const QString site = out + QStringLiteral("/screenshot-site.hss");
    if (!QFile::copy(QString::fromLocal8Bit(argv[4]), site)) {
        std::fprintf(stderr, "cannot copy %s\n", argv[4]);
        return 1;
    }
    const QString portrait = GeneratedSite(out, "screenshot-plan.hss");
    QDir::setCurrent(QFileInfo(QString::fromLocal8Bit(argv[4])).absolutePath());  // the sample's
    const bool ok = DesktopShots(out, site, portrait, QSize(width, height));
    removeCopies();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--desktop") == 0) return Desktop(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: pellorin_screenshots OUTDIR [SITE]\n"
                     "       pellorin_screenshots --desktop WxH OUTDIR SITE\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    Answers answers;
    Silence silence;
    Chosen chosen;
    platform::SetMessageBoxes(&answers);
    platform::SetSounds(&silence);
    platform::SetFileDialogs(&chosen);
    // A copy of SITE is surveyed: the points taken here, and the journal
    // beside the file, never touch the original.
    if (argc > 2) {
        chosen.path = out + QStringLiteral("/screenshot-site.hss");
        QFile::remove(chosen.path);
        if (!QFile::copy(QString::fromLocal8Bit(argv[2]), chosen.path)) {
            std::fprintf(stderr, "cannot copy %s\n", argv[2]);
            return 1;
        }
    } else {
        chosen.path = GeneratedSite(out);
    }

    bool ok = true;
    CMainFrame frame;
    CTambRUMOView& view = *frame.View();
    ok &= Save(frame, out, "startup.png");

    view.OnOpenSite();
    ok &= Save(frame, out, "map.png");
    ok &= SaveCommands(frame, out, "map-commands.png");

    // A survey point: scan screen half-way, then the recorded circle.
    view.OnTap(QPoint(view.ClientRect().width() / 3, view.ClientRect().height() / 3));
    theBoard.m_bScanStarted = 1;
    theBoard.m_scanChannel = 6;
    // The strongest (the first) has a long name, whole in the point's summary.
    const char* const longName = "office-2nd-floor-east";
    const char* ssids[] = {longName,    "lab", "guest",   "caf\xC3\xA9", "printer-2f", "meeting",
                           "warehouse", "ops", "visitor", "lobby",       "staff"};
    for (int i = 0; i < 11; ++i) {
        Report(static_cast<uint8_t>(i), static_cast<int16_t>(-42 - 4 * i),
               static_cast<uint8_t>(1 + (i * 5) % 13), ssids[i]);
    }
    view.OnTalvDraw();
    ok &= Save(frame, out, "scan.png");
    theBoard.m_bScanComplete = 1;
    view.OnTalvDraw();
    QApplication::sendPostedEvents();
    view.OnZoomIn();
    ok &= Save(frame, out, "map-point.png");

    CRssiColorDlg colours;
    ok &= Save(colours, out, "dialog-colour-codes.png");
    CHelpDlg help;
    ok &= Save(help, out, "dialog-help.png");
    CProductAboutDlg about;
    ok &= Save(about, out, "dialog-about.png");
    CSignOffDlg signOff;
    ok &= Save(signOff, out, "dialog-sign-off.png");
    const CSiteRecord* site = view.Document().Site();
    if (site != nullptr && view.Document().SelectNearestPoint(site->m_pendingX, site->m_pendingY)) {
        CLocationInfoDlg info;
        ok &= Save(info, out, "dialog-location-info.png");
    }
    // A walk through the building, then the coverage map of it and the
    // network list: three access points, weaker with distance.
    view.OnZoomOut();
    const int32_t scale = std::max(1, view.Map().Width() / 800);  // the sample is 800 wide
    for (int32_t y : {130, 280, 430}) {
        for (int32_t x = 80; x <= 720; x += 80) {
            view.OnScroll(MapAxis::kX, SB_THUMBTRACK, x * scale);
            view.OnScroll(MapAxis::kY, SB_THUMBTRACK, y * scale);
            view.OnKeyDown(Qt::Key_Return);
            theBoard.m_bScanStarted = 1;
            HearSampleOffice(x, y);
            theBoard.m_bScanComplete = 1;
            view.OnTalvDraw();
        }
    }
    QApplication::sendPostedEvents();
    view.OnScroll(MapAxis::kX, SB_THUMBTRACK, view.Map().Width() / 2);
    view.OnScroll(MapAxis::kY, SB_THUMBTRACK, view.Map().Height() / 2);
    view.OnKeyDown(Qt::Key_H);
    ok &= Save(frame, out, "map-coverage.png");
    CNetworksDlg networks(BuildCatalogue(surveyList), view.Coverage().Map().Choice(),
                          view.Coverage().ShownRadius(), view.Coverage().Range());
    ok &= Save(networks, out, "dialog-networks.png");

    return ok ? 0 : 1;
}
