// The command line chooses what measures.

#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

TEST(SourceChoice, TheCommandLineChoosesTheSourceAndRefusesWhatContradicts) {
    const struct {
        QStringList args;
        SourceKind kind;
        QString port, interface;
        int scans;
    } rows[] = {
        {{}, SourceKind::kSearch, "", "", 1},
        {{"site.hss"}, SourceKind::kSearch, "", "", 1},
        {{"--port", "/dev/ttyUSB1"}, SourceKind::kBoardPort, "/dev/ttyUSB1", "", 1},
        {{"--simulate-board"}, SourceKind::kSimulatedBoard, "", "", 1},
        {{"--wifi"}, SourceKind::kWifi, "", "", 1},
        {{"--wifi", "site.hss"}, SourceKind::kWifi, "", "", 1},
        {{"--wifi=wlan1"}, SourceKind::kWifi, "", "wlan1", 1},
        {{"--wifi-scans", "3"}, SourceKind::kWifi, "", "", 3},
        {{"--wifi=wlp2s0", "--wifi-scans=10"}, SourceKind::kWifi, "", "wlp2s0", 10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        PellorinOptions options;
        QString output;
        ASSERT_EQ(ParseCommandLine(QStringList{"pellorin"} + row.args, options, output),
                  CommandLineResult::kRun)
            << output.toStdString();
        EXPECT_EQ(options.source, row.kind);
        EXPECT_EQ(options.port, row.port);
        EXPECT_EQ(options.wifiInterface, row.interface);
        EXPECT_EQ(options.wifiScans, row.scans);
    }

    const QStringList refused[] = {
        {"--port", "/dev/ttyS1", "--wifi"},
        {"--simulate-board", "--wifi-scans", "2"},
        {"--port", "/dev/ttyS1", "--simulate-board"},
        {"--wifi", "--capture", "traffic.txt"},
        {"--wifi-scans", "0"},
        {"--wifi-scans", "11"},
        {"--wifi-scans", "two"},
    };
    for (const QStringList& args : refused) {
        SCOPED_TRACE(args.join(' ').toStdString());
        PellorinOptions options;
        QString output;
        EXPECT_EQ(ParseCommandLine(QStringList{"pellorin"} + args, options, output),
                  CommandLineResult::kExitError);
        EXPECT_FALSE(output.isEmpty());
    }
}

}  // namespace
