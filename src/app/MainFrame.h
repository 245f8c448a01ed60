#pragma once
// CMainFrame: the view on top, the four status panes L, P, X, Y above the
// toolbar at the bottom edge, as on the handheld: its nine buttons and a
// tenth with the commands that have only a key (CommandsMenu.h). In the
// handheld layout the window has the handheld's one size; in the desktop
// layout it is a normal resizable window whose map fills what the panes
// and the toolbar leave. Closing it or
// minimising it ends the program, after asking to save unsaved points and
// after the board link has been deleted.

#include <QMainWindow>
#include <functional>

#include "app/LayoutChoice.h"

class CCommandsMenu;
class QAction;
class QLabel;
class QToolBar;
class CTambRUMOView;

class CMainFrame : public QMainWindow {
public:
    static constexpr int kPaneWidth = 50;
    static constexpr int kHandheldButtonWidth = 22;

    explicit CMainFrame(WindowLayout layout = WindowLayout::kHandheld, QWidget* parent = nullptr);
    WindowLayout Layout() const { return m_layout; }
    // The toolbar's and the panes' multiple of the handheld's size: 1 in the
    // handheld layout.
    int BarScale() const { return m_barScale; }

    CTambRUMOView* View() const { return m_view; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QString PaneText(int pane) const;
    const QLabel* Pane(int pane) const;

    // "TALV_STATUS_UPDATE": x and y of the cursor, each taken as int16.
    void OnStatusUpdate(intptr_t wParam, intptr_t lParam);
    // Runs before the window goes (deletes the board link).
    void SetOnClosing(std::function<void()> fn) { m_onClosing = std::move(fn); }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void BuildToolBar();
    CCommandsMenu* BuildKeyCommands();
    void ShowDesktopSize();

    WindowLayout m_layout;
    int m_barScale = 1;
    CTambRUMOView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_coverageAction = nullptr;
    QLabel* m_panes[4] = {};
    std::function<void()> m_onClosing;
    bool m_closing = false;
};
