#include <QCoreApplication>
#include <QFile>
#include <QScrollBar>
#include <string>

#include "AppFakes.h"
#include "BoardPty.h"
#include "aplist/ApList.h"
#include "app/BoardHookup.h"
#include "app/MainFrame.h"
#include "board/ScannerBoard.h"
#include "link/BoardLink.h"

namespace {

// Whether the texts come before the greeting pause ends (its end repaints)
// or after it (their arrival repaints), they appear without any input.
TEST_F(AppTest, StartupScreenRepaintsWithTheBoardsTextsWithoutInput) {
    auto view = MakeView();
    view->show();
    BoardStartupOptions options = QuickStartup();
    options.greetPause = std::chrono::milliseconds(300);
    CBoardHookup hookup(view.get(), options);
    // The paints that come once the greeting has ended and the texts are known.
    PaintCounter filter;
    filter.counts = [&hookup] {
        char serial[32];
        theBoard.GetSerial(serial);
        return hookup.Finished() && std::string(serial) != "XXXXXX";
    };
    for (QWidget* child : view->findChildren<QWidget*>())
        if (qobject_cast<QScrollBar*>(child) == nullptr) child->installEventFilter(&filter);

    hookup.Start();
    EXPECT_TRUE(PumpUntil([&] { return filter.paints > 0; }))
        << "the start-up screen was not repainted with the texts without input";
    char firmware[33];
    theBoard.GetFirmware(firmware);
    EXPECT_STRNE(firmware, "0.00");
    EXPECT_EQ(view->Mode(), DisplayMode::kStartup);
    hookup.Stop();
}

// Where the start-up is when the window goes.
enum class StartupStep { kBoxUp, kOpenPause, kGreetPause, kRunning };

// Closing or minimising the window at any step of the start-up, even from
// inside the start-up's message box, stops the board cleanly: no step runs on
// a deleted sequence (ASan), the link is gone and the port is free again.
TEST_F(AppTest, ClosingOrMinimisingTheWindowAtEveryStartupStepStopsTheBoardCleanly) {
    using std::chrono::milliseconds;
    const milliseconds anHour = std::chrono::hours(1);
    for (const bool minimise : {false, true})
        for (const bool simulate : {false, true})
            for (const StartupStep step : {StartupStep::kBoxUp, StartupStep::kOpenPause,
                                           StartupStep::kGreetPause, StartupStep::kRunning}) {
                SCOPED_TRACE(testing::Message() << "minimise " << minimise << ", simulate "
                                                << simulate << ", step " << int(step));
                BoardPty pty;
                ASSERT_TRUE(pty.Ok());
                CMainFrame frame;
                frame.View()->SetDialogs(&m_dialogs);
                BoardStartupOptions options;
                options.simulate = simulate;
                const bool box = step == StartupStep::kBoxUp;
                if (simulate && box) options.simApsFile = "/nonexistent/aps.json";
                if (!simulate) options.portOverride = box ? "/nonexistent/ttyQ7" : pty.SlavePath();
                options.openPause = step <= StartupStep::kOpenPause ? anHour : milliseconds(0);
                options.greetPause = step == StartupStep::kGreetPause ? anHour : milliseconds(0);
                options.closePause = milliseconds(0);
                CBoardHookup* hookup = CBoardHookup::Attach(frame, options);
                const auto leave = [&] {
                    if (minimise)
                        frame.setWindowState(Qt::WindowMinimized);
                    else
                        frame.close();
                };
                m_boxes.shown.clear();
                m_boxes.onShow = box ? std::function<void()>(leave) : nullptr;
                frame.show();
                hookup->Start();

                const auto reached = [&] {
                    const CBoardStartup* s = hookup->Startup();
                    switch (step) {
                        case StartupStep::kBoxUp:
                            return !m_boxes.shown.empty();
                        case StartupStep::kOpenPause:
                            return s != nullptr && s->Link() != nullptr && s->Worker() == nullptr;
                        case StartupStep::kGreetPause:
                            return s != nullptr && s->Worker() != nullptr && !s->Finished();
                        case StartupStep::kRunning:
                            return s != nullptr && s->Finished();
                    }
                    return false;
                };
                ASSERT_TRUE(PumpUntil(reached));
                if (!box) leave();
                ASSERT_TRUE(PumpUntil([&] { return !frame.isVisible(); }));
                m_boxes.onShow = nullptr;
                EXPECT_FALSE(hookup->Running());
                EXPECT_EQ(g_pBoardLink, nullptr);
                EXPECT_LE(m_boxes.shown.size(), 1u);
                if (!simulate && !box) {
                    CSerialPort again;
                    EXPECT_EQ(again.Open(pty.SlavePath()), CSerialPort::OpenResult::kOk)
                        << "the port is still held";
                }
            }
}

TEST_F(AppTest, SimulatedBoardMeasuresTheFirstPointWhereItWasTapped) {
    // One access point in the corner the surveyor taps, one at the map's
    // centre, where the cursor stood before the tap.
    const QString aps = m_dir.filePath("aps.json");
    QFile file(aps);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"noise": 1, "aps": [
        {"mac": "00:11:22:33:44:01", "ssid": "corner", "channel": 1, "x": 20, "y": 20, "power": -30},
        {"mac": "00:11:22:33:44:02", "ssid": "centre", "channel": 6, "x": 120, "y": 134, "power": -30}]})");
    file.close();
    auto view = OpenedView();
    BoardStartupOptions options = QuickStartup();
    options.simApsFile = aps.toStdString();
    options.simScanMs = 100;
    CBoardHookup hookup(view.get(), options);
    hookup.Start();
    ASSERT_TRUE(PumpUntil([&] { return hookup.Finished(); }));

    TapWorld(*view, 20, 20);
    ASSERT_TRUE(PumpUntil([&] { return !view->Session().Pending(); }));
    const ApRecord* strongest = surveyList.First();
    for (ApRecord* r = surveyList.First(); r != nullptr; surveyList.GetNext(r))
        if (r->rssi > strongest->rssi) strongest = r;
    ASSERT_NE(strongest, nullptr);
    EXPECT_STREQ(strongest->ssid, "corner");
    EXPECT_EQ(strongest->x, 20);
    EXPECT_EQ(strongest->y, 20);
    hookup.Stop();
}

}  // namespace
