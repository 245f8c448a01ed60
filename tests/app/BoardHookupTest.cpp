#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include "AppFakes.h"
#include "app/BoardHookup.h"
#include "board/ScannerBoard.h"

namespace {

// Counts the paints of the view's canvas that come after the greeting ended.
class PaintAfterGreeting : public QObject {
public:
    const CBoardHookup* hookup = nullptr;
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints += event->type() == QEvent::Paint && hookup->Finished();
        return QObject::eventFilter(watched, event);
    }
};

TEST_F(AppTest, StartupScreenRepaintsWithTheBoardsTextsWhenTheGreetingEnds) {
    auto view = MakeView();
    view->show();
    BoardStartupOptions options;
    options.simulate = true;
    options.openPause = options.closePause = std::chrono::milliseconds(0);
    options.greetPause = std::chrono::milliseconds(300);
    CBoardHookup hookup(view.get(), options);
    PaintAfterGreeting filter;
    filter.hookup = &hookup;
    for (QWidget* child : view->findChildren<QWidget*>())
        if (qobject_cast<QScrollBar*>(child) == nullptr) child->installEventFilter(&filter);

    hookup.Start();
    QElapsedTimer clock;
    clock.start();
    while ((!hookup.Finished() || filter.paints == 0) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    ASSERT_TRUE(hookup.Finished());
    EXPECT_GT(filter.paints, 0) << "the start-up screen was not repainted without input";
    char firmware[33], serial[32];
    theBoard.GetFirmware(firmware);
    theBoard.GetSerial(serial);
    EXPECT_STRNE(firmware, "0.00");
    EXPECT_STRNE(serial, "XXXXXX");
    EXPECT_EQ(view->m_displayMode, 0);
    hookup.Stop();
}

}  // namespace
