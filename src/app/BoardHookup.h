#pragma once
// Brings the board up behind the view without blocking the user interface:
// drives CBoardStartup from a single-shot timer under the wait cursor, shows
// the link's texts once through the message boxes, repaints the view when the
// sequence ends and, with the simulated board, keeps the surveyor at the map
// cursor. Stop() ends the worker and deletes the link.

#include <QObject>
#include <QTimer>
#include <memory>

#include "board/BoardStartup.h"
#include "platform/WaitCursor.h"

class CTambRUMOView;

class CBoardHookup : public QObject {
public:
    // The options' notifier and message are the view's own; the rest is kept.
    CBoardHookup(CTambRUMOView* view, BoardStartupOptions options);
    ~CBoardHookup() override;

    void Start();
    void Stop();
    bool Running() const { return m_startup != nullptr; }
    bool Finished() const;

private:
    void RunStep();
    void FollowCursor();

    CTambRUMOView* m_view;
    BoardStartupOptions m_options;
    std::unique_ptr<CBoardStartup> m_startup;
    std::unique_ptr<platform::CWaitCursor> m_wait;
    QTimer m_stepTimer;
    QTimer m_cursorTimer;
    bool m_messageShown = false;
};
