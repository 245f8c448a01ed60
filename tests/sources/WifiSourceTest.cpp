// The Wi-Fi adapter as the view's source, against a NetworkManager that
// behaves as the daemon does on a private bus (tests/support): what the
// surveyor sees of the adapter, a refused and a lost scan, a tap without one, N scans averaged,
// a capture replayed, the choice of the source without an option, and a
// whole survey through the real window, read back from the saved site.

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <set>

#include "AppFakes.h"
#include "BoardPty.h"
#include "MockNetworkManager.h"
#include "SurveyDumpMessages.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "app/MainFrame.h"
#include "app/SourceStartup.h"
#include "app/TambRUMOApp.h"
#include "link/PortSearch.h"
#include "screens/ScreenArt.h"
#include "screens/Screens.h"
#include "sources/wifi/WifiCapture.h"
#include "sources/wifi/WifiSource.h"
#include "store/SurveyStore.h"

namespace {

KernelDumps NoKernel(const std::string& name) {
    KernelDumps d;
    d.interfaceName = name;
    d.scan.failure = d.station.failure = d.survey.failure = "no kernel in this test";
    return d;
}

// surveyList as "MACTEXT ssid rssi channel x,y" lines.
std::vector<std::string> SurveyLines() {
    std::vector<std::string> lines;
    for (ApRecord* r = surveyList.First(); r != nullptr; surveyList.GetNext(r))
        lines.push_back(std::string(r->macText) + " " + r->ssid + " " + std::to_string(r->rssi) +
                        " " + std::to_string(r->channel) + " " + std::to_string(r->x) + "," +
                        std::to_string(r->y));
    return lines;
}

class WifiSurvey : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_EQ(nm.Start(), "") << "the mock NetworkManager is needed; run scripts/setup";
        device = nm.AddWifiDevice("wlan0");
        corp = nm.AddAccessPoint(device, {"CorpNet", "AA:BB:CC:00:11:22", 2437, -54});
        guest = nm.AddAccessPoint(device, {"Guest", "AA:BB:CC:00:11:33", 5180, -74});
    }

    SourceEnvironment Environment() {
        SourceEnvironment env;
        env.bus = nm.ClientBus();
        env.wifi.kernelDump = NoKernel;
        env.board.openPause = env.board.greetPause = env.board.closePause =
            std::chrono::milliseconds(0);
        return env;
    }

    // `view` measures with the adapter from now on (through `link` when given).
    CWifiSource* UseAdapter(CTambRUMOView& view, int scans = 1, QString capture = QString(),
                            std::unique_ptr<CNmLink> link = nullptr) {
        CWifiSource::Options options = Environment().wifi;
        options.scansPerPoint = scans;
        options.capturePath = capture;
        auto owned = link ? std::make_unique<CWifiSource>(std::move(link), options)
                          : std::make_unique<CWifiSource>(nm.ClientBus(), options);
        CWifiSource* source = owned.get();
        view.SetSource(std::move(owned));
        source->FindAdapter();
        EXPECT_TRUE(PumpUntil([&] { return source->State() == SourceState::kConnected; }));
        return source;
    }

    // A tap at world (x, y) and its scan, to the end.
    void Measure(CTambRUMOView& view, int x, int y) {
        TapWorld(view, x, y);
        ASSERT_TRUE(view.Session().Pending());
        ASSERT_TRUE(PumpUntil([&] { return !view.Session().Pending(); }, std::chrono::seconds(60)));
    }

    MockNetworkManager nm;
    QString device, corp, guest;
};

