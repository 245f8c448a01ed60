#include "AppFakes.h"

#include <QFile>
#include <QScrollBar>
#include <cstring>

#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "site/SiteBuilder.h"
#include "site/SiteRecord.h"

void AppTest::SetUp() {
    theBoard.Reset();
    theBoard.SetOutbox(nullptr);
    theBoard.SetNotifier(nullptr);
    scanList.RemoveAll();
    surveyList.RemoveAll();
    delete g_pSite;
    g_pSite = nullptr;
    platform::SetMessageBoxes(&m_boxes);
    platform::SetFileDialogs(&m_files);
    platform::SetSounds(&m_sounds);
    ASSERT_TRUE(m_dir.isValid());
}

void AppTest::TearDown() {
    platform::SetMessageBoxes(nullptr);
    platform::SetFileDialogs(nullptr);
    platform::SetSounds(nullptr);
    scanList.RemoveAll();
    surveyList.RemoveAll();
    delete g_pSite;
    g_pSite = nullptr;
    theBoard.Reset();
}

std::string AppTest::MakeSite(const char* name, int width, int height) {
    NewSitePlan plan;
    plan.width = width;
    plan.height = height;
    plan.colorTable[0] = 0xFFFFFF;
    plan.colorTable[1] = 0xC0C0C0;
    plan.colorTable[2] = 0x808080;
    plan.colorTable[3] = 0x404040;
    plan.fillRow = [width](int32_t y, uint8_t* row) {
        for (int32_t x = 0; x < width; ++x) row[x] = static_cast<uint8_t>((x / 16 + y / 16) % 4);
    };
    const std::vector<uint8_t> bytes = BuildSiteFile(plan, 1000);
    const QString path = m_dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path.toStdString();
}

std::unique_ptr<CTambRUMOView> AppTest::MakeView() {
    auto view = std::make_unique<CTambRUMOView>();
    view->SetDialogs(&m_dialogs);
    view->Gesture().SetHoldInterval(1);
    // Scroll bars come and go; a fixed client size keeps the arithmetic known.
    view->resize(CTambRUMOView::kClientWidth, CTambRUMOView::kClientHeight);
    return view;
}

bool AppTest::Open(CTambRUMOView& view, const std::string& path, bool keep) {
    m_boxes.answers.push_back(keep ? platform::IDYES : platform::IDNO);
    m_files.next = QString::fromStdString(path);
    view.OnOpenSite();
    m_files.next.clear();
    // The scroll bars have appeared; keep the client area at 240 x 268.
    if (!view.isVisible() && !view.HorizontalBar()->isHidden()) {
        view.resize(CTambRUMOView::kClientWidth + view.VerticalBar()->sizeHint().width(),
                    CTambRUMOView::kClientHeight + view.HorizontalBar()->sizeHint().height());
    }
    return view.SitePath() == QString::fromStdString(path);
}

void AppTest::FinishScan(CTambRUMOView& view, const std::vector<Ap>& aps) {
    for (const Ap& ap : aps) {
        for (int16_t reading : ap.readings) {
            // One probe entry and its beacon entry (layout at ScannerBoard.h).
            std::vector<uint8_t> report;
            report.push_back(1);
            const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, ap.macLast};
            report.insert(report.end(), mac, mac + 6);
            report.push_back(static_cast<uint8_t>(reading & 0xFF));
            report.push_back(static_cast<uint8_t>((reading >> 8) & 0xFF));
            report.push_back(1);
            uint8_t beacon[37] = {};
            beacon[0] = 0;
            beacon[1] = static_cast<uint8_t>(std::strlen(ap.ssid));
            std::memcpy(beacon + 2, ap.ssid, std::strlen(ap.ssid));
            beacon[34] = ap.channel;
            report.insert(report.end(), beacon, beacon + 37);
            theBoard.MergeReport(report.data(), report.size());
        }
    }
    theBoard.m_bScanStarted = 1;
    theBoard.m_bScanComplete = 1;
    view.OnTalvDraw();
}

void AppTest::TapWorld(CTambRUMOView& view, int x, int y) {
    view.OnHScroll(CTambRUMOView::SB_THUMBTRACK, CTambRUMOView::kClientWidth / 2);
    view.OnVScroll(CTambRUMOView::SB_THUMBTRACK, CTambRUMOView::kClientHeight / 2);
    view.OnTap(QPoint(x, y));
}
