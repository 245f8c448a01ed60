#pragma once
// Chooses what measures and brings it up behind the view, without blocking
// the user interface:
//
//   --port DEVICE, --simulate-board   the board (CBoardHookup)
//   --wifi[=IFACE], --wifi-scans N    the Wi-Fi adapter (CWifiSource)
//   none of them                      the board search; when it identifies
//                                     no board, NetworkManager is asked for a
//                                     Wi-Fi device: the adapter if it has
//                                     one, else the board on the fallback
//                                     port, with its message
//
// While NetworkManager is asked, the adapter is the view's source (its
// start-up texts say it is looking); a missing adapter gives way to the
// board from the event loop, never from inside the adapter's own signal.

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

#include "app/CommandLine.h"
#include "link/BoardStartup.h"
#include "sources/wifi/WifiSource.h"

class CBoardHookup;
class CMainFrame;
class CTambRUMOView;

// What the start-up takes from the machine; tests put their own in.
struct SourceEnvironment {
    std::optional<QDBusConnection> bus;  // unset: the system bus
    BoardStartupOptions board;           // pauses, device list, worker (tests)
    CWifiSource::Options wifi;           // bounds, kernel dump (tests)
};

class CSourceStartup : public QObject {
public:
    CSourceStartup(CTambRUMOView* view, const PellorinOptions& options, SourceEnvironment env);
    ~CSourceStartup() override;

    // A start-up on the frame's view that the frame stops when it closes or
    // is minimised; owned by the view.
    static CSourceStartup* Attach(CMainFrame& frame, const PellorinOptions& options,
                                  SourceEnvironment env = {});

    void Start();
    void Stop();
    // What measures: kSearch while NetworkManager is being asked, then
    // kBoardPort (a board found by the search, or the fallback port) or kWifi.
    SourceKind Chosen() const { return m_chosen; }
    CBoardHookup* Board() const { return m_board; }
    CWifiSource* Wifi() const { return m_wifi; }

private:
    void StartBoard(BoardStartupOptions options);
    void StartWifi(bool fallBackToBoard);
    void ShowLater(const QString& text);

    CTambRUMOView* m_view;
    PellorinOptions m_options;
    SourceEnvironment m_env;
    SourceKind m_chosen = SourceKind::kSearch;
    CBoardHookup* m_board = nullptr;  // owned by the view
    QPointer<CWifiSource> m_wifi;     // owned by the view
    bool m_stopped = false;
};
