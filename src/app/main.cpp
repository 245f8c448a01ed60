#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/ScaleSetup.h"
#include "app/TambRUMOApp.h"

int main(int argc, char** argv) {
    // Parsed before the application exists, so --help and --version work
    // without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    PellorinOptions options;
    QString output;
    switch (ParseCommandLine(arguments, options, output)) {
        case CommandLineResult::kExitOk:
            std::fputs(output.toLocal8Bit().constData(), stdout);
            return 0;
        case CommandLineResult::kExitError:
            std::fputs(output.toLocal8Bit().constData(), stderr);
            return 2;
        case CommandLineResult::kRun:
            break;
    }
    const WindowLayout layout = SetUpScale(argc, argv, options.scale, options.layout);
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pellorin"));
    QApplication::setApplicationVersion(QStringLiteral(PELLORIN_VERSION));
    CTambRUMOApp app;
    if (!app.InitInstance(options, {}, layout)) return 1;
    return QApplication::exec();
}
