#include "app/TambRUMOView.h"

#include <QKeyEvent>
#include <QTimer>

#include "aplist/ApList.h"
#include "coverage/NetworkCatalogue.h"
#include "platform/MessageBoxes.h"
#include "platform/RegisteredMessages.h"

namespace {

// A message box with `caption` in the view's window.
std::function<void(const QString&)> Warning(QWidget* view, const QString& caption) {
    return [view, caption](const QString& text) {
        platform::MessageBox(view->window(), text, caption,
                             platform::MB_OK | platform::MB_ICONEXCLAMATION);
    };
}

}  // namespace

CTambRUMOView::CTambRUMOView(QWidget* parent)
    : QWidget(parent),
      m_document([this](const std::string& caption, const std::string& text) {
          Warning(this, QString::fromStdString(caption))(QString::fromStdString(text));
      }),
      m_commands(*this, m_document, m_map, [this]() -> IViewDialogs& { return Dialogs(); }),
      m_scaleFlow(
          m_document,
          [this](double pixels) {
              Repaint();  // the strip tells what the dialog asks, not the tap before it
              return Dialogs().ScaleDistance(window(), pixels);
          },
          Warning(this, QStringLiteral("Set Scale"))),
      m_canvas(new CViewCanvas(
          this, [this](QPainter& p, const QRect& client) { OnDraw(p, client); }, m_gesture)),
      m_bars(this, m_canvas,
             [this](MapAxis axis, int code, int position) { OnScroll(axis, code, position); }),
      m_input(*this, {m_document, m_map, m_bars, m_scaleFlow, m_points, m_commands, m_coverage,
                      [this]() -> IViewDialogs& { return Dialogs(); }, m_desktop}) {
    setObjectName(QStringLiteral("CTambRUMOView"));
    setFocusPolicy(Qt::StrongFocus);
    m_points.Throughput().SetTested([this](const ThroughputOutcome& outcome) {
        if (m_document.KeepThroughput(outcome)) m_mapShows.Metric().ThroughputKept();
    });
    m_coverage.SetListener([this] {
        if (m_onCoverage) m_onCoverage();
        Repaint();
    });
    m_gesture.onTap = [this](QPoint at) { OnTap(at); };
    m_gesture.onHold = [this](QPoint at) { OnTapAndHold(at); };
    m_gesture.onDrag = [this](QPoint from, QPoint to, bool released) {
        if (!m_scaleFlow.Dragged(from, to, released)) return;
        if (released)
            OnTap(to);  // the other end
        else
            Repaint();
    };
    resize(kClientWidth, kClientHeight);
    QTimer::singleShot(0, this, &CTambRUMOView::WarmScanScreen);
}

CTambRUMOView::~CTambRUMOView() {
    m_drawNotifier.Detach();
    m_desktop.reset();  // before the parts it watches
}

void CTambRUMOView::SetSource(std::unique_ptr<IMeasurementSource> source) {
    m_points.SetSource(std::move(source), &m_drawNotifier);
}

// A scan that ended while the questions are up would record into the survey
// being left: it ends first, as Escape ends it.
void CTambRUMOView::OnOpenSite() {
    CancelPoint();
    Opened(m_commands.OpenChosen());
}

bool CTambRUMOView::OpenSitePath(const QString& path) {
    CancelPoint();
    return Opened(m_commands.Open(path));
}

bool CTambRUMOView::Opened(CSurveyCommands::Opened opened) {
    if (opened == CSurveyCommands::Opened::kNo) return false;
    m_status.ShowTitle();
    m_status.PostStatus();  // L, P, X and Y of the site now open
    m_points.ShowSiteMap();
    Repaint();
    return true;
}

void CTambRUMOView::OnNetworks() {
    NetworkChoice choice = m_coverage.Map().Choice();
    int32_t radius = m_coverage.ShownRadius();
    if (!Dialogs().Networks(window(), BuildCatalogue(surveyList), choice, radius,
                            m_coverage.Range()))
        return;
    m_siteCoverage.Choose(std::move(choice), radius);
}

void CTambRUMOView::OnNewSiteFromPlan() {
    CancelPoint();
    Opened(m_commands.NewSiteFromPlan());
}

void CTambRUMOView::OnSetScale() {
    if (m_points.Measuring()) return;
    m_scaleFlow.Begin();
    Repaint();
}

void CTambRUMOView::keyPressEvent(QKeyEvent* e) {
    m_input.KeyPressed(e->key(), e->isAutoRepeat());
    QWidget::keyPressEvent(e);
}

int CTambRUMOView::OnTalvDraw() {
    m_points.Session().OnDraw();
    Repaint();
    return 0;
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

QImage CTambRUMOView::Render(QSize size) {
    return m_painter.Render(size.isValid() && !size.isEmpty() ? size : ClientRect().size());
}

void CTambRUMOView::UseDesktopLayout() {
    m_desktop = std::make_unique<CDesktopMapView>(
        m_canvas, m_map, m_bars, m_gesture, [this] { return m_points.Measuring(); },
        [this] { Repaint(); });
    if (m_map.HasMap()) m_desktop->SiteReplaced();
}

void CTambRUMOView::WarmScanScreen() {
    m_painter.WarmScanScreen(ClientRect().size(), devicePixelRatioF());
}
