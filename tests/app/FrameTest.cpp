// The frame: panes, toolbar, closing with unsaved points; the command line.

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>
#include <QWindow>

#include "AppFakes.h"
#include "ScratchDir.h"
#include "app/CommandLine.h"
#include "app/CommandsMenu.h"
#include "app/MainFrame.h"
#include "app/StartScale.h"

namespace {
class FrameTest : public AppTest {
protected:
    // Shows m_frame with a site open and one point recorded; returns the site's path.
    std::string RecordOnePoint(int aps = 1) {
        m_frame.View()->SetDialogs(&m_dialogs);
        m_frame.show();
        const std::string path = MakeSite("a.hss");
        EXPECT_TRUE(Open(*m_frame.View(), path, false));
        std::vector<Ap> found = {{0x01, {-50}, 6, "a"}, {0x02, {-60}, 6, "b"}};
        found.resize(aps);
        RecordPoint(*m_frame.View(), 30, 40, found);
        m_boxes.shown.clear();
        return path;
    }
    CMainFrame m_frame;
};
}  // namespace

TEST_F(FrameTest, FramePanesStartAtZeroAndShowSixteenBitCursorValues) {
    for (int pane = 0; pane < 4; ++pane)
        EXPECT_EQ(m_frame.PaneText(pane), QString("LPXY"[pane]) + ": 0");
    m_frame.OnStatusUpdate(40000, 65535);
    EXPECT_EQ(m_frame.PaneText(2), QStringLiteral("X: -25536"));
    EXPECT_EQ(m_frame.PaneText(3), QStringLiteral("Y: -1"));

    QStringList tips;
    for (QAction* a : m_frame.ToolBar()->actions()) tips << a->toolTip();
    EXPECT_EQ(tips,
              (QStringList{"Open a Site", "Save a Site", "RSSI Color Codes", "Zoom In", "Zoom Out",
                           "Help", "About Tamb", "Coverage Map", "Networks", "More Commands"}));
}

TEST_F(FrameTest, CoverageButtonFollowsTheMapWhicheverWaySwitchedAndNamesWhatItShows) {
    m_frame.View()->SetDialogs(&m_dialogs);
    QAction* coverage = m_frame.ToolBar()->actions().at(7);
    m_frame.View()->OnKeyDown(Qt::Key_H);
    EXPECT_TRUE(coverage->isChecked());
    EXPECT_EQ(coverage->toolTip(), QStringLiteral("Coverage Map (H): Strongest of all, R 60 px"));
    coverage->trigger();  // the button itself
    EXPECT_FALSE(m_frame.View()->Coverage().Shown());
    EXPECT_FALSE(coverage->isChecked());
    m_dialogs.networksAnswer = {{NetworkChoice::OfSsid("lab"), 45}};
    m_frame.ToolBar()->actions().at(8)->trigger();  // "Networks" chooses and shows
    EXPECT_TRUE(coverage->isChecked());
    EXPECT_EQ(coverage->toolTip(), QStringLiteral("Coverage Map (H): lab, R 45 px"));
}

TEST_F(FrameTest, PanesHoldTheirWidestTextsAndTheWindowKeepsItsSize) {
    for (int pane = 0; pane < 4; ++pane) {
        const QLabel* label = m_frame.Pane(pane);
        const int room = label->contentsRect().width() - 2 * label->indent();
        for (const char* text : {"P: 12345", "X: -25536", "X: -32768", "L: 88888"})
            EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(text), room) << text;
    }
    m_frame.show();
    const QSize shown = m_frame.size();
    EXPECT_LE(shown.height(), startscale::kWindowHeight);  // the start scale counts on it
    const int paneHeight = m_frame.Pane(0)->height();
    m_frame.resize(shown.width() + 100, shown.height() + 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_frame.size(), shown);
    EXPECT_EQ(m_frame.Pane(0)->height(), paneHeight);
}