TEST_F(WifiSurvey, TheAdapterIsNamedAtStartAndARefusedOrLostScanEndsWithoutAPoint) {
    auto view = OpenedView();
    view->show();
    CWifiSource* source = UseAdapter(*view);
    const SourceTexts texts = source->StartupTexts();
    EXPECT_EQ(texts.left, "(Wi-Fi wlan0)");
    EXPECT_EQ(texts.right, "(11:22:33:44:55:66)");  // the permanent address, not the random one
    EXPECT_EQ(texts.hardware, "for Wi-Fi adapter wlan0");
    EXPECT_TRUE(QString::fromStdString(view->Session().NoticeText()).isEmpty());
    // The adapter's line takes the place of the board's in the picture, and
    // nothing else of the start-up screen changes.
    const ScreenArt art = ScreenArt::Load();
    QImage board(240, 268, QImage::Format_RGB32), adapter = board;
    for (auto [image, line] :
         {std::pair{&board, QString()}, {&adapter, QString("for Wi-Fi adapter wlan0")}}) {
        QPainter p(image);
        screens::PaintStartupScreen(p, image->rect(), &art.splash, "(Wi-Fi wlan0)",
                                    "(11:22:33:44:55:66)", line);
    }
    int changedRows = 0;
    for (int y = 0; y < 268; ++y) {
        const bool differs = std::memcmp(board.constScanLine(y), adapter.constScanLine(y),
                                         static_cast<size_t>(board.bytesPerLine())) != 0;
        changedRows += differs;
        EXPECT_TRUE(!differs || (y >= 224 * 268 / 290 && y <= 242 * 268 / 290 + 1)) << "row " << y;
    }
    EXPECT_GT(changedRows, 5);

    // Refused by polkit: back to the map, the reason and the way out in a box,
    // the adapter still there.
    m_boxes.shown.clear();
    nm.SetScanning(device, {{"deny", true}});
    Measure(*view, 100, 100);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_TRUE(m_boxes.shown[0].text.contains("NetworkManager.PermissionDenied") &&
                m_boxes.shown[0].text.contains(kPolkitHint))
        << m_boxes.shown[0].text.toStdString();
    EXPECT_EQ(source->State(), SourceState::kConnected);

    // A scan that never ends by itself: the radar turns meanwhile.
    nm.SetScanning(device, {{"deny", false}, {"scan_ms", 600000}});
    TapWorld(*view, 120, 120);
    EXPECT_EQ(source->State(), SourceState::kScanning);
    int turns = 0;
    for (int last = view->Radar().Counter(); turns < 3;) {
        ASSERT_TRUE(PumpUntil([&] { return view->Radar().Counter() != last; }))
            << "the radar stood still while the adapter scanned";
        last = view->Radar().Counter();
        ++turns;
    }
    // The adapter goes: as a lost board, the map without a point and the notice.
    m_boxes.shown.clear();
    nm.RemoveDevice(device);
    ASSERT_TRUE(PumpUntil([&] { return !view->Session().Pending(); }));
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    EXPECT_TRUE(surveyList.IsEmpty());
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(source->State(), SourceState::kGone);
    EXPECT_EQ(QString::fromStdString(view->Session().NoticeText()),
              QString::fromUtf8(kAdapterLostText));
    // A tap while there is none says why, once for each reason.
    for (const size_t boxes : {1u, 1u}) {
        Measure(*view, 140, 140);
        ASSERT_EQ(m_boxes.shown.size(), boxes);
        EXPECT_EQ(m_boxes.shown[0].text, "NetworkManager lists no Wi-Fi device");
    }
    EXPECT_TRUE(surveyList.IsEmpty());
}

TEST_F(WifiSurvey, NScansAtAPointRecordEachAccessPointsAverageAndLightTheChannelsHeard) {
    // The scans hear CorpNet at -54 and -74 dBm in turn.
    nm.SetHeard(corp, {-54, -74});
    auto view = OpenedView();
    CWifiSource* source = UseAdapter(*view, 2);
    Measure(*view, 60, 70);

    EXPECT_EQ(SurveyLines(), (std::vector<std::string>{"AABBCC001133 Guest -74 36 60,70",
                                                       "AABBCC001122 CorpNet -64 6 60,70"}));
    EXPECT_EQ(source->ChannelCells(), ChannelCellBit(6)) << "5 GHz has no cell in the grid";
}

TEST_F(WifiSurvey, ACaptureOfTheAdaptersTrafficReplaysIntoTheSourceAsItWasRecorded) {
    const QString path = m_dir.filePath("wifi.capture");
    std::vector<std::string> live;
    {
        auto view = OpenedView();
        CWifiSource* source = UseAdapter(*view, 1, path);
        EXPECT_EQ(source->CaptureProblem(), "");
        Measure(*view, 60, 70);
        live = SurveyLines();
    }
    ASSERT_EQ(live.size(), 2u);
    nm.StopNetworkManager();  // the replay needs no bus

    std::vector<WifiCaptureRecord> records;
    QString error;
    ASSERT_TRUE(LoadWifiCapture(path, records, error)) << error.toStdString();
    auto replay = std::make_unique<CReplayLink>(std::move(records));
    CReplayLink* link = replay.get();
    surveyList.RemoveAll();
    auto view = OpenedView();
    UseAdapter(*view, 1, QString(), std::move(replay));
    Measure(*view, 60, 70);
    EXPECT_EQ(SurveyLines(), live);
    EXPECT_TRUE(link->Divergences().isEmpty()) << link->Divergences().join("; ").toStdString();

    // A capture that cannot be written is said, and the adapter works without one.
    CWifiSource::Options options = Environment().wifi;
    options.capturePath = m_dir.filePath("missing/wifi.capture");
    CWifiSource unrecorded(nm.ClientBus(), options);
    EXPECT_TRUE(unrecorded.CaptureProblem().startsWith("Cannot write the capture file " +
                                                       options.capturePath))
        << unrecorded.CaptureProblem().toStdString();
}

