#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "app/CommandsMenu.h"
#include "app/DesktopMapView.h"
#include "app/TambRUMOView.h"
#include "dialogs/DialogFrame.h"
#include "platform/Gdi.h"
#include "platform/RegisteredMessages.h"
#include "site/SiteRecord.h"

namespace {

// The widest texts a pane has to show: a 16-bit cursor value and a
// five-digit count.
const char* const kWidestPaneTexts[] = {"X: -32768", "P: 88888"};
constexpr int kPaneFrame = 1;   // the sunken panel's line
constexpr int kPaneIndent = 2;  // room between the panel and the text, each side

// The program's font at the largest size, 8 points down to 6 (times the
// bar's scale), at which the widest pane text fits inside a pane.
QFont PaneFont(int scale) {
    const int room = CMainFrame::kPaneWidth * scale - 2 * kPaneFrame - 2 * kPaneIndent;
    QFont font = gdi::PointFont(8 * scale);
    for (int points = 8 * scale; points >= 6 * scale; --points) {
        font.setPointSize(points);
        const QFontMetrics fm(font);
        int widest = 0;
        for (const char* text : kWidestPaneTexts)
            widest = std::max(widest, fm.horizontalAdvance(QString::fromLatin1(text)));
        if (widest <= room) break;
    }
    return font;
}

// Button `i` of the toolbar's strip at `size` pixels: whole multiples,
// pixel for pixel, so that the art stays crisp. None where the strip has none.
QIcon IconAt(const QImage& strip, int i, int size) {
    if (strip.width() < 16 * (i + 1) || strip.height() < 16) return {};
    return QIcon(
        QPixmap::fromImage(strip.copy(16 * i, 0, 16, 16)
                               .scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}

}  // namespace

CMainFrame::CMainFrame(WindowLayout layout, QWidget* parent)
    : QMainWindow(parent), m_layout(layout) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("Pellorin"));
    // Every size drawn, so that the desktop takes the nearest, not a scaled 32.
    QIcon appIcon;
    for (int size : {16, 32, 64, 128})
        appIcon.addFile(QStringLiteral(":/res/icon%1.png").arg(size), QSize(size, size));
    setWindowIcon(appIcon);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_view = new CTambRUMOView(central);
    const bool desktop = layout == WindowLayout::kDesktop;
    if (desktop)
        m_view->UseDesktopLayout();
    else
        m_view->setFixedSize(CTambRUMOView::kClientWidth, CTambRUMOView::kClientHeight);
    m_view->SetStatusTarget(this);
    // The handheld's bar is the handheld's; the desktop's suits its screen.
    const QScreen* shown = screen();
    m_barScale = desktop && shown != nullptr
                     ? layoutchoice::DesktopBarScale(shown->availableGeometry().height())
                     : 1;
    // The dialogs and the texts over the map at the same multiple: they keep
    // their layout, only larger.
    dialogs::SetScale(m_barScale);
    if (desktop) m_view->Desktop()->SetTextScale(m_barScale);
    column->addWidget(m_view, desktop ? 1 : 0);

