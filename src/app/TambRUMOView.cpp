#include "app/TambRUMOView.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "aplist/ApList.h"
#include "coverage/CoverageOverlay.h"
#include "coverage/NetworkCatalogue.h"
#include "coverage/NetworkNames.h"
#include "map/MapPainting.h"
#include "map/PointCircles.h"
#include "platform/Gdi.h"
#include "platform/MessageBoxes.h"
#include "platform/RegisteredMessages.h"
#include "platform/Sounds.h"
#include "screens/BoardNotice.h"
#include "screens/Screens.h"
#include "site/SiteRecord.h"
#include "sources/board/BoardSource.h"

void CViewDrawNotifier::PostTalvDraw() {
    std::lock_guard<std::mutex> hold(m_lock);
    platform::PostMessage(m_target, TalvDrawMessage());
}

void CViewDrawNotifier::PostBoardState() {
    std::lock_guard<std::mutex> hold(m_lock);
    platform::PostMessage(m_target, TalvBoardStateMessage());
}

void CViewDrawNotifier::Detach() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_target = nullptr;
}

namespace {
// The access points heard so far, copied under the report lock and painted
// outside it: the worker never meets the lock for longer than the copy.
void CopyScanList(CApList& out) {
    std::vector<ApRecord> rows;
    {
        std::lock_guard<std::mutex> hold(scanListLock);
        for (const ApRecord* r = scanList.First(); r != nullptr && r != scanList.Sentinel();
             r = r->next)
            rows.push_back(*r);
    }
    for (const ApRecord& row : rows) {
        ApRecord* copy = nullptr;
        if (out.NewRecord(copy) != CApList::kOk) break;
        *copy = row;
        out.AddTail(copy);
    }
}
}  // namespace

// The client area: paints the view and turns stylus presses into taps and
// tap-and-holds.
class CViewCanvas : public QWidget {
public:
    explicit CViewCanvas(CTambRUMOView* view) : QWidget(view), m_view(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        m_view->OnDraw(p, rect());
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) m_view->m_gesture.Press(e->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        m_view->m_gesture.Move(e->position().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) m_view->m_gesture.Release();
    }

private:
    CTambRUMOView* m_view;
};

namespace {
// The scroll code of a bar action. The bar has already moved its thumb to
// where the action leads (an edge, a wheel's lines, a clicked place); only a
// drag has moved the map already, through sliderMoved.
int BarActionCode(int action, bool dragging) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return CTambRUMOView::SB_LINELEFT;
        case QAbstractSlider::SliderSingleStepAdd:
            return CTambRUMOView::SB_LINERIGHT;
        case QAbstractSlider::SliderPageStepSub:
            return CTambRUMOView::SB_PAGELEFT;
        case QAbstractSlider::SliderPageStepAdd:
            return CTambRUMOView::SB_PAGERIGHT;
        case QAbstractSlider::SliderMove:
            if (dragging) return CTambRUMOView::SB_ENDSCROLL;
            [[fallthrough]];
        case QAbstractSlider::SliderToMinimum:
        case QAbstractSlider::SliderToMaximum:
            return CTambRUMOView::SB_THUMBTRACK;
        default:
            return CTambRUMOView::SB_ENDSCROLL;
    }
}
}  // namespace

