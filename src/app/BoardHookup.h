#pragma once
// Brings the board up behind the view without blocking the user interface:
// drives CBoardStartup from a single-shot timer under the wait cursor, shows
// the link's texts once through the message boxes, repaints the view when the
// sequence ends and, with the simulated board, keeps the surveyor at the map
// cursor. Stop() ends the worker and deletes the link.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>
#include <string>

#include "platform/WaitCursor.h"

class CBoardStartup;
class CTambRUMOView;

struct BoardHookupOptions {
    std::string port;         // --port DEVICE
    bool simulate = false;    // --simulate-board
    std::string capturePath;  // --capture FILE
    // The greeting's pauses; shorter only in tests.
    std::chrono::milliseconds openPause{5000};
    std::chrono::milliseconds greetPause{4000};
    std::chrono::milliseconds closePause{1000};
};

class CBoardHookup : public QObject {
public:
    CBoardHookup(CTambRUMOView* view, BoardHookupOptions options);
    ~CBoardHookup() override;

    void Start();
    void Stop();
    bool Running() const { return m_startup != nullptr; }
    bool Finished() const;

private:
    void RunStep();
    void FollowCursor();

    CTambRUMOView* m_view;
    BoardHookupOptions m_options;
    std::unique_ptr<CBoardStartup> m_startup;
    std::unique_ptr<platform::CWaitCursor> m_wait;
    QTimer m_stepTimer;
    QTimer m_cursorTimer;
    bool m_messageShown = false;
};
