#include "app/TambRUMOView.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QTimer>

#include "aplist/ApList.h"
#include "coverage/NetworkCatalogue.h"
#include "dialogs/LocationInfoDlg.h"
#include "platform/Gdi.h"
#include "platform/MessageBoxes.h"
#include "platform/RegisteredMessages.h"
#include "platform/Sounds.h"
#include "screens/Screens.h"
#include "site/SiteRecord.h"
#include "sources/board/BoardSource.h"
#include "survey/SiteLoader.h"

namespace {

QGridLayout* ClientGrid(QWidget* view, QWidget* canvas) {
    auto* grid = new QGridLayout(view);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(canvas, 0, 0);
    return grid;
}

VpRect ToVp(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

CTambRUMOView::CTambRUMOView(QWidget* parent)
    : QWidget(parent),
      m_document([this](const std::string& caption, const std::string& text) {
          platform::MessageBox(window(), QString::fromStdString(text),
                               QString::fromStdString(caption),
                               platform::MB_OK | platform::MB_ICONEXCLAMATION);
      }),
      m_session(*this, MakeBoardSource()),
      m_throughput([this] { ThroughputChanged(); },
                   [this](const std::string& text) {
                       platform::MessageBox(window(), QString::fromStdString(text),
                                            QStringLiteral("Throughput"),
                                            platform::MB_ICONEXCLAMATION | platform::MB_OK);
                   }),
      m_gesture(this),
      m_canvas(new CViewCanvas(
          this, [this](QPainter& p, const QRect& client) { OnDraw(p, client); }, m_gesture)),
      m_bars(this, ClientGrid(this, m_canvas),
             [this](MapAxis axis, int code, int position) { OnScroll(axis, code, position); }),
      m_commands(*this, m_document, m_map, [this]() -> IViewDialogs& { return Dialogs(); }),
      m_scaleFlow(
          m_document, [this](double pixels) { return Dialogs().ScaleDistance(window(), pixels); },
          [this](const QString& text) {
              platform::MessageBox(window(), text, QStringLiteral("Set Scale"),
                                   platform::MB_OK | platform::MB_ICONEXCLAMATION);
          }),
      m_art(ScreenArt::Load()) {
    setObjectName(QStringLiteral("CTambRUMOView"));
    setFocusPolicy(Qt::StrongFocus);
    m_document.AddListener(this);
    m_throughput.SetTested(
        [this](const ThroughputOutcome& outcome) { (void)m_document.KeepThroughput(outcome); });
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
    m_document.RemoveListener(this);
}

void CTambRUMOView::SetSource(std::unique_ptr<IMeasurementSource> source) {
    m_session.SetSource(source ? std::move(source) : MakeBoardSource(), &m_drawNotifier);
    Repaint();
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
    ShowTitle();
    PostStatus();  // L, P, X and Y of the site now open
    m_displayMode = DisplayMode::kSiteMap;
    Repaint();
    return true;
}

bool CTambRUMOView::OnSaveSite() { return m_commands.Save(); }
bool CTambRUMOView::OnSaveSiteAs() { return m_commands.SaveAs(); }

bool CTambRUMOView::SaveOrDiscardSurvey(const QString& question) {
    return m_commands.SaveOrDiscard(question);
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
    if (Measuring()) return;
    m_scaleFlow.Begin();
    Repaint();
}

// While a point is being measured the cursor stays where it was taken: bars,
// arrows and zoom move nothing (a bar that moved its thumb is put back).
void CTambRUMOView::OnZoomIn() {
    if (Measuring()) return;
    if (m_desktop) return m_desktop->ZoomIn();
    m_map.ZoomIn();
    Repaint();
}

void CTambRUMOView::OnZoomOut() {
    if (Measuring()) return;
    if (m_desktop) return m_desktop->ZoomOut();
    m_map.ZoomOut();
    m_bars.SyncTo(m_map);  // zooming out near an edge moves the cursor
    Repaint();
}

void CTambRUMOView::OnScroll(MapAxis axis, int code, int position) {
    if (m_desktop) return m_desktop->OnScroll(axis, code, position);
    if (Measuring()) {
        m_bars.SyncTo(m_map);
        return;
    }
    const QRect client = ClientRect();
    m_map.Scroll(axis, code, position, axis == MapAxis::kX ? client.width() : client.height());
    m_bars.SyncTo(axis, m_map.Center(axis));
    Repaint();
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

void CTambRUMOView::OnKeyDown(int qtKey) {
    if (m_desktop && m_desktop->OnKey(qtKey)) return;
    switch (qtKey) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            OnScroll(MapAxis::kX, qtKey == Qt::Key_Left ? SB_LINELEFT : SB_LINERIGHT, 0);
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
            OnScroll(MapAxis::kY, qtKey == Qt::Key_Up ? SB_LINELEFT : SB_LINERIGHT, 0);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Select:
            StartPoint(ScanTrigger::kCentreKey);  // the joystick's centre: mode 7 again
            break;
        case Qt::Key_Escape:
            m_scaleFlow.Cancel();
            CancelPoint();
            break;
        case Qt::Key_H:
            OnCoverageMap();
            break;
        default:
            break;
    }
}

// Without an open site there is no map to take a point on; while a point is
// measured, a second press would take its place and its readings.
void CTambRUMOView::StartPoint(ScanTrigger trigger) {
    if (!m_document.HasSite() || !m_map.HasMap() || Measuring()) return;
    if (!m_commands.MayEdit()) return;
    platform::PlaySoundAsync(QStringLiteral("ping"));
    const int32_t x = m_map.Center(MapAxis::kX);
    const int32_t y = m_map.Center(MapAxis::kY);
    m_document.BeginPoint(x, y);
    m_session.Start(x, y, trigger);
    m_displayMode = DisplayMode::kScanScreen;
    Repaint();
}

void CTambRUMOView::OnTap(QPoint client) {
    if (!m_document.HasSite() || !m_map.HasMap() || Measuring()) return;
    if (m_scaleFlow.Active()) {  // a mark of "Set Scale", not a point
        int32_t wx = 0, wy = 0;
        if (m_desktop) {
            if (!m_desktop->WorldAt(client, wx, wy)) return;
        } else {
            m_map.Viewport().ScreenToWorld(ToVp(ClientRect()), client.x(), client.y(), wx, wy);
        }
        m_scaleFlow.Tap(wx, wy, client);
        Repaint();
        return;
    }
    // A tap on the desktop map's margin is off the plan: no point there.
    if (m_desktop && !m_desktop->CenterOn(client)) return;
    if (!m_desktop)
        m_map.Viewport().CenterOnScreenPoint(ToVp(ClientRect()), client.x(), client.y());
    m_bars.SyncTo(m_map);
    StartPoint(ScanTrigger::kTap);
}

void CTambRUMOView::OnTapAndHold(QPoint client) {
    if (!m_document.HasSite() || !m_map.HasMap() || Measuring()) return;
    int32_t wx = 0, wy = 0;
    if (m_desktop) {
        if (!m_desktop->WorldAt(client, wx, wy)) return;
    } else {
        m_map.Viewport().ScreenToWorld(ToVp(ClientRect()), client.x(), client.y(), wx, wy);
    }
    if (!m_document.SelectNearestPoint(wx, wy)) return;
    if (Dialogs().LocationInfo(window(), m_document.SelectedThroughput()) ==
            CLocationInfoDlg::kDeleted &&
        m_commands.MayEdit())
        m_document.Apply(DeletePointCommand::OfSelection(*m_document.Site()));
    Repaint();
}

int CTambRUMOView::OnTalvDraw() {
    m_session.OnDraw();
    Repaint();
    return 0;
}

void CTambRUMOView::PointFinished() {
    // A scan that no tap of an open site asked for records nothing.
    if (!m_document.HasSite() || !m_map.HasMap()) return;
    m_displayMode = DisplayMode::kSiteMap;
    m_document.Apply(RecordScanCommand{});
    PostStatus();
    // The point is recorded; its throughput test follows on the scan screen.
    if (m_throughput.Start()) {
        m_displayMode = DisplayMode::kScanScreen;
        Repaint();
    }
}

void CTambRUMOView::CancelPoint() {
    m_session.Cancel();
    CancelThroughput();
}

void CTambRUMOView::CancelThroughput() {
    if (!m_throughput.Running()) return;
    m_throughput.Cancel();
    m_displayMode = DisplayMode::kSiteMap;
    Repaint();
}

void CTambRUMOView::ThroughputChanged() {
    if (!m_throughput.Running() && m_displayMode == DisplayMode::kScanScreen &&
        !m_session.Pending())
        m_displayMode = DisplayMode::kSiteMap;
    Repaint();
}

void CTambRUMOView::PointUnrecorded(const std::string& why) {
    m_displayMode = DisplayMode::kSiteMap;  // a point is only ever pending over an open map
    Repaint();
    // A lost source says so in the notice; a refusal needs its reason.
    if (!why.empty())
        platform::MessageBox(window(), QString::fromStdString(why), QStringLiteral("TambRUMO"),
                             platform::MB_ICONEXCLAMATION | platform::MB_OK);
}

void CTambRUMOView::RunLater(std::function<void()> fn) {
    QTimer::singleShot(0, this, std::move(fn));
}

void CTambRUMOView::SiteReplaced(CSiteLoader& loaded) {
    m_map.Adopt(std::move(loaded.Plan()), std::move(loaded.Layer()), std::move(loaded.Circles()));
    m_scaleFlow.Cancel();
    m_bars.SetRanges(m_map.Width(), m_map.Height(), ClientRect().width(), ClientRect().height());
    m_bars.Show(true);
    m_bars.SyncTo(m_map);
    if (m_desktop) m_desktop->SiteReplaced();
    ShowTitle();
}

void CTambRUMOView::PointRecorded(const RecordedPoint& point) {
    ShowTitle();
    if (!point.heard) {
        platform::PlaySoundSync(QStringLiteral("REDALERT"));
        platform::MessageBox(window(), QStringLiteral("No Access Points Detected!"),
                             QStringLiteral("COVERAGE WARNING"),
                             platform::MB_ICONEXCLAMATION | platform::MB_OK);
    }
    // Where the point was taken, which is where its records say it is.
    m_map.PaintPoint(point.x, point.y, point.bestRssi, point.records);
}

void CTambRUMOView::PointDeleted(const DeletedPoint& point) {
    ShowTitle();
    m_map.EraseRecords(point.firstRecord, point.records);
}

// "office.hss* - Pellorin" while points are unsaved.
void CTambRUMOView::ShowTitle() {
    QWidget* top = window();
    if (!m_document.Path().empty())
        top->setWindowTitle(
            QFileInfo(QString::fromLocal8Bit(m_document.Path().c_str())).fileName() +
            (m_document.ViewOnly() ? QStringLiteral(" (view only)") : QString()) +
            QStringLiteral("[*] - Pellorin"));
    top->setWindowModified(m_document.HasUnsavedChanges());
}

void CTambRUMOView::PostStatus() {
    QObject* target = m_statusTarget ? m_statusTarget.data() : window();
    platform::PostMessage(target, TalvStatusUpdateMessage(), m_map.Center(MapAxis::kX),
                          m_map.Center(MapAxis::kY));
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

void CTambRUMOView::OnDraw(QPainter& p, const QRect& client) {
    ScreenContent c;
    c.mode = m_displayMode;
    c.art = &m_art;
    if (c.mode == DisplayMode::kStartup) {
        const SourceTexts texts = m_session.Source().StartupTexts();
        c.left = gdi::DisplayText(texts.left.c_str());
        c.right = gdi::DisplayText(texts.right.c_str());
        c.hardware = QString::fromUtf8(texts.hardware.c_str());
    }
    c.map = &m_map;
    c.coverage = &m_coverage;
    c.survey = &surveyList;
    if (c.mode == DisplayMode::kScanScreen) {
        c.radarBitmap = m_radar.Advance();
        c.channelCells = m_session.Source().ChannelCells();
    }
    c.notice = QString::fromStdString(m_session.NoticeText());
    if (c.notice.isEmpty() && c.mode == DisplayMode::kScanScreen)
        c.notice = m_throughput.ProgressLine();
    if (m_scaleFlow.Active() && c.notice.isEmpty()) c.notice = m_scaleFlow.Prompt();
    c.metresPerPixel = m_document.MetresPerPixel().value_or(0);
    if (m_desktop)
        m_desktop->Paint(p, client, c);
    else
        screens::PaintScreen(p, client, c);
    if (c.mode == DisplayMode::kSiteMap) m_scaleFlow.PaintDrag(p);
}

QImage CTambRUMOView::Render(QSize size) {
    if (!size.isValid() || size.isEmpty()) size = ClientRect().size();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter p(&image);
    OnDraw(p, QRect(QPoint(0, 0), size));
    return image;
}

QRect CTambRUMOView::ClientRect() const {
    if (isVisible()) return m_canvas->rect();
    // Not laid out yet (hidden, e.g. offscreen in tests): what the layout
    // will give the client area.
    return QRect(0, 0, std::max(width() - m_bars.TakenWidth(), 1),
                 std::max(height() - m_bars.TakenHeight(), 1));
}

void CTambRUMOView::Repaint() { m_canvas->update(); }

void CTambRUMOView::UseDesktopLayout() {
    m_desktop = std::make_unique<CDesktopMapView>(
        m_canvas, m_map, m_bars, [this] { return Measuring(); }, [this] { Repaint(); });
    if (m_map.HasMap()) m_desktop->SiteReplaced();
}

void CTambRUMOView::WarmScanScreen() {
    screens::WarmScanScreen(m_art.Radar(139), ClientRect().size(), devicePixelRatioF());
}