TEST(StartScale, LargestWholeScaleAtWhichTheWindowTakesNineTenthsOfTheScreen) {
    const int window = startscale::kWindowHeight;
    const struct {
        int available, window, scale;
    } screens[] = {
        {320, window, 1},  {768, window, 2},  {724, window, 2},   // handheld, laptop with a panel
        {1080, window, 3}, {1053, window, 3}, {2160, window, 6},  // and with a top bar; 4K
        {222, 100, 1},     {223, 100, 2},     {0, window, 1},
        {-5, window, 1},   {1080, 0, 1},      {100000, 1, startscale::kMaxScale},
    };
    for (const auto& s : screens)
        EXPECT_EQ(startscale::ForScreen(s.available, s.window), s.scale) << s.available;
}

TEST_F(FrameTest, RecordedPointRefreshesThePanesThroughTheStatusMessage) {
    RecordOnePoint(2);
    QCoreApplication::sendPostedEvents(&m_frame);
    const CMapViewport& vp = m_frame.View()->Map().Viewport();
    QStringList panes;
    for (int pane = 0; pane < 4; ++pane) panes << m_frame.PaneText(pane);
    EXPECT_EQ(panes.join(' '),
              QString::asprintf("L: 1 P: 2 X: %d Y: %d", vp.GetCenterX(), vp.GetCenterY()));
}

// The title names the open site and marks unsaved points.
TEST_F(FrameTest, ClosingWithUnsavedPointsAsksToSave) {
    EXPECT_EQ(m_frame.windowTitle(), QStringLiteral("Pellorin"));
    int stopped = 0;
    m_frame.SetOnClosing([&] { ++stopped; });

    const std::string path = RecordOnePoint();
    const Bytes before = ReadFileBytes(path);
    EXPECT_EQ(m_frame.windowHandle()->title(), QStringLiteral("a.hss* - Pellorin"));

    m_boxes.answers = {platform::IDCANCEL};
    EXPECT_FALSE(m_frame.close());  // the question's texts: ScanGuardTest
    EXPECT_TRUE(m_frame.isVisible());
    EXPECT_EQ(stopped, 0);

    // Yes with the sign-off closed is the question's, as before an Open
    // (OpenSaveTest); a Yes whose save fails, ClosingAfterAFailedSave.
    m_boxes.answers = {platform::IDYES};
    EXPECT_TRUE(m_frame.close());
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    EXPECT_NE(ReadFileBytes(path), before);
    EXPECT_EQ(m_frame.windowHandle()->title(), QStringLiteral("a.hss - Pellorin"));
    EXPECT_EQ(stopped, 1);
}

TEST_F(FrameTest, ClosingAfterAFailedSaveKeepsTheWindowAndNoClosesAnyway) {
    const std::string site = RecordOnePoint();
    QFile::remove(QString::fromStdString(site));
    m_boxes.answers = {platform::IDYES};
    EXPECT_FALSE(m_frame.close());
    EXPECT_EQ(m_boxes.shown.back().text.toStdString(),
              "Could not update site\n" + site +
                  ": The file was removed or renamed since it was opened\n\n"
                  "Save the survey as another site file?");
    m_boxes.answers = {platform::IDNO};
    EXPECT_TRUE(m_frame.close());
}

TEST_F(FrameTest, TheToolbarCannotBeHiddenAndOpenAndSaveKeysOutliveIt) {
    RecordOnePoint();
    m_frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_frame));
    QToolBar* bar = m_frame.ToolBar();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), bar->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(bar, &menu);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    bar->toggleViewAction()->trigger();
    EXPECT_TRUE(bar->isVisible());

    bar->hide();  // whatever else might hide it
    QTest::keyClick(&m_frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    const std::string other = MakeSite("b.hss");
    m_files.next = QString::fromStdString(other);
    m_boxes.answers = {platform::IDNO};
    QTest::keyClick(&m_frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_frame.View()->Document().Path(), other);
}

