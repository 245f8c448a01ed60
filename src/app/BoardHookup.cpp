#include "app/BoardHookup.h"

#include <QPointer>

#include "app/MainFrame.h"
#include "app/TambRUMOView.h"
#include "board/ScannerBoard.h"
#include "boardsim/PtyBoardSim.h"
#include "link/BoardStartup.h"
#include "platform/MessageBoxes.h"
#include "sources/board/BoardSource.h"

CBoardHookup::CBoardHookup(CTambRUMOView* view, BoardStartupOptions options)
    : QObject(view), m_view(view), m_options(std::move(options)) {
    m_stepTimer.setSingleShot(true);
    connect(&m_stepTimer, &QTimer::timeout, this, [this] { RunStep(); });
}

CBoardHookup::~CBoardHookup() { Stop(); }

CBoardHookup* CBoardHookup::Attach(CMainFrame& frame, BoardStartupOptions options) {
    auto* hookup = new CBoardHookup(frame.View(), std::move(options));
    frame.SetOnClosing([hookup] { hookup->Stop(); });
    return hookup;
}

bool CBoardHookup::Finished() const { return m_startup != nullptr && m_startup->Finished(); }

void CBoardHookup::Start() {
    if (m_startup) return;
    CScannerBoard& board = m_options.board != nullptr ? *m_options.board : theBoard;
    if (m_options.simulate) {
        // The simulated surveyor stands where each point is taken, before
        // its scan is asked for. The view may outlive this object.
        m_view->SetSource(std::make_unique<CSimulatedBoardSource>(
            board, [self = QPointer<CBoardHookup>(this)](int32_t x, int32_t y) {
                if (self && self->m_startup && self->m_startup->Simulator() != nullptr)
                    self->m_startup->Simulator()->SetSurveyorPosition(x, y);
            }));
    } else {
        m_view->SetSource(std::make_unique<CBoardSource>(board));
    }
    BoardStartupOptions o = m_options;
    o.notifier = m_view->DrawNotifier();
    o.message = [this](const std::string& text) { ShowOnce(text); };
    m_startup = std::make_unique<CBoardStartup>(std::move(o));
    m_wait = std::make_unique<platform::CWaitCursor>();
    RunStep();
}

void CBoardHookup::RunStep() {
    if (!m_startup) return;
    const int delay = m_startup->Step();
    if (delay >= 0) {
        m_stepTimer.start(delay);
        return;
    }
    m_wait.reset();
    if (!m_startup->SimulatorError().empty()) ShowOnce(m_startup->SimulatorError());
    m_view->Repaint();  // the start-up screen now shows the board's texts
}

void CBoardHookup::ShowOnce(const std::string& text) {
    if (!m_shown.insert(text).second) return;
    const bool posted = !m_pending.isEmpty();
    if (posted) m_pending += QStringLiteral("\n\n");
    m_pending += QString::fromStdString(text);
    if (!posted) QTimer::singleShot(0, this, [this] { ShowPending(); });
}

void CBoardHookup::ShowPending() {
    const QString shown = m_pending;
    m_pending.clear();
    if (!Running()) return;  // stopped meanwhile: the window is going
    const QPointer<QWidget> window = m_view->window();
    // The last thing this call does: a close inside the box may stop or
    // delete this hookup.
    platform::MessageBox(window, shown, QStringLiteral("TambRUMO"), platform::MB_OK);
}

void CBoardHookup::Stop() {
    m_stepTimer.stop();
    if (m_startup) {
        m_startup->Stop();
        m_startup.reset();
    }
    m_wait.reset();
}
