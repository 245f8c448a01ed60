#pragma once
// CTambRUMOApp: start-up of the program. Builds the frame and the view,
// starts the board behind the view, opens the SITE of the command line, and
// tears the board down before the window goes.

#include <memory>

#include "app/CommandLine.h"

class CBoardHookup;
class CMainFrame;

class CTambRUMOApp {
public:
    CTambRUMOApp();
    ~CTambRUMOApp();

    // Shows the frame and starts everything; false when start-up failed.
    bool InitInstance(const PellorinOptions& options);
    CMainFrame* Frame() const { return m_frame.get(); }

private:
    std::unique_ptr<CMainFrame> m_frame;
    CBoardHookup* m_board = nullptr;  // owned by the view
};
