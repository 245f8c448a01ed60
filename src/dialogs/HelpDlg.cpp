#include "dialogs/HelpDlg.h"

#include <QScrollBar>

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
    for (const char* line : HelpLines()) m_list.addItem(QString::fromLatin1(line));
}
