#include "app/TambRUMOApp.h"

#include <QTimer>

#include "app/BoardHookup.h"
#include "app/MainFrame.h"
#include "app/TambRUMOView.h"
#include "board/ScannerBoard.h"
#include "platform/Sounds.h"

CTambRUMOApp::CTambRUMOApp() = default;

CTambRUMOApp::~CTambRUMOApp() {
    if (m_board != nullptr) m_board->Stop();
}

bool CTambRUMOApp::InitInstance(const PellorinOptions& options) {
    platform::Sounds();  // the cues load now, before any window can be tapped
    m_frame = std::make_unique<CMainFrame>();
    CTambRUMOView* view = m_frame->View();
    theBoard.SetNotifier(view->DrawNotifier());

    BoardStartupOptions board;
    board.portOverride = options.port.toStdString();
    board.simulate = options.simulate;
    board.capturePath = options.capturePath.toStdString();
    m_board = CBoardHookup::Attach(*m_frame, board);

    m_frame->show();
    // The start-up screen is painted at once; the board comes up behind it.
    m_board->Start();
    if (!options.sitePath.isEmpty()) {
        const QString path = options.sitePath;
        QTimer::singleShot(0, view, [view, path] { view->OpenSitePath(path); });
    }
    return true;
}
