#include "app/CommandsMenu.h"

#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>

#include "platform/Gdi.h"

namespace {

constexpr int kSlack = 12;  // pixels at the handheld's size

// The window's own style, each entry at least `rowHeight` tall and `slack`
// wider: the style's own room is so tight at the larger multiples that it
// cuts the middle out of the longest name.
class TouchRows : public QProxyStyle {
public:
    TouchRows(int rowHeight, int slack) : m_rowHeight(rowHeight), m_slack(slack) {}
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type == CT_MenuItem && item != nullptr &&
            item->menuItemType != QStyleOptionMenuItem::Separator)
            s = QSize(s.width() + m_slack, std::max(s.height(), m_rowHeight));
        return s;
    }

private:
    int m_rowHeight, m_slack;
};

}  // namespace

CCommandsMenu::CCommandsMenu(int scale, QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("CCommandsMenu"));
    auto* style = new TouchRows(kRowHeight * scale, kSlack * scale);
    style->setParent(this);  // a widget does not own its style
    setStyle(style);
    setFont(gdi::PointFont(8 * scale));
}

void CCommandsMenu::PopUpAbove(const QWidget& button) {
    const QSize size = sizeHint();
    const QPoint corner = button.mapToGlobal(QPoint(button.width(), 0));
    const QRect window = button.window()->geometry();
    // Within the window where it fits (a desktop window may stand anywhere
    // on the screen); popup() keeps it on the screen.
    const int x = std::max(window.left(), std::min(corner.x(), window.right() + 1) - size.width());
    popup(QPoint(x, corner.y() - size.height()));
}
