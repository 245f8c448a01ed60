// pellorin-site: looks into site files and makes new ones, for the desktop
// side of a survey and for tests. It never writes to a file it reads.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "SiteCommands.h"
#include "coverage/CoverageGrid.h"

namespace {

const char* const kUsage =
    "Usage:\n"
    "  pellorin-site info FILE\n"
    "      The header, map and points-section figures of a site file, as JSON.\n"
    "  pellorin-site points FILE\n"
    "      The survey entries and point circles that Open would load, as JSON.\n"
    "  pellorin-site export FILE [--format csv|json] [-o OUT]\n"
    "      The same entries as CSV (x,y,point,channel,mac,ssid,rssi_dbm; RFC 4180,\n"
    "      UTF-8; a point where nothing was heard has no MAC and no SSID), or with\n"
    "      --format json the points output. -o writes OUT (replaced whole) instead\n"
    "      of standard output.\n"
    "  pellorin-site export FILE --per-point [--network SSID] [--require REQ]\n"
    "      [--format csv|json] [-o OUT]\n"
    "      One row per point: the primary and secondary access point of the\n"
    "      network (an SSID as shown; without --network the strongest of all),\n"
    "      usable access points, co-channel and overlapping ones, and with\n"
    "      --require whether the point passes: REQ is data, voice, location or\n"
    "      criteria such as primary=-67,secondary=-75,snr=25,cochannel=1,\n"
    "      aps=3@-75,down=20.\n"
    "  pellorin-site create IMAGE -o FILE [--signature-first] [--force]\n"
    "      A new site file from a PNG, JPEG or BMP floor plan; the map becomes an\n"
    "      8-bit, 256-colour bitmap. --signature-first puts the signature section\n"
    "      before the map. An existing FILE is replaced only with --force.\n"
    "      SOURCE_DATE_EPOCH, when set, is the save time.\n"
    "  pellorin-site render FILE -o PNG [--width N]\n"
    "      The map with the circles of the file's points, as Open with \"keep\n"
    "      existing data points\" shows it, as a PNG N pixels wide (1 to 32767;\n"
    "      the plan's width without --width).\n"
    "  pellorin-site report FILE -o PDF [--network NAME_OR_MAC ...] [--radius R]\n"
    "      A survey report (A4 PDF): summary with the signature, the plan with its\n"
    "      circles and the colour legend, the coverage map of each network given\n"
    "      (an SSID or a MAC; without --network the five heard at the most points)\n"
    "      within R plan pixels of the points (1 to 4096, default 60), and the table\n"
    "      of points and what was heard at each. OUT is replaced only when whole.\n"
    "  pellorin-site --help\n"
    "Exit status: 0 done, 1 the file could not be used (reason on stderr), 2 usage.\n";

int Usage(FILE* to, int status) {
    std::fputs(kUsage, to);
    return status;
}

int Run(const QStringList& args) {
    if (args.isEmpty()) return Usage(stderr, 2);
    if (args.contains("--help") || args.contains("-h")) return Usage(stdout, 0);

    const QString command = args[0];
    if ((command == "info" || command == "points") && args.size() == 2)
        return command == "info" ? RunInfo(args[1]) : RunPoints(args[1]);
    if (command == "export") {
        QString site, format = "csv", out;
        bool perPoint = false;
        PerPointOptions options;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                out = args[++i];
            } else if (args[i] == "--format" && i + 1 < args.size()) {
                format = args[++i];
            } else if (args[i] == "--per-point") {
                perPoint = true;
            } else if (args[i] == "--network" && i + 1 < args.size()) {
                options.network = args[++i];
            } else if (args[i] == "--require" && i + 1 < args.size()) {
                const RequirementParse r = ParseRequirement(args[++i].toStdString());
                if (!r.requirement) {
                    std::fprintf(stderr, "pellorin-site: %s\n", r.error.c_str());
                    return 2;
                }
                options.requirement = r.requirement;
            } else if (site.isEmpty() && !args[i].startsWith('-')) {
                site = args[i];
            } else {
                return Usage(stderr, 2);
            }
        }
        if (site.isEmpty() || (format != "csv" && format != "json")) return Usage(stderr, 2);
        if (!perPoint && (!options.network.isEmpty() || options.requirement))
            return Usage(stderr, 2);
        return RunExport(site, format, out, perPoint ? &options : nullptr);
    }
    if (command == "create") {
        QString image, out;
        bool signatureFirst = false;
        bool force = false;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                out = args[++i];
            } else if (args[i] == "--signature-first") {
                signatureFirst = true;
            } else if (args[i] == "--force") {
                force = true;
            } else if (image.isEmpty() && !args[i].startsWith('-')) {
                image = args[i];
            } else {
                return Usage(stderr, 2);
            }
        }
        if (image.isEmpty() || out.isEmpty()) return Usage(stderr, 2);
        return RunCreate(image, out, signatureFirst, force);
    }
    if (command == "render") {
        QString site, out;
        int width = 0;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                out = args[++i];
            } else if (args[i] == "--width" && i + 1 < args.size()) {
                bool number = false;
                width = args[++i].toInt(&number);
                if (!number || width < 1 || width > 32767) return Usage(stderr, 2);
            } else if (site.isEmpty() && !args[i].startsWith('-')) {
                site = args[i];
            } else {
                return Usage(stderr, 2);
            }
        }
        if (site.isEmpty() || out.isEmpty()) return Usage(stderr, 2);
        return RunRender(site, out, width);
    }
    if (command == "report") {
        QString site, out;
        QStringList networks;
        int radius = kDefaultCoverageRadius;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                out = args[++i];
            } else if (args[i] == "--network" && i + 1 < args.size()) {
                networks << args[++i];
            } else if (args[i] == "--radius" && i + 1 < args.size()) {
                bool number = false;
                radius = args[++i].toInt(&number);
                if (!number || radius < kMinCoverageRadius || radius > kMaxCoverageRadius)
                    return Usage(stderr, 2);
            } else if (site.isEmpty() && !args[i].startsWith('-')) {
                site = args[i];
            } else {
                return Usage(stderr, 2);
            }
        }
        if (site.isEmpty() || out.isEmpty()) return Usage(stderr, 2);
        return RunReport(site, out, networks, radius);
    }
    return Usage(stderr, 2);
}

}  // namespace

int main(int argc, char** argv) {
    // The report lays out text, which needs the GUI side of Qt; a tool never
    // needs a display for it.
    const bool report = argc > 1 && std::strcmp(argv[1], "report") == 0;
    if (report && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Standard error carries the tool's own reasons only, not Qt's remark
    // that a tool run outside a desktop session has no runtime directory.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:"))) return;
        std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    // Image plug-ins are found through the application object.
    const std::unique_ptr<QCoreApplication> app =
        report ? std::make_unique<QGuiApplication>(argc, argv)
               : std::make_unique<QCoreApplication>(argc, argv);
    // The readers never throw; Qt's containers do when memory runs out.
    try {
        return Run(QCoreApplication::arguments().mid(1));
    } catch (const std::bad_alloc&) {
        std::fputs("Not enough memory.\n", stderr);
        return 1;
    }
}
