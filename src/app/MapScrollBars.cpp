#include "app/MapScrollBars.h"

#include <QGridLayout>
#include <QScrollBar>
#include <algorithm>

namespace {

// The scroll code of a bar action. The bar has already moved its thumb to
// where the action leads (an edge, a wheel's lines, a clicked place); only a
// drag has moved the map already, through sliderMoved.
int BarActionCode(int action, bool dragging) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return SB_LINELEFT;
        case QAbstractSlider::SliderSingleStepAdd:
            return SB_LINERIGHT;
        case QAbstractSlider::SliderPageStepSub:
            return SB_PAGELEFT;
        case QAbstractSlider::SliderPageStepAdd:
            return SB_PAGERIGHT;
        case QAbstractSlider::SliderMove:
            if (dragging) return SB_ENDSCROLL;
            [[fallthrough]];
        case QAbstractSlider::SliderToMinimum:
        case QAbstractSlider::SliderToMaximum:
            return SB_THUMBTRACK;
        default:
            return SB_ENDSCROLL;
    }
}

}  // namespace

CMapScrollBars::CMapScrollBars(QWidget* owner, QWidget* client, Scroll scroll)
    : m_owner(owner), m_client(client) {
    auto* grid = new QGridLayout(owner);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(client, 0, 0);
    m_h = new QScrollBar(Qt::Horizontal, owner);
    m_v = new QScrollBar(Qt::Vertical, owner);
    grid->addWidget(m_v, 0, 1);
    grid->addWidget(m_h, 1, 0);
    Show(false);
    // A process's first change of a bar's value sends its first
    // accessibility event, and Qt then sets up its accessibility (0.3 ms):
    // here, while the window is made, rather than in the first Open.
    for (QScrollBar* bar : {m_h, m_v}) {
        const QSignalBlocker block(bar);
        const int value = bar->value();
        bar->setValue(value == bar->maximum() ? value - 1 : value + 1);
        bar->setValue(value);
    }
    for (MapAxis axis : {MapAxis::kX, MapAxis::kY}) {
        QScrollBar* bar = Bar(axis);
        const auto to = [scroll, axis](int code, int position) { scroll(axis, code, position); };
        QObject::connect(bar, &QAbstractSlider::actionTriggered, owner, [bar, to](int action) {
            to(BarActionCode(action, bar->isSliderDown()), bar->sliderPosition());
        });
        QObject::connect(bar, &QAbstractSlider::sliderMoved, owner,
                         [to](int position) { to(SB_THUMBTRACK, position); });
        // "Scroll here" of the bar's menu sets the value without an action.
        QObject::connect(bar, &QAbstractSlider::valueChanged, owner,
                         [to](int value) { to(SB_THUMBTRACK, value); });
    }
}

void CMapScrollBars::Show(bool shown) {
    m_h->setVisible(shown);
    m_v->setVisible(shown);
}

void CMapScrollBars::SetRanges(int width, int height, int pageWidth, int pageHeight) {
    const QSignalBlocker hb(m_h);
    const QSignalBlocker vb(m_v);
    m_v->setRange(0, height);
    m_h->setRange(0, width);
    m_v->setPageStep(pageHeight);
    m_h->setPageStep(pageWidth);
    m_v->setSingleStep(CSurveyMap::kScrollLine);
    m_h->setSingleStep(CSurveyMap::kScrollLine);
}

void CMapScrollBars::SyncTo(const CSurveyMap& map) {
    SyncTo(MapAxis::kX, map.Center(MapAxis::kX));
    SyncTo(MapAxis::kY, map.Center(MapAxis::kY));
}

void CMapScrollBars::SyncTo(MapAxis axis, int position) {
    QScrollBar* bar = Bar(axis);
    const QSignalBlocker block(bar);
    bar->setValue(position);
}

void CMapScrollBars::SetState(MapAxis axis, int maximum, int page, int value) {
    QScrollBar* bar = Bar(axis);
    const QSignalBlocker block(bar);
    bar->setRange(0, maximum);
    bar->setPageStep(page);
    bar->setSingleStep(std::max(1, page / 10));
    bar->setValue(value);
}

QRect CMapScrollBars::ClientRect() const {
    if (m_owner->isVisible()) return m_client->rect();
    const int barsWidth = m_v->isHidden() ? 0 : m_v->sizeHint().width();
    const int barsHeight = m_h->isHidden() ? 0 : m_h->sizeHint().height();
    return QRect(0, 0, std::max(m_owner->width() - barsWidth, 1),
                 std::max(m_owner->height() - barsHeight, 1));
}
