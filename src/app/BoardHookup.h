#pragma once
// Brings the board up behind the view without blocking the user interface:
// makes the board (or the simulated board) the view's measurement source,
// drives CBoardStartup from a single-shot timer under the wait cursor, shows
// the link's texts through the message boxes and repaints the view when the
// sequence ends. Stop() ends the worker and deletes the link.
//
// No box is ever shown from inside a step: a box runs a nested event loop in
// which the window may be closed or minimised, and that stops (deletes) the
// start-up sequence. The texts are shown from a posted call of their own that
// touches nothing after the box has returned; texts that come in the same
// step share one box, and no text is shown twice.

#include <QObject>
#include <QTimer>
#include <memory>
#include <set>
#include <string>

#include "link/BoardStartup.h"
#include "platform/WaitCursor.h"

class CMainFrame;
class CTambRUMOView;

class CBoardHookup : public QObject {
public:
    // The options' notifier and message are the view's own; the rest is kept.
    CBoardHookup(CTambRUMOView* view, BoardStartupOptions options);
    ~CBoardHookup() override;

    // A hookup on the frame's view that the frame stops when it closes or is
    // minimised; owned by the view.
    static CBoardHookup* Attach(CMainFrame& frame, BoardStartupOptions options);

    void Start();
    void Stop();
    bool Running() const { return m_startup != nullptr; }
    bool Finished() const;
    // The sequence, or null before Start and after Stop (tests).
    const CBoardStartup* Startup() const { return m_startup.get(); }

private:
    void RunStep();
    // Shows `text` in a box once per run, after the current step has returned.
    void ShowOnce(const std::string& text);
    void ShowPending();

    CTambRUMOView* m_view;
    BoardStartupOptions m_options;
    std::unique_ptr<CBoardStartup> m_startup;
    std::unique_ptr<platform::CWaitCursor> m_wait;
    QTimer m_stepTimer;
    std::set<std::string> m_shown;
    QString m_pending;  // texts waiting for the posted box
};
