#include "app/TambRUMOApp.h"

#include <QTimer>

#include "app/DialogFit.h"
#include "app/MainFrame.h"
#include "app/TambRUMOView.h"
#include "platform/Sounds.h"

CTambRUMOApp::CTambRUMOApp() = default;

CTambRUMOApp::~CTambRUMOApp() {
    if (m_sources != nullptr) m_sources->Stop();
}

bool CTambRUMOApp::InitInstance(const PellorinOptions& options, SourceEnvironment env,
                                WindowLayout layout) {
    platform::Sounds();  // the cues load now, before any window can be tapped
    FitDialogsToScreen();
    m_frame = std::make_unique<CMainFrame>(layout);
    CTambRUMOView* view = m_frame->View();
    m_sources = CSourceStartup::Attach(*m_frame, options, std::move(env));
    view->IperfServer().SetSession(options.throughput);  // over the site's own server

    m_frame->show();
    // The start-up screen is painted at once; the source comes up behind it.
    m_sources->Start();
    if (!options.sitePath.isEmpty()) {
        const QString path = options.sitePath;
        QTimer::singleShot(0, view, [view, path] { view->OpenSitePath(path); });
    }
    return true;
}
