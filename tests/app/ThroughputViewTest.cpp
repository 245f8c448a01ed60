// The throughput test after a point's scan, through the view, against a real
// `iperf3 -s` on 127.0.0.1 at a free port that the test starts and stops:
// the point is recorded first, the scan screen shows the test's progress,
// the figures reach whoever keeps them, Escape ends the test at once, and a
// server that is not there is told once, not at every point.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include "AppFakes.h"
#include "LoopbackPort.h"
#include "aplist/ApList.h"
#include "requirements/Requirement.h"

namespace {

class ThroughputView : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        port = FreeLoopbackPort();
        view = OpenedView();
        m_boxes.shown.clear();  // Open's questions
        ThroughputRequest r;
        r.server = {"127.0.0.1", port};
        r.seconds = 1;
        view->IperfServer().SetSession(r);
        view->Throughput().SetTested([this](const ThroughputOutcome& o) { kept.push_back(o); });
    }
    void TearDown() override {
        view.reset();
        if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished(5000);
        }
        AppTest::TearDown();
    }
    void StartServer() {
        server.start(QStringLiteral("iperf3"),
                     {"-s", "-B", "127.0.0.1", "-p", QString::number(port)});
        ASSERT_TRUE(server.waitForStarted(5000));
        ASSERT_TRUE(PumpUntil([&] { return Listening(); })) << "iperf3 -s did not listen";
    }
    // A socket listens on 127.0.0.1:port.
    bool Listening() const {
        QFile f(QStringLiteral("/proc/net/tcp"));
        if (!f.open(QIODevice::ReadOnly)) return false;
        const QByteArray local =
            "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> cols = line.simplified().split(' ');
            if (cols.size() > 3 && cols[1] == local && cols[3] == "0A") return true;
        }
        return false;
    }

    uint16_t port = 0;
    QProcess server;
    std::unique_ptr<CTambRUMOView> view;
    std::vector<ThroughputOutcome> kept;
};

TEST_F(ThroughputView, APointsTestFollowsItsScanOnTheScanScreenAndItsFiguresAreKept) {
    StartServer();
    RecordPoint(*view, 100, 100, {{1, {-50}, 6, "lab"}});
    EXPECT_EQ(surveyList.Count(), 1) << "the point is recorded before its test";
    ASSERT_TRUE(view->Throughput().Running());
    EXPECT_EQ(view->Mode(), DisplayMode::kScanScreen);
    EXPECT_TRUE(view->Throughput().ProgressLine().startsWith("Down "))
        << view->Throughput().ProgressLine().toStdString();
    RecordPoint(*view, 150, 150, {{2, {-60}, 6, "lab"}});  // no second point meanwhile
    EXPECT_EQ(surveyList.Count(), 1);

    ASSERT_TRUE(PumpUntil([&] { return !kept.empty(); }, std::chrono::seconds(20)));
    ASSERT_TRUE(kept[0].Measured()) << kept[0].reason;
    EXPECT_GT(kept[0].figures->downMbps, 0);
    EXPECT_GT(kept[0].figures->upMbps, 0);
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    EXPECT_TRUE(m_boxes.shown.empty());
}

// That the cancel kills iperf3 at once and nothing more of it is heard is
// ThroughputRunnerTest.CancelKillsTheClientAtOnceAndFreesTheServer; here
// Escape reaches it.
TEST_F(ThroughputView, EscapeEndsATestAtOnceAndKeepsNothingOfIt) {
    StartServer();
    RecordPoint(*view, 100, 100, {{1, {-50}, 6, "lab"}});
    ASSERT_TRUE(PumpUntil([&] { return view->Throughput().Runner().ProcessId() != 0; }));
    PressKey(view.get(), Qt::Key_Escape);
    EXPECT_FALSE(view->Throughput().Running());
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    QCoreApplication::processEvents();
    EXPECT_TRUE(kept.empty());
    EXPECT_EQ(surveyList.Count(), 1);
}

TEST_F(ThroughputView, NoServerIsToldOnceAndEveryPointIsRecorded) {
    for (int i = 0; i < 2; ++i) {
        RecordPoint(*view, 60 + 40 * i, 100, {{1, {-50}, 6, "lab"}});
        ASSERT_TRUE(PumpUntil([&] { return kept.size() == size_t(i + 1); }));
    }
    EXPECT_EQ(surveyList.Count(), 2);
    for (const ThroughputOutcome& o : kept) EXPECT_EQ(o.fault, ThroughputFault::kRefused);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_TRUE(m_boxes.shown[0].text.startsWith("throughput not measured: "))
        << m_boxes.shown[0].text.toStdString();
}

// The server set in the window tests the next point against a real iperf3,
// and the download map shows what the store kept.
TEST_F(ThroughputView, AServerSetInTheWindowTestsAPointAndTheDownloadMapShowsIt) {
    StartServer();
    view = OpenedView();  // the window's own keeping of the tests
    m_dialogs.iperfAnswer = "127.0.0.1:99999";
    view->OnIperfServer();
    EXPECT_FALSE(view->Throughput().Request());
    EXPECT_NE(m_dialogs.told.find("99999"), std::string::npos) << m_dialogs.told;
    m_dialogs.iperfAnswer = "127.0.0.1:" + std::to_string(port);
    view->OnIperfServer();
    ASSERT_TRUE(view->Throughput().Request());
    m_dialogs.mapShowsAnswer = {CoverageLayer::Of(Metric::kDownload), ""};
    view->OnMapShows();
    RecordPoint(*view, 100, 100, {{1, {-50}, 6, "lab"}});
    ASSERT_TRUE(view->Throughput().Running());
    ASSERT_TRUE(PumpUntil([&] { return !view->Throughput().Running(); }, std::chrono::seconds(20)));
    ASSERT_TRUE(view->Throughput().Last() && view->Throughput().Last()->Measured());
    const double down = RoundedMbps(view->Throughput().Last()->figures->downMbps);
    view->Render();
    const CoverageGrid& grid = view->Coverage().Map().Grid();
    // One point: every cell within R holds its figure (beyond 10 Gbit/s, 10).
    int valued = 0;
    for (int32_t row = 0; row < grid.Rows(); ++row)
        for (int32_t col = 0; col < grid.Columns(); ++col)
            if (const auto v = grid.Value(col, row); v && ++valued) {
                ASSERT_NEAR(*v, std::min(down, 10000.0), 0.005);
            }
    EXPECT_GT(valued, 1000);
    m_dialogs.iperfAnswer = "";  // CLEAR
    view->OnIperfServer();
    EXPECT_FALSE(view->Throughput().Request());
}

}  // namespace
