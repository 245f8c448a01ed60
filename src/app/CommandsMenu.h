#pragma once
// CCommandsMenu: the list the toolbar's last button opens, with the
// window's commands that have a key but no button of their own, so that a
// surveyor with only a finger reaches every one of them. Its entries are the
// very actions the keys trigger, so a key and its entry run one function.
// The rows are tall enough for a finger at the toolbar's multiple; the list
// opens above its button, over the map, and stays on the screen.

#include <QMenu>

class CCommandsMenu : public QMenu {
public:
    // A row's least height at the handheld's size, in pixels.
    static constexpr int kRowHeight = 28;

    // Rows and text at `scale` times the handheld's size.
    CCommandsMenu(int scale, QWidget* parent);
    // Opens with its bottom right corner at the top right of `button`,
    // moved right as far as the window's left edge needs.
    void PopUpAbove(const QWidget& button);
};
