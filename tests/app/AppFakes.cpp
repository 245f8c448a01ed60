#include "AppFakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <thread>

#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "boardsim/BoardMessages.h"
#include "site/SiteBuilder.h"
#include "site/SiteRecord.h"

namespace {
constexpr uint32_t kSitePalette[4] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040};

void ResetProgramState() {
    theBoard.Reset();
    scanList.RemoveAll();
    surveyList.RemoveAll();
    // The site record is the survey document's; each view's goes with it.
}
}  // namespace

bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // leave the cores to the worker
    }
    return true;
}

void PressKey(QObject* target, int key, bool repeat) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeat);
    QCoreApplication::sendEvent(target, &press);
}

BoardStartupOptions QuickStartup() {
    BoardStartupOptions options;
    options.simulate = true;
    options.openPause = options.greetPause = options.closePause = std::chrono::milliseconds(0);
    return options;
}

uint32_t SiteColour(int x, int y) { return kSitePalette[(x / 16 + y / 16) % 4]; }

void AppTest::SetUp() {
    ResetProgramState();
    theBoard.SetOutbox(nullptr);
    theBoard.SetNotifier(nullptr);
    platform::SetMessageBoxes(&m_boxes);
    platform::SetFileDialogs(&m_files);
    platform::SetSounds(&m_sounds);
    ASSERT_TRUE(m_dir.isValid());
}

void AppTest::TearDown() {
    platform::SetMessageBoxes(nullptr);
    platform::SetFileDialogs(nullptr);
    platform::SetSounds(nullptr);
    ResetProgramState();
}

std::string AppTest::MakeSite(const char* name, int width, int height) {
    NewSitePlan plan;
    plan.width = width;
    plan.height = height;
    std::copy(std::begin(kSitePalette), std::end(kSitePalette), plan.colorTable);
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

std::unique_ptr<CTambRUMOView> AppTest::OpenedView(int width, int height) {
    auto view = MakeView();
    // Each view its own site: a second one on a.hss would be told it is in use.
    const std::string name = m_opened++ == 0 ? "a.hss" : "a-" + std::to_string(m_opened) + ".hss";
    EXPECT_TRUE(Open(*view, MakeSite(name.c_str(), width, height), false));
    return view;
}

bool AppTest::Open(CTambRUMOView& view, const std::string& path, bool keep) {
    if (view.Document().HasUnsavedChanges()) m_boxes.answers.push_back(platform::IDNO);
    m_boxes.answers.push_back(keep ? platform::IDYES : platform::IDNO);
    m_files.next = QString::fromStdString(path);
    view.OnOpenSite();
    m_files.next.clear();
    // The scroll bars have appeared; keep the client area at 240 x 268.
    if (!view.isVisible() && !view.Bars().Bar(MapAxis::kX)->isHidden()) {
        view.resize(
            CTambRUMOView::kClientWidth + view.Bars().Bar(MapAxis::kY)->sizeHint().width(),
            CTambRUMOView::kClientHeight + view.Bars().Bar(MapAxis::kX)->sizeHint().height());
    }
    return QString::fromStdString(view.Document().Path()) == QString::fromStdString(path);
}

void AppTest::FinishScan(CTambRUMOView& view, const std::vector<Ap>& aps) {
    for (const Ap& ap : aps) {
        for (int16_t reading : ap.readings) {
            const Bytes report =
                ReportMessage({{{0x00, 0x11, 0x22, 0x33, 0x44, ap.macLast}, reading}},
                              {{0, ap.ssid, ap.channel}});
            theBoard.MergeReport(report.data(), report.size());
        }
    }
    theBoard.m_bScanStarted = 1;
    theBoard.m_bScanComplete = 1;
    view.OnTalvDraw();
}

void AppTest::Recentre(CTambRUMOView& view) {
    view.OnScroll(MapAxis::kX, SB_THUMBTRACK, CTambRUMOView::kClientWidth / 2);
    view.OnScroll(MapAxis::kY, SB_THUMBTRACK, CTambRUMOView::kClientHeight / 2);
}

void AppTest::TapWorld(CTambRUMOView& view, int x, int y) {
    Recentre(view);
    view.OnTap(QPoint(x, y));
}

void AppTest::RecordPoint(CTambRUMOView& view, int x, int y, const std::vector<Ap>& aps) {
    TapWorld(view, x, y);
    FinishScan(view, aps);
}

void AppTest::ExpectOneBox(const QString& text, const QString& caption, unsigned type) {
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, text);
    EXPECT_EQ(m_boxes.shown[0].caption, caption);
    EXPECT_EQ(m_boxes.shown[0].type, type);
}
