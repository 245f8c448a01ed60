#pragma once
// CMainFrame: the view on top, the four status panes L, P, X, Y above the
// nine-button toolbar at the bottom edge, as on the handheld. In the
// handheld layout the window has the handheld's one size; in the desktop
// layout it is a normal resizable window whose map fills what the panes
// and the toolbar leave. Closing it or
// minimising it ends the program, after asking to save unsaved points and
// after the board link has been deleted.

#include <QMainWindow>
#include <functional>

#include "app/LayoutChoice.h"

class QAction;
class QLabel;
class QToolBar;
class CTambRUMOView;

class CMainFrame : public QMainWindow {
public:
    static constexpr int kPaneWidth = 50;

    explicit CMainFrame(WindowLayout layout = WindowLayout::kHandheld, QWidget* parent = nullptr);
    WindowLayout Layout() const { return m_layout; }

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
    void ShowDesktopSize();

    WindowLayout m_layout;
    CTambRUMOView* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_coverageAction = nullptr;
    QLabel* m_panes[4] = {};
    std::function<void()> m_onClosing;
    bool m_closing = false;
};