TEST_F(WifiSurvey, WithoutAnOptionTheAdapterIsTakenOnlyWhenTheSearchIdentifiesNoBoard) {
    BoardPty pty;
    ASSERT_TRUE(pty.Ok());
    for (const bool boardPlugged : {true, false}) {
        SCOPED_TRACE(boardPlugged ? "a board is identified" : "no board");
        CTableDeviceList devices;
        if (boardPlugged) devices.Set(0, {"Quatech SSP-100", pty.SlavePath()});
        SourceEnvironment env = Environment();
        env.board.devices = &devices;
        auto view = MakeView();
        auto* startup = new CSourceStartup(view.get(), PellorinOptions(), env);
        startup->Start();
        if (boardPlugged) {
            EXPECT_EQ(startup->Chosen(), SourceKind::kBoardPort);
            EXPECT_EQ(startup->Wifi(), nullptr);
        } else {
            ASSERT_TRUE(PumpUntil([&] { return startup->Chosen() == SourceKind::kWifi; }));
            EXPECT_EQ(view->Session().Source().StartupTexts().left, "(Wi-Fi wlan0)");
        }
        startup->Stop();
    }
}

TEST_F(WifiSurvey, AWholeSurveyThroughTheWindowIsReadBackFromTheSavedSite) {
    const QString site = QString::fromStdString(MakeSite("survey.hss"));
    PellorinOptions options;
    QString output;
    ASSERT_EQ(ParseCommandLine({"pellorin", "--wifi", site}, options, output),
              CommandLineResult::kRun);
    m_boxes.answers = {platform::IDNO};  // no points to keep
    // The kernel's channel survey after each scan: noise on CorpNet's
    // channel, none measured on Guest's.
    SourceEnvironment env = Environment();
    env.wifi.kernelDump = [](const std::string& name) {
        using surveydump::SurveyNest;
        KernelDumps d = NoKernel(name);
        surveydump::Survey corpChannel, guestChannel;
        corpChannel.inUse = true;
        guestChannel.frequency = 5180;
        guestChannel.noise.reset();
        d.survey.failure.clear();
        d.survey.datagrams = {
            scandump::Cat(scandump::Cat(surveydump::SurveyEntry(SurveyNest(corpChannel)),
                                        surveydump::SurveyEntry(SurveyNest(guestChannel))),
                          scandump::Done())};
        return d;
    };
    CTambRUMOApp app;
    ASSERT_TRUE(app.InitInstance(options, env));
    CMainFrame& frame = *app.Frame();
    CTambRUMOView& view = *frame.View();
    view.SetDialogs(&m_dialogs);
    ASSERT_TRUE(PumpUntil([&] {
        return view.Map().HasMap() && view.Session().Source().State() == SourceState::kConnected;
    }));
    QWidget* canvas = nullptr;
    for (QWidget* child : view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (qobject_cast<QScrollBar*>(child) == nullptr) canvas = child;
    ASSERT_NE(canvas, nullptr);

    std::vector<QPoint> places;  // where the taps put the cursor, in the plan
    for (const QPoint at : {QPoint(60, 80), QPoint(180, 200)}) {
        QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, at);
        ASSERT_TRUE(view.Session().Pending());
        places.emplace_back(view.Map().Viewport().GetCenterX(), view.Map().Viewport().GetCenterY());
        ASSERT_TRUE(PumpUntil([&] { return !view.Session().Pending(); }, std::chrono::seconds(60)));
    }
    // The panes follow the point's end through the event queue, a moment later.
    EXPECT_TRUE(PumpUntil([&] { return frame.PaneText(0) == "L: 2"; }))
        << frame.PaneText(0).toStdString();
    EXPECT_EQ(frame.PaneText(1), "P: 4");
    // The point's information (the map is centred on the last point).
    m_dialogs.locationResult = 0;
    view.OnTapAndHold(canvas->rect().center());
    EXPECT_EQ(m_dialogs.locationShown, 1);
    EXPECT_EQ(m_dialogs.locationNoise, "Noise -92 dBm on 6, SNR 38 dB");
    frame.ToolBar()->actions().at(1)->trigger();  // Save a Site, signed
    ASSERT_FALSE(view.Document().HasUnsavedChanges());

    std::vector<SurveyEntry> stored;
    ASSERT_TRUE(ReadStoredPoints(site.toStdString(), stored));
    ASSERT_NE(places[0], places[1]);
    std::multiset<std::string> got, heard;
    for (const SurveyEntry& s : stored)
        got.insert(std::to_string(s.x) + "," + std::to_string(s.y) + " " + s.macText + " " +
                   s.ssid + " " + std::to_string(s.rssi) + " " + std::to_string(s.channel));
    for (const QPoint& at : places)
        for (const char* ap : {" AABBCC001122 CorpNet -54 6", " AABBCC001133 Guest -74 36"})
            heard.insert(std::to_string(at.x()) + "," + std::to_string(at.y()) + ap);
    EXPECT_EQ(got, heard);
    // Each point keeps its scan's noise floors in the store beside the site.
    CSurveyStore store(nullptr);
    ASSERT_TRUE(store.OpenToRead(site.toStdString()));
    for (size_t group : {0u, 1u}) {
        const std::vector<ScanNoise> noise = store.FilePointNoise(group);
        ASSERT_EQ(noise.size(), 1u) << group;
        EXPECT_EQ(std::make_tuple(noise[0].band, noise[0].channel, noise[0].dbm),
                  std::make_tuple(uint8_t{2}, uint8_t{6}, int16_t{-92}));
    }
    frame.close();
}

}  // namespace
