#pragma once
// CTambRUMOApp: start-up of the program. Builds the frame and the view,
// chooses what measures and brings it up behind the view, opens the SITE of
// the command line, and tears the board down before the window goes.

#include <memory>

#include "app/CommandLine.h"
#include "app/LayoutChoice.h"
#include "app/SourceStartup.h"

class CMainFrame;

class CTambRUMOApp {
public:
    CTambRUMOApp();
    ~CTambRUMOApp();

    // Shows the frame and starts everything; false when start-up failed.
    // `env` replaces what the start-up takes from the machine (tests).
    bool InitInstance(const PellorinOptions& options, SourceEnvironment env = {},
                      WindowLayout layout = WindowLayout::kHandheld);
    CMainFrame* Frame() const { return m_frame.get(); }
    CSourceStartup* Sources() const { return m_sources; }

private:
    std::unique_ptr<CMainFrame> m_frame;
    CSourceStartup* m_sources = nullptr;  // owned by the view
};