    auto* paneRow = new QWidget(central);
    auto* panes = new QHBoxLayout(paneRow);
    panes->setContentsMargins(0, 0, 0, 0);
    panes->setSpacing(0);
    const char* initial[4] = {"L: 0", "P: 0", "X: 0", "Y: 0"};
    const QFont paneFont = PaneFont(m_barScale);
    const int paneHeight = QFontMetrics(paneFont).height() + 2 * kPaneFrame + 2;
    for (int i = 0; i < 4; ++i) {
        m_panes[i] = new QLabel(QString::fromLatin1(initial[i]), paneRow);
        m_panes[i]->setFont(paneFont);
        m_panes[i]->setFixedSize(kPaneWidth * m_barScale, paneHeight);
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_panes[i]->setLineWidth(kPaneFrame);
        m_panes[i]->setIndent(kPaneIndent);
        m_panes[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        panes->addWidget(m_panes[i]);
    }
    panes->addStretch(1);
    column->addWidget(paneRow);
    setCentralWidget(central);

    BuildToolBar();
    m_view->setFocus();
    if (desktop) {
        ShowDesktopSize();
        return;
    }
    // The handheld's layout has one size: the window keeps the size of its
    // contents in both directions, so nothing stretches.
    QMainWindow::layout()->setSizeConstraint(QLayout::SetFixedSize);
}

// Nine tenths of the screen's available area, in its middle; the window
// can be resized and maximised from there.
void CMainFrame::ShowDesktopSize() {
    const QScreen* shown = screen();
    if (shown == nullptr) return;
    const QRect area = shown->availableGeometry();
    const QSize size(area.width() * 9 / 10, area.height() * 9 / 10);
    resize(size);
    move(area.left() + (area.width() - size.width()) / 2,
         area.top() + (area.height() - size.height()) / 2);
}

void CMainFrame::BuildToolBar() {
    m_toolBar = new QToolBar(QStringLiteral("Tamb"), this);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    const int iconSize = 16 * m_barScale;
    m_toolBar->setIconSize(QSize(iconSize, iconSize));
    addToolBar(Qt::BottomToolBarArea, m_toolBar);
    // The toolbar is the only way to most commands: no menu may hide it.
    m_toolBar->toggleViewAction()->setEnabled(false);
    m_toolBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    const QImage strip(QStringLiteral(":/res/toolbar.png"));
    struct Button {
        const char* tip;
        void (*run)(CTambRUMOView&);
        QKeySequence key;
        bool checkable = false;
    };
    const Button buttons[] = {
        {"Open a Site", [](CTambRUMOView& v) { v.OnOpenSite(); },
         QKeySequence(Qt::CTRL | Qt::Key_O)},
        // Save returns whether it wrote; the toolbar ignores that.
        {"Save a Site", [](CTambRUMOView& v) { v.OnSaveSite(); },
         QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"RSSI Color Codes", [](CTambRUMOView& v) { v.OnColorCodes(); }, {}},
        {"Zoom In", [](CTambRUMOView& v) { v.OnZoomIn(); }, {}},
        {"Zoom Out", [](CTambRUMOView& v) { v.OnZoomOut(); }, {}},
        {"Help", [](CTambRUMOView& v) { v.OnHelp(); }, {}},
        {"About Tamb", [](CTambRUMOView& v) { v.OnAbout(); }, {}},
        // Key H toggles it too (the view's key handler, as the joystick's).
        {"Coverage Map", [](CTambRUMOView& v) { v.OnCoverageMap(); }, {}, true},
        {"Networks", [](CTambRUMOView& v) { v.OnNetworks(); }, {}},
    };
    const int count = static_cast<int>(std::size(buttons));
    for (int i = 0; i < count; ++i) {
        auto* act =
            new QAction(IconAt(strip, i, iconSize), QString::fromLatin1(buttons[i].tip), this);
        act->setToolTip(QString::fromLatin1(buttons[i].tip));
        if (!buttons[i].key.isEmpty()) {
            act->setShortcut(buttons[i].key);
            act->setShortcutContext(Qt::WindowShortcut);
            addAction(act);  // the key works whatever becomes of the toolbar
        }
        act->setCheckable(buttons[i].checkable);
        if (buttons[i].checkable) m_coverageAction = act;
        const auto run = buttons[i].run;
        connect(act, &QAction::triggered, this, [this, run] { run(*m_view); });
        m_toolBar->addAction(act);
    }
    // The button follows the map whichever way it was switched (H, the
    // button, "Networks") and names what it shows.
    m_view->SetCoverageListener([this] {
        m_coverageAction->setChecked(m_view->Coverage().Shown());
        m_coverageAction->setToolTip(QStringLiteral("Coverage Map (H): ") +
                                     QString::fromStdString(m_view->Coverage().Caption()));
    });
    CCommandsMenu* commands = BuildKeyCommands();
    auto* more = new QAction(IconAt(strip, count, iconSize), QStringLiteral("More Commands"), this);
    more->setToolTip(more->text());
    connect(more, &QAction::triggered, this,
            [this, commands, more] { commands->PopUpAbove(*m_toolBar->widgetForAction(more)); });
    m_toolBar->addAction(more);
    if (m_layout == WindowLayout::kHandheld) {
        // Ten buttons in the handheld's 240 pixels: the 16-pixel art with
        // three pixels either side, none behind the toolbar's overflow arrow.
        for (QAction* act : m_toolBar->actions())
            m_toolBar->widgetForAction(act)->setFixedWidth(kHandheldButtonWidth);
    }
}

// Commands without a button of their own: a key each, and the list the last
// button opens, for a finger has no keys. The entry is the key's action, so
// that both run the same.
CCommandsMenu* CMainFrame::BuildKeyCommands() {
    auto* commands = new CCommandsMenu(m_barScale, this);
    struct KeyCommand {
        const char* text;
        QKeySequence key;  // none: the view's own key, named by `viewKey`
        void (*run)(CMainFrame&);
        bool group = false;  // a line above it in the list
        const char* viewKey = nullptr;
        bool (*enabled)(const CMainFrame&) = nullptr;  // null: always
    };
    const KeyCommand keyCommands[] = {
        {"New Site from Floor Plan...", QKeySequence(Qt::CTRL | Qt::Key_N),
         [](CMainFrame& f) { f.m_view->OnNewSiteFromPlan(); }},
        // Also the box of every refused save.
        {"Save As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
         [](CMainFrame& f) { f.m_view->OnSaveSiteAs(); }},
        {"Set Scale", QKeySequence(Qt::CTRL | Qt::Key_L),
         [](CMainFrame& f) { f.m_view->OnSetScale(); }, true},
        {"Map Shows...", QKeySequence(Qt::CTRL | Qt::Key_M),
         [](CMainFrame& f) { f.m_view->OnMapShows(); }},
        {"iperf3 Server...", QKeySequence(Qt::CTRL | Qt::Key_I),
         [](CMainFrame& f) { f.m_view->OnIperfServer(); }},
        // Escape stays the view's key (held keys, the dialogs' own Escape).
        {"Cancel",
         {},
         [](CMainFrame& f) { f.m_view->OnCancel(); },
         true,
         "Esc",
         [](const CMainFrame& f) { return f.m_view->CanCancel(); }},
        {"Exit", QKeySequence(Qt::CTRL | Qt::Key_Q), [](CMainFrame& f) { f.close(); }, true},
    };
    // The list names the keys beside the commands, but on the handheld,
    // which has no such keys, the names need all of its 240 pixels.
    const bool namesKeys = m_layout == WindowLayout::kDesktop;
    for (const KeyCommand& command : keyCommands) {
        QString text = QString::fromLatin1(command.text);
        if (command.viewKey != nullptr && namesKeys)
            text += QLatin1Char('\t') + QLatin1String(command.viewKey);
        auto* act = new QAction(text, this);
        act->setShortcutVisibleInContextMenu(namesKeys);
        const auto run = command.run;
        connect(act, &QAction::triggered, this, [this, run] { run(*this); });
        if (!command.key.isEmpty()) {
            act->setShortcut(command.key);
            act->setShortcutContext(Qt::WindowShortcut);
            addAction(act);
        }
        if (const auto enabled = command.enabled)
            connect(commands, &QMenu::aboutToShow, act,
                    [this, act, enabled] { act->setEnabled(enabled(*this)); });
        if (command.group) commands->addSeparator();
        commands->addAction(act);
    }
    return commands;
}

QString CMainFrame::PaneText(int pane) const {
    return pane >= 0 && pane < 4 ? m_panes[pane]->text() : QString();
}

const QLabel* CMainFrame::Pane(int pane) const {
    return pane >= 0 && pane < 4 ? m_panes[pane] : nullptr;
}

void CMainFrame::OnStatusUpdate(intptr_t wParam, intptr_t lParam) {
    const int32_t locations = g_pSite != nullptr ? g_pSite->m_locationCount : 0;
    const int32_t aps = g_pSite != nullptr ? g_pSite->m_apCount : 0;
    m_panes[0]->setText(QString::asprintf("L: %d", locations));
    m_panes[1]->setText(QString::asprintf("P: %d", aps));
    m_panes[2]->setText(QString::asprintf("X: %d", static_cast<int16_t>(wParam)));
    m_panes[3]->setText(QString::asprintf("Y: %d", static_cast<int16_t>(lParam)));
    for (QLabel* pane : m_panes) pane->repaint();
}

bool CMainFrame::event(QEvent* e) {
    if (e->type() == TalvStatusUpdateMessage()) {
        const auto* m = static_cast<platform::RegisteredMessageEvent*>(e);
        OnStatusUpdate(m->WParam(), m->LParam());
        return true;
    }
    return QMainWindow::event(e);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    // The point being measured is work in progress: the window closes, through
    // the question below, once its scan has ended (recorded or not). Asked
    // again meanwhile, the scan ends at once, unrecorded, and the question
    // comes now.
    CPointSession& point = m_view->Session();
    if (!m_closing && point.Pending()) {
        if (!point.WaitsForPoint()) {
            point.AfterPoint([this] { close(); });
            m_view->Repaint();  // the notice says the window waits
            e->ignore();
            return;
        }
        point.AfterPoint(nullptr);
        m_view->CancelPoint();
    }
    m_view->CancelThroughput();  // the point is recorded; its test is left
    // Cancel, or a save that was cancelled or failed, keeps the window.
    if (!m_closing &&
        !m_view->SaveOrDiscardSurvey(QStringLiteral("Save the survey before closing?"))) {
        e->ignore();
        return;
    }
    m_closing = true;
    if (m_onClosing) {
        auto fn = std::move(m_onClosing);
        m_onClosing = nullptr;
        fn();
    }
    e->accept();
}

void CMainFrame::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && isMinimized()) {
        // Minimising ends the program, as on the handheld.
        QTimer::singleShot(0, this, [this] {
            if (!close()) showNormal();
        });
    }
}
