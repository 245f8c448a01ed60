#include "app/CommandLine.h"

#include <QCommandLineParser>

#include "app/StartScale.h"

CommandLineResult ParseCommandLine(const QStringList& arguments, PellorinOptions& options,
                                   QString& output) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Pellorin: Wi-Fi site survey with a Brindax scanner board."));
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
    const QCommandLineOption capture(QStringLiteral("capture"),
                                     QStringLiteral("Record the board's traffic into FILE."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption scale(
        QStringLiteral("scale"),
        QStringLiteral("Show the window N times its handheld size (a whole number; without it, "
                       "and without QT_SCALE_FACTOR, the largest that fits the screen)."),
        QStringLiteral("N"));
    parser.addOptions({help, version, port, simulate, capture, scale});
    parser.addPositionalArgument(QStringLiteral("SITE"),
                                 QStringLiteral("Site file (.hss) to open at start."),
                                 QStringLiteral("[SITE]"));
    if (!parser.parse(arguments)) {
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
    if (parser.isSet(port) && parser.isSet(simulate)) {
        output = QStringLiteral("--port and --simulate-board exclude each other.\n");
        return CommandLineResult::kExitError;
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
    options.port = parser.value(port);
    options.simulate = parser.isSet(simulate);
    options.capturePath = parser.value(capture);
    options.sitePath = rest.isEmpty() ? QString() : rest.first();
    return CommandLineResult::kRun;
}
