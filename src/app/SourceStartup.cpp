#include "app/SourceStartup.h"

#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/BoardHookup.h"
#include "app/MainFrame.h"
#include "app/TambRUMOView.h"
#include "link/PortSearch.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"

CSourceStartup::CSourceStartup(CTambRUMOView* view, const PellorinOptions& options,
                               SourceEnvironment env)
    : QObject(view), m_view(view), m_options(options), m_env(std::move(env)) {}

CSourceStartup::~CSourceStartup() { Stop(); }

CSourceStartup* CSourceStartup::Attach(CMainFrame& frame, const PellorinOptions& options,
                                       SourceEnvironment env) {
    auto* startup = new CSourceStartup(frame.View(), options, std::move(env));
    frame.SetOnClosing([startup] { startup->Stop(); });
    return startup;
}

void CSourceStartup::Start() {
    BoardStartupOptions board = m_env.board;
    board.capturePath = m_options.capturePath.toStdString();
    switch (m_options.source) {
        case SourceKind::kBoardPort:
            board.portOverride = m_options.port.toStdString();
            StartBoard(board);
            return;
        case SourceKind::kSimulatedBoard:
            board.simulate = true;
            StartBoard(board);
            return;
        case SourceKind::kWifi:
            StartWifi(false);
            return;
        case SourceKind::kSearch:
            break;
    }
    const CSysfsDeviceList sysfs;
    const ISerialDeviceList& devices = board.devices != nullptr ? *board.devices : sysfs;
    if (FindBoardPortName(devices) != kFallbackPortName) {
        StartBoard(board);  // the link finds the same board again
        return;
    }
    StartWifi(true);
}

void CSourceStartup::StartBoard(BoardStartupOptions options) {
    m_chosen = SourceKind::kBoardPort;
    m_board = new CBoardHookup(m_view, std::move(options));
    m_board->Start();
}

void CSourceStartup::StartWifi(bool fallBackToBoard) {
    CWifiSource::Options options = m_env.wifi;
    options.scanner.interfaceName = m_options.wifiInterface;
    options.scansPerPoint = m_options.wifiScans;
    options.capturePath = m_options.capturePath;
    const QDBusConnection bus = m_env.bus ? *m_env.bus : QDBusConnection::systemBus();
    auto source = std::make_unique<CWifiSource>(bus, options);
    m_wifi = source.get();
    if (!source->CaptureProblem().isEmpty()) {
        std::fprintf(stderr, "pellorin: %s\n", qPrintable(source->CaptureProblem()));
        ShowLater(source->CaptureProblem());
    }
    if (!fallBackToBoard) m_chosen = SourceKind::kWifi;
    // The first answer settles the search: under the wait cursor, as the
    // board's start-up is.
    auto wait = std::make_shared<std::unique_ptr<platform::CWaitCursor>>(
        std::make_unique<platform::CWaitCursor>());
    source->SetAdapterListener([this, wait, fallBackToBoard](bool present, const QString& why) {
        const bool first = *wait != nullptr;
        wait->reset();
        if (!first) return;
        if (present) {
            m_chosen = SourceKind::kWifi;
            return;
        }
        if (!fallBackToBoard) {
            std::fprintf(stderr, "pellorin: %s\n", qPrintable(why));
            ShowLater(why);
            return;
        }
        // No board and no adapter: the board on the fallback port, as
        // before. Not from inside the adapter's signal, which it would delete.
        QTimer::singleShot(0, this, [this] {
            if (m_stopped) return;
            BoardStartupOptions board = m_env.board;
            board.capturePath = m_options.capturePath.toStdString();
            StartBoard(board);
        });
    });
    m_view->SetSource(std::move(source));
    m_wifi->FindAdapter();
}

void CSourceStartup::ShowLater(const QString& text) {
    QTimer::singleShot(0, this, [this, text] {
        if (m_stopped) return;
        // The last thing this call does: a close inside the box may delete this.
        platform::MessageBox(m_view->window(), text, QStringLiteral("TambRUMO"), platform::MB_OK);
    });
}

void CSourceStartup::Stop() {
    m_stopped = true;
    if (m_board != nullptr) m_board->Stop();
}
