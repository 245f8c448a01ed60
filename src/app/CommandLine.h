#pragma once
// pellorin [options] [SITE]

#include <QString>
#include <QStringList>
#include <optional>

#include "app/LayoutChoice.h"
#include "throughput/ThroughputRequest.h"

// What measures. Without an option: the board search, and the Wi-Fi adapter
// when no board is identified and NetworkManager has one.
enum class SourceKind { kSearch, kBoardPort, kSimulatedBoard, kWifi };

struct PellorinOptions {
    SourceKind source = SourceKind::kSearch;
    QString port;           // --port DEVICE: use this serial device, no search
    bool simulate = false;  // --simulate-board: a simulated board on a pty
    QString wifiInterface;  // --wifi=IFACE; empty: the first Wi-Fi device
    int wifiScans = 1;      // --wifi-scans N: adapter scans per point (implies --wifi)
    QString capturePath;    // --capture FILE: record the board's or the adapter's traffic
    QString sitePath;       // SITE: opened at start (with the keep-points question)
    int scale = 0;          // --scale N: the window's scale; 0 = chosen from the screen
    LayoutRequest layout = LayoutRequest::kChosen;  // --layout handheld|desktop
    // --iperf HOST[:PORT], --iperf-seconds N, --iperf-udp RATE: a throughput
    // test after each point's scan; nothing: none.
    std::optional<ThroughputRequest> throughput;
};

constexpr int kMaxWifiScans = 10;

enum class CommandLineResult { kRun, kExitOk, kExitError };

// Parses `arguments` (arguments[0] is the program). For --help, --version and
// errors `output` receives the text to print.
CommandLineResult ParseCommandLine(const QStringList& arguments, PellorinOptions& options,
                                   QString& output);
