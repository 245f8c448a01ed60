// The Wi-Fi adapter as the view's source, against python3-dbusmock's
// NetworkManager on a private bus: what the surveyor sees of the adapter,
// a refused and a lost scan, N scans averaged, the choice of the source
// without an option, and a whole survey through the real window, read back
// from the saved site.

#include <QScrollBar>
#include <QTest>
#include <QToolBar>

#include "AppFakes.h"
#include "BoardPty.h"
#include "MockNetworkManager.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "app/MainFrame.h"
#include "app/SourceStartup.h"
#include "app/TambRUMOApp.h"
#include "link/PortSearch.h"
#include "sources/wifi/WifiSource.h"

namespace {

const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");

KernelScan NoKernel(const std::string&) {
    KernelScan k;
    k.error = "no kernel in this test";
    return k;
}

class WifiSurvey : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_EQ(nm.Start(), "") << "the mock NetworkManager is needed; run scripts/setup";
        device = nm.AddWifiDevice("wifi0", "wlan0");
        corp = nm.AddAccessPoint(device, "corp", "CorpNet", "AA:BB:CC:00:11:22", 2437, 77);
        guest = nm.AddAccessPoint(device, "guest", "Guest", "AA:BB:CC:00:11:33", 5180, 44);
        nm.ScriptRequestScan(device, MockNetworkManager::ScanHearing({corp, guest}));
    }

    SourceEnvironment Environment() {
        SourceEnvironment env;
        env.bus = nm.ClientBus();
        env.wifi.scanner.kernelDump = NoKernel;
        env.board.openPause = env.board.greetPause = env.board.closePause =
            std::chrono::milliseconds(0);
        return env;
    }

    // `view` measures with the adapter from now on.
    CWifiSource* UseAdapter(CTambRUMOView& view, int scans = 1) {
        CWifiSource::Options options = Environment().wifi;
        options.scansPerPoint = scans;
        auto owned = std::make_unique<CWifiSource>(nm.ClientBus(), options);
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
    EXPECT_EQ(texts.right, "(112233445566)");
    EXPECT_TRUE(QString::fromStdString(view->Session().NoticeText()).isEmpty());

    // Refused: back to the map, the reason in a box, the adapter still there.
    m_boxes.shown.clear();
    nm.ScriptRequestScan(device,
                         "raise dbus.exceptions.DBusException('not now', "
                         "name='org.freedesktop.NetworkManager.Device.NotAllowed')");
    Measure(*view, 100, 100);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_TRUE(m_boxes.shown[0].text.contains("Device.NotAllowed"))
        << m_boxes.shown[0].text.toStdString();
    EXPECT_EQ(source->State(), SourceState::kConnected);

    // A scan that never ends by itself: the radar turns meanwhile.
    nm.ScriptRequestScan(device, QString());
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
}

TEST_F(WifiSurvey, NScansAtAPointRecordEachAccessPointsAverageAndLightTheChannelsHeard) {
    // Each scan hears CorpNet alternately at 77 % (-54 dBm) and 44 % (-74 dBm).
    nm.ScriptRequestScan(
        device, QStringLiteral("self.scans = getattr(self, 'scans', 0) + 1\n"
                               "objects['%1'].Set('%2', 'Strength', dbus.Byte(77 if self.scans % 2 "
                               "else 44))\n")
                        .arg(corp, kAccessPoint) +
                    MockNetworkManager::ScanHearing({corp, guest}));
    auto view = OpenedView();
    CWifiSource* source = UseAdapter(*view, 2);
    Measure(*view, 60, 70);

    ASSERT_EQ(surveyList.Count(), 2);
    for (ApRecord* r = surveyList.First(); r != nullptr; surveyList.GetNext(r)) {
        SCOPED_TRACE(r->ssid);
        EXPECT_EQ(r->x, 60);
        EXPECT_EQ(r->y, 70);
        const bool isCorp = std::string(r->ssid) == "CorpNet";
        EXPECT_EQ(r->rssi, isCorp ? -64 : -74);
        EXPECT_EQ(r->channel, isCorp ? 6 : 36);
    }
    EXPECT_EQ(source->ChannelCells(), ChannelCellBit(6)) << "5 GHz has no cell in the grid";
    EXPECT_EQ(source->LastSummary().derivedDbm, 2u);
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
    CTambRUMOApp app;
    ASSERT_TRUE(app.InitInstance(options, Environment()));
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
    EXPECT_EQ(frame.PaneText(0), "L: 2");
    EXPECT_EQ(frame.PaneText(1), "P: 4");
    frame.ToolBar()->actions().at(1)->trigger();  // Save a Site, signed
    ASSERT_FALSE(view.Document().HasUnsavedChanges());

    std::vector<SurveyEntry> stored;
    ASSERT_TRUE(ReadStoredPoints(site.toStdString(), stored));
    ASSERT_EQ(stored.size(), 4u);
    ASSERT_NE(places[0], places[1]);
    const struct {
        const char *mac, *ssid;
        int rssi, channel;
    } heard[] = {{"AABBCC001122", "CorpNet", -54, 6}, {"AABBCC001133", "Guest", -74, 36}};
    int matched = 0;
    for (const QPoint& place : places)
        for (const auto& e : heard)
            for (const SurveyEntry& s : stored)
                matched += s.x == place.x() && s.y == place.y() && s.macText == e.mac &&
                           s.ssid == e.ssid && s.rssi == e.rssi && s.channel == e.channel;
    EXPECT_EQ(matched, 4);
    frame.close();
}

}  // namespace