CTambRUMOView::CTambRUMOView(QWidget* parent)
    : QWidget(parent),
      m_pViewport(std::make_unique<CMapViewport>()),
      m_art(ScreenArt::Load()),
      m_gesture(this),
      m_drawNotifier(std::make_unique<CViewDrawNotifier>(this)),
      m_source(MakeBoardSource()) {
    setObjectName(QStringLiteral("CTambRUMOView"));
    setFocusPolicy(Qt::StrongFocus);
    m_canvas = new CViewCanvas(this);
    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_vBar = new QScrollBar(Qt::Vertical, this);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(m_canvas, 0, 0);
    grid->addWidget(m_vBar, 0, 1);
    grid->addWidget(m_hBar, 1, 0);
    // Like scroll bars without a range, they are hidden until a site is open.
    ShowScrollBars(false);

    // Every action of a bar (line, page, thumb drag, wheel, edge, "Scroll
    // here", auto-repeat) moves the map at once and leaves the thumb at the
    // cursor before the bar shows it.
    for (QScrollBar* bar : {m_hBar, m_vBar}) {
        const auto scroll = [this, bar](int code, int position) {
            bar == m_hBar ? OnHScroll(code, position) : OnVScroll(code, position);
        };
        connect(bar, &QAbstractSlider::actionTriggered, this, [bar, scroll](int action) {
            scroll(BarActionCode(action, bar->isSliderDown()), bar->sliderPosition());
        });
        connect(bar, &QAbstractSlider::sliderMoved, this,
                [scroll](int position) { scroll(SB_THUMBTRACK, position); });
        // "Scroll here" of the bar's menu sets the value without an action.
        connect(bar, &QAbstractSlider::valueChanged, this,
                [scroll](int value) { scroll(SB_THUMBTRACK, value); });
    }

    m_gesture.onTap = [this](QPoint at) { OnTap(at); };
    m_gesture.onHold = [this](QPoint at) { OnTapAndHold(at); };
    resize(kClientWidth, kClientHeight);
    QTimer::singleShot(0, this, &CTambRUMOView::WarmScanScreen);
}

CTambRUMOView::~CTambRUMOView() {
    m_drawNotifier->Detach();
    m_source->SetNotifier(nullptr);
}

void CTambRUMOView::SetSource(std::unique_ptr<IMeasurementSource> source) {
    CancelPoint();  // its scan belongs to the source that goes
    m_source->SetNotifier(nullptr);
    m_source = source ? std::move(source) : MakeBoardSource();
    m_source->SetNotifier(m_drawNotifier.get());
    Repaint();
}

QRect CTambRUMOView::ClientRect() const {
    if (isVisible()) return m_canvas->rect();
    // Not laid out yet (hidden, e.g. offscreen in tests): what the layout
    // will give the client area.
    int w = width();
    int h = height();
    if (!m_vBar->isHidden()) w -= m_vBar->sizeHint().width();
    if (!m_hBar->isHidden()) h -= m_hBar->sizeHint().height();
    return QRect(0, 0, std::max(w, 1), std::max(h, 1));
}

void CTambRUMOView::Repaint() { m_canvas->update(); }

void CTambRUMOView::ShowScrollBars(bool show) {
    m_hBar->setVisible(show);
    m_vBar->setVisible(show);
}

void CTambRUMOView::SetBarsToCenter() {
    const QSignalBlocker hb(m_hBar);
    const QSignalBlocker vb(m_vBar);
    m_hBar->setValue(m_pViewport->GetCenterX());
    m_vBar->setValue(m_pViewport->GetCenterY());
}

void CTambRUMOView::SetDialogs(IViewDialogs* dialogs) { m_dialogs = dialogs; }

IViewDialogs& CTambRUMOView::Dialogs() {
    return m_dialogs != nullptr ? *m_dialogs : m_defaultDialogs;
}

void CTambRUMOView::OnHelp() { Dialogs().Help(window()); }
void CTambRUMOView::OnColorCodes() { Dialogs().ColorCodes(window()); }
void CTambRUMOView::OnAbout() { Dialogs().About(window()); }

void CTambRUMOView::SetCoverageShown(bool shown) {
    m_coverageShown = shown;
    if (!shown) m_coverage.Release();
    if (m_onCoverageChanged) m_onCoverageChanged();
    Repaint();
}

void CTambRUMOView::OnNetworks() {
    NetworkChoice choice = m_coverage.Choice();
    int32_t radius = m_coverage.Radius();
    if (!Dialogs().Networks(window(), BuildCatalogue(surveyList), choice, radius)) return;
    m_coverage.SetChoice(std::move(choice));
    m_coverage.SetRadius(radius);
    SetCoverageShown(true);
}

QString CTambRUMOView::CoverageCaption() const {
    return QStringLiteral("%1, R %2 px")
        .arg(QString::fromStdString(ChoiceName(m_coverage.Choice())))
        .arg(m_coverage.Radius());
}

bool CTambRUMOView::event(QEvent* e) {
    if (e->type() == TalvDrawMessage()) {
        OnTalvDraw();
        return true;
    }
    if (e->type() == TalvBoardStateMessage()) {
        OnBoardState();
        return true;
    }
    return QWidget::event(e);
}

