#include "app/CommandsMenu.h"

#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>

#include "platform/Gdi.h"

namespace {

// The window's own style, each entry at least `rowHeight` tall.
class TouchRows : public QProxyStyle {
public:
    explicit TouchRows(int rowHeight) : m_rowHeight(rowHeight) {}
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type == CT_MenuItem && item != nullptr &&
            item->menuItemType != QStyleOptionMenuItem::Separator)
            s.setHeight(std::max(s.height(), m_rowHeight));
        return s;
    }

private:
    int m_rowHeight;
};

}  // namespace

CCommandsMenu::CCommandsMenu(int scale, QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("CCommandsMenu"));
    auto* style = new TouchRows(kRowHeight * scale);
    style->setParent(this);  // a widget does not own its style
    setStyle(style);
    setFont(gdi::PointFont(8 * scale));
}

void CCommandsMenu::PopUpAbove(const QWidget& button) {
    const QSize size = sizeHint();
    const QPoint corner = button.mapToGlobal(QPoint(button.width(), 0));
    popup(QPoint(corner.x() - size.width(), corner.y() - size.height()));
}
