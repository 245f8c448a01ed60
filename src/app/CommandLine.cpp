#include "app/CommandLine.h"

#include <QCommandLineParser>

#include "app/StartScale.h"

CommandLineResult ParseCommandLine(const QStringList& arguments, PellorinOptions& options,
                                   QString& output) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Pellorin: Wi-Fi site survey with a Brindax scanner board or the machine's own Wi-Fi "
        "adapter.\n\nWithout --port, --simulate-board or --wifi, Pellorin looks for the "
        "board among the serial devices; when none is identified as the board and "
        "NetworkManager has a Wi-Fi device, it surveys with that adapter, else it tries "
        "/dev/ttyS0."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Use the serial DEVICE for the board, no search."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate-board"),
        QStringLiteral("Run a simulated board on a pseudo-terminal inside the program."));
    const QCommandLineOption wifi(
        QStringLiteral("wifi"),
        QStringLiteral("Survey with the Wi-Fi adapter through NetworkManager: the first Wi-Fi "
                       "device it manages and can use, or with --wifi=IFACE the one of that "
                       "interface name."));
    // --wifi=IFACE arrives here as --wifi --wifi-interface=IFACE.
    QCommandLineOption wifiInterface(QStringLiteral("wifi-interface"), QString(),
                                     QStringLiteral("IFACE"));
    wifiInterface.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption wifiScans(
        QStringLiteral("wifi-scans"),
        QStringLiteral("Take N adapter scans at each point (1 to %1) and record each access "
                       "point's average; implies --wifi.")
            .arg(kMaxWifiScans),
        QStringLiteral("N"));
    const QCommandLineOption capture(
        QStringLiteral("capture"),
        QStringLiteral("Record the board's traffic into FILE; with the Wi-Fi adapter, what "
                       "NetworkManager and the kernel answered."),
        QStringLiteral("FILE"));
    const QCommandLineOption scale(
        QStringLiteral("scale"),
        QStringLiteral("Show the window N times its handheld size (a whole number; without it, "
                       "and without QT_SCALE_FACTOR, the largest that fits the screen)."),
        QStringLiteral("N"));
    const QCommandLineOption iperf(
        QStringLiteral("iperf"),
        QStringLiteral("After each point's scan, test its throughput against the iperf3 server "
                       "HOST (default port %1): TCP download and upload.")
            .arg(kDefaultIperfPort),
        QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption iperfSeconds(
        QStringLiteral("iperf-seconds"),
        QStringLiteral("Seconds of each direction of the test (%1 to %2, default %3).")
            .arg(kMinIperfSeconds)
            .arg(kMaxIperfSeconds)
            .arg(kDefaultIperfSeconds),
        QStringLiteral("N"));
    const QCommandLineOption iperfUdp(
        QStringLiteral("iperf-udp"),
        QStringLiteral("Also a UDP test at RATE bits/s (e.g. 10M) for jitter and loss."),
        QStringLiteral("RATE"));
    const QCommandLineOption layout(
        QStringLiteral("layout"),
        QStringLiteral("The window's LAYOUT: handheld (the handheld's screen at a whole scale) or "
                       "desktop (a resizable window, the plan true to its shape, wheel and keys "
                       "zoom about the pointer). Without it: desktop where the handheld window "
                       "would take less than half of the screen's width and neither --scale nor "
                       "QT_SCALE_FACTOR is given, else handheld."),
        QStringLiteral("LAYOUT"));
    parser.addOptions({help, version, port, simulate, wifi, wifiInterface, wifiScans, capture,
                       scale, layout, iperf, iperfSeconds, iperfUdp});
    parser.addPositionalArgument(QStringLiteral("SITE"),
                                 QStringLiteral("Site file (.hss) to open at start."),
                                 QStringLiteral("[SITE]"));
    // --wifi takes a value only as --wifi=IFACE, so that "--wifi site.hss"
    // opens the site.
    QStringList given;
    bool beforeDashes = true;
    for (const QString& argument : arguments) {
        beforeDashes = beforeDashes && argument != QLatin1String("--");
        if (beforeDashes && argument.startsWith(QLatin1String("--wifi="))) {
            given << QStringLiteral("--wifi")
                  << QStringLiteral("--wifi-interface=") + argument.mid(7);
        } else {
            given << argument;
        }
    }
    if (!parser.parse(given)) {
        output = parser.errorText() + QLatin1Char('\n');
        return CommandLineResult::kExitError;
    }
    if (parser.isSet(help)) {
        output = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                           QStringLiteral("pellorin"));
        return CommandLineResult::kExitOk;
    }
    if (parser.isSet(version)) {
        output = QStringLiteral("pellorin %1\n").arg(QStringLiteral(PELLORIN_VERSION));
        return CommandLineResult::kExitOk;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.size() > 1) {
        output = QStringLiteral("Only one SITE may be given.\n");
        return CommandLineResult::kExitError;
    }
    const bool adapter =
        parser.isSet(wifi) || parser.isSet(wifiInterface) || parser.isSet(wifiScans);
    if (int(parser.isSet(port)) + int(parser.isSet(simulate)) + int(adapter) > 1) {
        output = QStringLiteral("--port, --simulate-board and --wifi exclude each other.\n");
        return CommandLineResult::kExitError;
    }
    if (parser.isSet(wifiScans)) {
        bool whole = false;
        options.wifiScans = parser.value(wifiScans).toInt(&whole);
        if (!whole || options.wifiScans < 1 || options.wifiScans > kMaxWifiScans) {
            output = QStringLiteral("--wifi-scans wants a whole number from 1 to %1.\n")
                         .arg(kMaxWifiScans);
            return CommandLineResult::kExitError;
        }
    }
    if (parser.isSet(scale)) {
        bool whole = false;
        options.scale = parser.value(scale).toInt(&whole);
        if (!whole || options.scale < 1 || options.scale > startscale::kMaxScale) {
            output = QStringLiteral("--scale wants a whole number from 1 to %1.\n")
                         .arg(startscale::kMaxScale);
            return CommandLineResult::kExitError;
        }
    }
    if (parser.isSet(iperf)) {
        ThroughputRequest request;
        const Parsed<IperfServer> server = ParseIperfServer(parser.value(iperf).toStdString());
        const Parsed<int32_t> seconds =
            parser.isSet(iperfSeconds) ? ParseIperfSeconds(parser.value(iperfSeconds).toStdString())
                                       : Parsed<int32_t>{kDefaultIperfSeconds, {}};
        const Parsed<int64_t> udp = parser.isSet(iperfUdp)
                                        ? ParseUdpRate(parser.value(iperfUdp).toStdString())
                                        : Parsed<int64_t>{0, {}};
        for (const std::string* error : {&server.error, &seconds.error, &udp.error})
            if (!error->empty()) {
                output = QString::fromStdString(*error) + QLatin1Char('\n');
                return CommandLineResult::kExitError;
            }
        request.server = *server.value;
        request.seconds = *seconds.value;
        if (parser.isSet(iperfUdp)) request.udpRateBps = udp.value;
        options.throughput = request;
    } else if (parser.isSet(iperfSeconds) || parser.isSet(iperfUdp)) {
        output = QStringLiteral("--iperf-seconds and --iperf-udp need --iperf HOST[:PORT].\n");
        return CommandLineResult::kExitError;
    }
    if (parser.isSet(layout)) {
        const QString name = parser.value(layout);
        if (name == QLatin1String("handheld")) {
            options.layout = LayoutRequest::kHandheld;
        } else if (name == QLatin1String("desktop")) {
            options.layout = LayoutRequest::kDesktop;
        } else {
            output = QStringLiteral("--layout wants handheld or desktop, not \"%1\".\n").arg(name);
            return CommandLineResult::kExitError;
        }
    }
    options.port = parser.value(port);
    options.simulate = parser.isSet(simulate);
    options.wifiInterface = parser.value(wifiInterface);
    options.source = parser.isSet(port) ? SourceKind::kBoardPort
                     : options.simulate ? SourceKind::kSimulatedBoard
                     : adapter          ? SourceKind::kWifi
                                        : SourceKind::kSearch;
    options.capturePath = parser.value(capture);
    options.sitePath = rest.isEmpty() ? QString() : rest.first();
    return CommandLineResult::kRun;
}