void CTambRUMOView::keyPressEvent(QKeyEvent* e) {
    // A held arrow keeps scrolling, but a held centre press must not restart
    // the scan at every key repeat: only its first press takes a point. A
    // held H switches the coverage map once, not on and off.
    const bool once = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter ||
                      e->key() == Qt::Key_Select || e->key() == Qt::Key_H;
    if (!(once && e->isAutoRepeat())) OnKeyDown(e->key());
    QWidget::keyPressEvent(e);
}

int CTambRUMOView::OnTalvDraw() {
    if (m_source->TakeFinishedScan()) {
        // A scan that no tap of an open site asked for records nothing.
        if (m_pointPending && g_pSite != nullptr && HasMap()) {
            m_pointPending = false;
            m_displayMode = 1;
            const ApRecord* before = surveyList.Last();
            const int heard = g_pSite->RecordPoint();
            const int32_t records = surveyList.CountAfter(before);
            m_journal.PointRecorded(surveyList, before, *g_pSite);  // on the disk before it shows
            SetSurveyChanged(true);
            if (heard == 0) {
                platform::PlaySoundSync(QStringLiteral("REDALERT"));
                platform::MessageBox(window(), QStringLiteral("No Access Points Detected!"),
                                     QStringLiteral("COVERAGE WARNING"),
                                     platform::MB_ICONEXCLAMATION | platform::MB_OK);
            }
            PaintRecordedPoint(records);
            QObject* target = m_statusTarget ? m_statusTarget.data() : window();
            platform::PostMessage(target, TalvStatusUpdateMessage(), m_pViewport->GetCenterX(),
                                  m_pViewport->GetCenterY());
            PointEnded();
        }
    }
    Repaint();
    return 0;
}

void CTambRUMOView::OnDraw(QPainter& p, const QRect& client) {
    switch (m_displayMode) {
        case 0: {
            const SourceTexts texts = m_source->StartupTexts();
            p.fillRect(client, Qt::white);
            screens::PaintStartupScreen(
                p, client, &m_art.splash, gdi::DisplayText(texts.left.c_str()),
                gdi::DisplayText(texts.right.c_str()), QString::fromUtf8(texts.hardware.c_str()));
            break;
        }
        case 1:
            if (HasMap() && m_coverageShown) {
                // The grid at the device's pixels, in cells of scale x scale
                // pixels: one value per pixel of the handheld's screen.
                const qreal ratio = p.device() != nullptr ? p.device()->devicePixelRatio() : 1.0;
                const CoverageView view = CoverageView::Of(
                    *m_pViewport, static_cast<int32_t>(std::lround(client.width() * ratio)),
                    static_cast<int32_t>(std::lround(client.height() * ratio)),
                    std::max(1, static_cast<int>(std::lround(ratio))));
                CCoverageOverlay overlay(m_coverage.Update(surveyList, view));
                screens::PaintMapScreen(p, client, *m_pViewport, m_plan, m_layer, &m_art.cursor,
                                        &overlay);
                screens::PaintMapCaption(p, client, CoverageCaption());
            } else if (HasMap()) {
                screens::PaintMapScreen(p, client, *m_pViewport, m_plan, m_layer, &m_art.cursor);
            } else {
                p.fillRect(client, Qt::white);  // never reached: mode 1 needs a map
            }
            break;
        case 2: {
            const int bitmap = m_radar.Advance();
            CApList shown;
            CopyScanList(shown);
            screens::PaintScanScreen(p, client, m_art.Radar(bitmap), m_source->ChannelCells(),
                                     shown);
            break;
        }
        default:
            return;  // any other mode paints nothing
    }
    screens::PaintBoardNotice(p, client, BoardNotice());
}

void CTambRUMOView::WarmScanScreen() {
    screens::WarmScanScreen(m_art.Radar(139), ClientRect().size(), devicePixelRatioF());
}

QImage CTambRUMOView::MapPicture() const {
    if (!m_plan.IsWhole()) return {};
    const VpRect world{0, 0, m_plan.width, m_plan.height};
    return RenderMapImage(m_plan, m_layer, world, QSize(m_plan.width, m_plan.height));
}

QImage CTambRUMOView::Render(QSize size) {
    if (!size.isValid() || size.isEmpty()) size = ClientRect().size();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter p(&image);
    OnDraw(p, QRect(QPoint(0, 0), size));
    return image;
}