// A finger has no keys: the last button lists every command that has only a
// key, each entry the key's own action, and a tap on an entry runs it.
TEST_F(FrameTest, TheLastButtonListsEveryKeyOnlyCommandAndATapRunsIt) {
    CTambRUMOView& view = *m_frame.View();
    view.SetDialogs(&m_dialogs);
    m_frame.show();
    ASSERT_TRUE(Open(view, MakeSite("a.hss"), false));
    QWidget* button = m_frame.ToolBar()->widgetForAction(m_frame.ToolBar()->actions().last());
    for (QAction* act : m_frame.ToolBar()->actions())  // none behind the overflow arrow
        EXPECT_TRUE(m_frame.ToolBar()->widgetForAction(act)->isVisible())
            << qPrintable(act->toolTip());
    const struct {
        const char* text;
        QKeySequence key;  // empty: the view's own key
        std::function<bool()> ran;
    } commands[] = {
        {"New Site from Floor Plan...", QKeySequence("Ctrl+N"),
         [&] { return m_files.planShown == 1; }},
        {"Save As...", QKeySequence("Ctrl+Shift+S"), [&] { return m_files.saveShown == 1; }},
        {"Set Scale", QKeySequence("Ctrl+L"), [&] { return view.ScaleFlow().Active(); }},
        {"Map Shows...", QKeySequence("Ctrl+M"), [&] { return m_dialogs.mapShowsShown == 1; }},
        {"iperf3 Server...", QKeySequence("Ctrl+I"), [&] { return m_dialogs.iperfShown == 1; }},
        {"Cancel", {}, [&] { return !view.ScaleFlow().Active(); }},  // of Set Scale, above
        {"Exit", QKeySequence("Ctrl+Q"), [&] { return !m_frame.isVisible(); }},
    };
    QStringList listed;
    for (const auto& command : commands) {
        QTest::mouseClick(button, Qt::LeftButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << command.text;
        listed.clear();
        QAction* entry = nullptr;
        for (QAction* act : menu->actions()) {
            if (act->isSeparator()) continue;
            listed << act->text();
            if (act->text() == QLatin1String(command.text)) entry = act;
        }
        ASSERT_NE(entry, nullptr) << command.text;
        EXPECT_GE(menu->actionGeometry(entry).height(), CCommandsMenu::kRowHeight);
        EXPECT_EQ(entry->shortcut(), command.key) << command.text;
        EXPECT_EQ(m_frame.actions().contains(entry), !command.key.isEmpty()) << command.text;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        EXPECT_TRUE(command.ran()) << command.text;
    }
    EXPECT_EQ(listed.size(), int(std::size(commands)));
}

namespace {
// What a parse chose, as one line: the source, then every option not at its default.
QString Chosen(const PellorinOptions& o) {
    const char* const sources[] = {"search", "port", "simulated", "wifi"};
    QString s = QLatin1String(sources[int(o.source)]);
    for (const auto& [name, value] : {std::pair{"port", o.port},
                                      {"if", o.wifiInterface},
                                      {"site", o.sitePath},
                                      {"capture", o.capturePath}})
        if (!value.isEmpty()) s += QString(" %1=%2").arg(name, value);
    if (o.wifiScans != 1) s += QString(" scans=%1").arg(o.wifiScans);
    if (o.scale != 0) s += QString(" scale=%1").arg(o.scale);  // 0: chosen from the screen
    if (const auto& t = o.throughput)
        s += QString(" iperf=%1:%2 %3s udp=%4")
                 .arg(QString::fromStdString(t->server.host))
                 .arg(t->server.port)
                 .arg(t->seconds)
                 .arg(t->udpRateBps ? QString::number(*t->udpRateBps) : "none");
    return s;
}
}  // namespace

TEST(CommandLine, OptionsChooseTheSourceAndTheSiteAndMistakesOrContradictionsAreRefused) {
    const struct {
        QStringList args;
        const char* chosen;
    } runs[] = {
        {{}, "search"},
        {{"site.hss"}, "search site=site.hss"},
        {{"--port", "/dev/ttyUSB0", "--capture", "c.bin", "--scale", "3", "s.hss"},
         "port port=/dev/ttyUSB0 site=s.hss capture=c.bin scale=3"},
        {{"--simulate-board"}, "simulated"},
        {{"--wifi"}, "wifi"},
        {{"--wifi", "site.hss"}, "wifi site=site.hss"},
        {{"--wifi=wlan1"}, "wifi if=wlan1"},
        {{"--wifi-scans", "3"}, "wifi scans=3"},
        {{"--wifi=wlp2s0", "--wifi-scans=10"}, "wifi if=wlp2s0 scans=10"},
        {{"--wifi", "--capture", "traffic.txt"}, "wifi capture=traffic.txt"},
        // The throughput test's server, seconds and UDP rate.
        {{"--iperf", "127.0.0.1:5300", "--iperf-seconds", "5", "--iperf-udp", "10M"},
         "search iperf=127.0.0.1:5300 5s udp=10000000"},
        {{"--iperf", "lab"}, "search iperf=lab:5201 3s udp=none"},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.args.join(' ').toStdString());
        PellorinOptions o;
        QString out;
        ASSERT_EQ(ParseCommandLine(QStringList{"pellorin"} + r.args, o, out),
                  CommandLineResult::kRun)
            << out.toStdString();
        EXPECT_EQ(Chosen(o), r.chosen);
        EXPECT_EQ(o.simulate, o.source == SourceKind::kSimulatedBoard);
    }
    const struct {
        QStringList args;
        CommandLineResult result;
        const char* printed;  // a pattern the output matches
    } exits[] = {
        {{"--version"}, CommandLineResult::kExitOk, "^pellorin \\S+\\n$"},
        {{"--help"}, CommandLineResult::kExitOk, "--scale"},
        {{"--bogus"}, CommandLineResult::kExitError, "."},
        {{"a.hss", "b.hss"}, CommandLineResult::kExitError, "."},
        {{"--port", "/dev/x", "--simulate-board"}, CommandLineResult::kExitError, "."},
        {{"--port", "/dev/ttyS1", "--wifi"}, CommandLineResult::kExitError, "."},
        {{"--simulate-board", "--wifi-scans", "2"}, CommandLineResult::kExitError, "."},
        {{"--wifi-scans", "0"}, CommandLineResult::kExitError, "."},
        {{"--wifi-scans", "11"}, CommandLineResult::kExitError, "."},
        {{"--wifi-scans", "two"}, CommandLineResult::kExitError, "."},
        {{"--scale", "0"}, CommandLineResult::kExitError, "whole number"},
        {{"--scale", "1.5"}, CommandLineResult::kExitError, "whole number"},
        {{"--scale", "17"}, CommandLineResult::kExitError, "whole number"},
        {{"--iperf", "lab:99999"}, CommandLineResult::kExitError, "99999"},
        {{"--iperf", "h", "--iperf-seconds", "31"}, CommandLineResult::kExitError, "31"},
        {{"--iperf-udp", "10M"}, CommandLineResult::kExitError, "need --iperf"},
        {{"--layout", "tablet"}, CommandLineResult::kExitError, "handheld or desktop"},
        {{"--help"}, CommandLineResult::kExitOk, "--layout"},
    };
    for (const auto& e : exits) {
        SCOPED_TRACE(e.args.join(' ').toStdString());
        PellorinOptions o;
        QString out;
        EXPECT_EQ(ParseCommandLine(QStringList{"pellorin"} + e.args, o, out), e.result);
        EXPECT_TRUE(out.contains(QRegularExpression(e.printed))) << out.toStdString();
    }
}
