#include "dialogs/HelpDlg.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <QStyle>
#include <string>
#include <string_view>

#include "dialogs/DialogFrame.h"
#include "dialogs/HelpText.h"

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent), m_list(this) {
    dialogs::SetUpDialog(*this, QStringLiteral("Pellorin Help"), 136, 157);
    dialogs::PlaceControl(m_list, 7, 7, 122, 135);
    m_list.setSortingEnabled(false);
    m_list.setWordWrap(false);
    m_list.setTextElideMode(Qt::ElideNone);
    m_list.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Both bars are always shown; the horizontal one never scrolls.
    m_list.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list.horizontalScrollBar()->setEnabled(false);
    m_list.horizontalScrollBar()->setRange(0, 0);
    connect(m_list.horizontalScrollBar(), &QScrollBar::rangeChanged, &m_list, [this] {
        if (m_list.horizontalScrollBar()->maximum() != 0)
            m_list.horizontalScrollBar()->setRange(0, 0);
    });
    FillList();
}

void CHelpDlg::FillList() {
    m_list.clear();
    if (dialogs::Scale() == 1) {  // the handheld's own breaks
        for (const char* line : HelpLines()) m_list.addItem(QString::fromLatin1(line));
        return;
    }
    const QFontMetrics metrics(m_list.font());
    const auto width = [&metrics](std::string_view text) {
        return metrics.horizontalAdvance(
            QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    };
    for (const std::string& line : WrappedHelpLines(width, TextRoom()))
        m_list.addItem(QString::fromLatin1(line));
}

// The width an item's text has: the list inside its frame and the always
// shown vertical bar, less the margin the style keeps each side of the text.
int CHelpDlg::TextRoom() {
    m_list.ensurePolished();
    const QStyle* style = m_list.style();
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &m_list) + 1;
    const int bar = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &m_list);
    return m_list.width() - 2 * m_list.frameWidth() - bar - 2 * textMargin;
}
