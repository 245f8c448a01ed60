// The frame: panes, toolbar, closing with unsaved points; the command line.

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QToolBar>

#include "AppFakes.h"
#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "site/SiteRecord.h"

TEST_F(AppTest, FramePanesStartAtZeroAndShowSixteenBitCursorValues) {
    CMainFrame frame;
    EXPECT_EQ(frame.PaneText(0), QStringLiteral("L: 0"));
    EXPECT_EQ(frame.PaneText(1), QStringLiteral("P: 0"));
    EXPECT_EQ(frame.PaneText(2), QStringLiteral("X: 0"));
    EXPECT_EQ(frame.PaneText(3), QStringLiteral("Y: 0"));
    frame.OnStatusUpdate(40000, 65535);
    EXPECT_EQ(frame.PaneText(2), QStringLiteral("X: -25536"));
    EXPECT_EQ(frame.PaneText(3), QStringLiteral("Y: -1"));

    QStringList tips;
    for (QAction* a : frame.ToolBar()->actions()) tips << a->toolTip();
    EXPECT_EQ(tips, (QStringList{"Open a Site", "Save a Site", "RSSI Color Codes", "Zoom In",
                                 "Zoom Out", "Help", "About Tamb"}));
}

TEST_F(AppTest, RecordedPointRefreshesThePanesThroughTheStatusMessage) {
    CMainFrame frame;
    CTambRUMOView& view = *frame.View();
    view.SetDialogs(&m_dialogs);
    ASSERT_TRUE(Open(view, MakeSite("a.hss", 240, 268), false));
    TapWorld(view, 30, 40);
    FinishScan(view, {{0x01, {-50}, 6, "a"}, {0x02, {-60}, 6, "b"}});
    QCoreApplication::sendPostedEvents(&frame);
    EXPECT_EQ(frame.PaneText(0), QStringLiteral("L: 1"));
    EXPECT_EQ(frame.PaneText(1), QStringLiteral("P: 2"));
    EXPECT_EQ(frame.PaneText(2), QString::asprintf("X: %d", view.Viewport().GetCenterX()));
    EXPECT_EQ(frame.PaneText(3), QString::asprintf("Y: %d", view.Viewport().GetCenterY()));

    // A new Open leaves the panes alone.
    ASSERT_TRUE(Open(view, MakeSite("b.hss", 240, 268), false));
    QCoreApplication::sendPostedEvents(&frame);
    EXPECT_EQ(frame.PaneText(0), QStringLiteral("L: 1"));
}

TEST_F(AppTest, ClosingWithUnsavedPointsAsksToSave) {
    CMainFrame frame;
    CTambRUMOView& view = *frame.View();
    view.SetDialogs(&m_dialogs);
    int stopped = 0;
    frame.SetOnClosing([&] { ++stopped; });
    frame.show();

    // Nothing recorded: closes without asking.
    {
        CMainFrame quiet;
        quiet.show();
        EXPECT_TRUE(quiet.close());
        EXPECT_TRUE(m_boxes.shown.empty());
    }

    ASSERT_TRUE(Open(view, MakeSite("a.hss", 240, 268), false));
    TapWorld(view, 30, 40);
    FinishScan(view, {{0x01, {-50}, 6, "a"}});
    m_boxes.shown.clear();

    m_boxes.answers = {platform::IDCANCEL};
    EXPECT_FALSE(frame.close());
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, QStringLiteral("Save the survey before closing?"));
    EXPECT_EQ(m_boxes.shown[0].type, unsigned(platform::MB_YESNOCANCEL));
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(stopped, 0);

    m_boxes.answers = {platform::IDYES};
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    EXPECT_FALSE(view.HasUnsavedChanges());
    EXPECT_EQ(stopped, 1);
}

TEST_F(AppTest, ClosingAfterAFailedSaveKeepsTheWindowAndNoClosesAnyway) {
    CMainFrame frame;
    CTambRUMOView& view = *frame.View();
    view.SetDialogs(&m_dialogs);
    frame.show();
    const std::string path = MakeSite("a.hss", 240, 268);
    ASSERT_TRUE(Open(view, path, false));
    TapWorld(view, 30, 40);
    FinishScan(view, {{0x01, {-50}, 6, "a"}});
    QFile::remove(QString::fromStdString(path));

    m_boxes.answers = {platform::IDYES};
    EXPECT_FALSE(frame.close());  // "Could not update site" was shown
    EXPECT_EQ(m_boxes.shown.back().text, QStringLiteral("Could not update site"));
    m_boxes.answers = {platform::IDNO};
    EXPECT_TRUE(frame.close());
}

TEST(CommandLine, OptionsAndSiteAreParsedAndMistakesRefused) {
    PellorinOptions o;
    QString out;
    EXPECT_EQ(ParseCommandLine(
                  {"pellorin", "--port", "/dev/ttyUSB0", "--capture", "c.bin", "s.hss"}, o, out),
              CommandLineResult::kRun);
    EXPECT_EQ(o.port, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(o.capturePath, QStringLiteral("c.bin"));
    EXPECT_EQ(o.sitePath, QStringLiteral("s.hss"));
    EXPECT_FALSE(o.simulate);

    PellorinOptions sim;
    EXPECT_EQ(ParseCommandLine({"pellorin", "--simulate-board"}, sim, out),
              CommandLineResult::kRun);
    EXPECT_TRUE(sim.simulate);
    EXPECT_TRUE(sim.sitePath.isEmpty());

    PellorinOptions x;
    EXPECT_EQ(ParseCommandLine({"pellorin", "--help"}, x, out), CommandLineResult::kExitOk);
    EXPECT_TRUE(out.contains("--simulate-board"));
    EXPECT_EQ(ParseCommandLine({"pellorin", "--version"}, x, out), CommandLineResult::kExitOk);
    EXPECT_TRUE(out.startsWith("pellorin "));
    EXPECT_EQ(ParseCommandLine({"pellorin", "--bogus"}, x, out), CommandLineResult::kExitError);
    EXPECT_EQ(ParseCommandLine({"pellorin", "a.hss", "b.hss"}, x, out),
              CommandLineResult::kExitError);
    EXPECT_EQ(ParseCommandLine({"pellorin", "--port", "/dev/x", "--simulate-board"}, x, out),
              CommandLineResult::kExitError);
}
