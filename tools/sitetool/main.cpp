// pellorin-site: looks into site files, makes new ones and brings the
// points of a survey journal back into one, for the desktop side of a
// survey and for tests. It never writes to a file it reads.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "SiteCommands.h"
#include "coverage/CoverageGrid.h"
#include "map/PlanScale.h"

namespace {

const char* const kUsage =
    "Usage:\n"
    "  pellorin-site info FILE\n"
    "      The header, map and points-section figures of a site file, as JSON.\n"
    "  pellorin-site points FILE\n"
    "      The survey entries and point circles that Open would load, as JSON.\n"
    "  pellorin-site export FILE [--format csv|json] [--raw] [-o OUT]\n"
    "      The same entries as CSV (x,y,point,channel,mac,ssid,rssi_dbm; RFC 4180,\n"
    "      UTF-8; a point where nothing was heard has no MAC and no SSID), or with\n"
    "      --format json the points output. Texts are shown as on screen (control\n"
    "      characters as \\x11), and a text beginning with = + - @, a tab or a CR\n"
    "      gets a leading ' so that no spreadsheet runs it as a formula; --raw\n"
    "      writes the texts as they are. -o writes OUT (replaced whole) instead of\n"
    "      standard output.\n"
    "  pellorin-site export FILE --per-point [--network SSID] [--require REQ]\n"
    "      [--format csv|json] [--raw] [-o OUT]\n"
    "      One row per point: the primary and secondary access point of the\n"
    "      network (an SSID as shown; without --network the strongest of all),\n"
    "      usable access points, co-channel and overlapping ones, and with\n"
    "      --require whether the point passes: REQ is data, voice, location or\n"
    "      criteria such as primary=-67,secondary=-75,snr=25,cochannel=1,\n"
    "      aps=3@-75,down=20.\n"
    "  pellorin-site create PLAN -o FILE [--page N] [--dpi D] [--plan-scale 1:N]\n"
    "                       [--signature-first] [--force]\n"
    "      A new site file from a floor plan: a PNG, JPEG, BMP, GIF, TIFF, WebP or\n"
    "      SVG file or page N (from 1) of a PDF, drawings rendered at D dpi (default\n"
    "      150). The map becomes the file's 8-bit palette: a plan of at most 256\n"
    "      colours keeps them, others get 32 greys and 224 of their own colours,\n"
    "      without dithering. --plan-scale: the plan was printed at 1:N, which sets\n"
    "      the site's scale (an image needs --dpi unless it carries its\n"
    "      resolution). The plan's source goes into the survey store FILE.survey.\n"
    "      --signature-first puts the signature section before the map. An\n"
    "      existing FILE is replaced only with --force. SOURCE_DATE_EPOCH, when\n"
    "      set, is the save time.\n"
    "  pellorin-site scale FILE --line X1 Y1 X2 Y2 --metres D\n"
    "      Sets the plan's scale: the line between the two plan pixels is D metres\n"
    "      long. Kept in the survey store FILE.survey; prints metres per pixel.\n"
    "  pellorin-site render FILE -o PNG [--width N]\n"
    "      The map with the circles of the file's points, as Open with \"keep\n"
    "      existing data points\" shows it, as a PNG N pixels wide (1 to 32767;\n"
    "      the plan's width without --width).\n"
    "  pellorin-site report FILE -o PDF [--network NAME_OR_MAC ...] [--radius R]\n"
    "                       [--require REQ]\n"
    "      A survey report (A4 PDF): summary with the signature, the plan with its\n"
    "      circles and the colour legend, the coverage map of each network given\n"
    "      (an SSID or a MAC; without --network the one the window's coverage map\n"
    "      shows, kept in FILE.survey, else the five heard at the most points)\n"
    "      within R plan pixels of the points (1 to 4096; default the window's R,\n"
    "      else 60), and the table of points and what was heard at each. With a\n"
    "      scale, the maps have a scale bar and the summary the surveyed area in\n"
    "      m2; where FILE.survey holds throughput tests, their table and the\n"
    "      download and upload maps; with --require (REQ as export takes it) the\n"
    "      share of the surveyed floor that passes, per criterion, the pass/fail\n"
    "      map and the points that fail. OUT is replaced only when whole.\n"
    "  pellorin-site recover SITE --journal JOURNAL -o OUT [--force]\n"
    "      A new site file OUT: SITE with the survey points and deletions of\n"
    "      JOURNAL (a survey journal, also one set aside as\n"
    "      SITE.journal.YYYYMMDD-HHMMSS) applied as Open's recovery applies them,\n"
    "      written as Save writes SITE (its signature as it is). SITE and JOURNAL\n"
    "      are only read; OUT must not exist. A journal written for another\n"
    "      version of SITE is refused unless --force, which applies its points by\n"
    "      position and says how many.\n"
    "  pellorin-site --help\n"
    "Exit status: 0 done, 1 the file could not be used (reason on stderr), 2 usage.\n";

int Usage(FILE* to, int status) {
    std::fputs(kUsage, to);
    return status;
}

// --require REQ into `out`; false after naming the bad part on stderr.
bool ParseRequire(const QString& text, std::optional<Requirement>& out) {
    const RequirementParse r = ParseRequirement(text.toStdString());
    if (!r.requirement) std::fprintf(stderr, "pellorin-site: %s\n", r.error.c_str());
    out = r.requirement;
    return out.has_value();
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
        bool raw = false;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                out = args[++i];
            } else if (args[i] == "--raw") {
                raw = true;
            } else if (args[i] == "--format" && i + 1 < args.size()) {
                format = args[++i];
            } else if (args[i] == "--per-point") {
                perPoint = true;
            } else if (args[i] == "--network" && i + 1 < args.size()) {
                options.network = args[++i];
            } else if (args[i] == "--require" && i + 1 < args.size()) {
                if (!ParseRequire(args[++i], options.requirement)) return 2;
            } else if (site.isEmpty() && !args[i].startsWith('-')) {
                site = args[i];
            } else {
                return Usage(stderr, 2);
            }
        }
        if (site.isEmpty() || (format != "csv" && format != "json")) return Usage(stderr, 2);
        if (!perPoint && (!options.network.isEmpty() || options.requirement))
            return Usage(stderr, 2);
        return RunExport(site, format, out, raw, perPoint ? &options : nullptr);
    }
    if (command == "recover") {
        QString site, journal, out;
        bool force = false;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                out = args[++i];
            } else if (args[i] == "--journal" && i + 1 < args.size()) {
                journal = args[++i];
            } else if (args[i] == "--force") {
                force = true;
            } else if (site.isEmpty() && !args[i].startsWith('-')) {
                site = args[i];
            } else {
                return Usage(stderr, 2);
            }
        }
        if (site.isEmpty() || journal.isEmpty() || out.isEmpty()) return Usage(stderr, 2);
        return RunRecover(site, journal, out, force);
    }
    if (command == "create") {
        CreateOptions o;
        for (qsizetype i = 1; i < args.size(); ++i) {
            bool number = true;
            if (args[i] == "-o" && i + 1 < args.size()) {
                o.site = args[++i];
            } else if (args[i] == "--page" && i + 1 < args.size()) {
                o.page = args[++i].toInt(&number);
                number = number && o.page >= 1;
            } else if (args[i] == "--dpi" && i + 1 < args.size()) {
                o.dpi = args[++i].toDouble(&number);
                number = number && o.dpi >= 1 && o.dpi <= 4800;
            } else if (args[i] == "--plan-scale" && i + 1 < args.size()) {
                o.printRatio = ParsePrintRatio(args[++i].toStdString());
                number = o.printRatio.has_value();
            } else if (args[i] == "--signature-first") {
                o.signatureFirst = true;
            } else if (args[i] == "--force") {
                o.force = true;
            } else if (o.plan.isEmpty() && !args[i].startsWith('-')) {
                o.plan = args[i];
            } else {
                return Usage(stderr, 2);
            }
            if (!number) return Usage(stderr, 2);
        }
        if (o.plan.isEmpty() || o.site.isEmpty()) return Usage(stderr, 2);
        return RunCreate(o);
    }
    if (command == "scale") {
        QString site;
        double v[5] = {};
        bool line = false, metres = false;
        for (qsizetype i = 1; i < args.size(); ++i) {
            bool number = true;
            if (args[i] == "--line" && i + 4 < args.size()) {
                for (int k = 0; k < 4 && number; ++k) v[k] = args[++i].toDouble(&number);
                line = true;
            } else if (args[i] == "--metres" && i + 1 < args.size()) {
                v[4] = args[++i].toDouble(&number);
                metres = true;
            } else if (site.isEmpty() && !args[i].startsWith('-')) {
                site = args[i];
            } else {
                return Usage(stderr, 2);
            }
            if (!number) return Usage(stderr, 2);
        }
        if (site.isEmpty() || !line || !metres) return Usage(stderr, 2);
        return RunScale(site, v[0], v[1], v[2], v[3], v[4]);
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
        ReportOptions options;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i] == "-o" && i + 1 < args.size()) {
                out = args[++i];
            } else if (args[i] == "--network" && i + 1 < args.size()) {
                options.networks << args[++i];
            } else if (args[i] == "--radius" && i + 1 < args.size()) {
                bool number = false;
                const int radius = args[++i].toInt(&number);
                if (!number || radius < kMinCoverageRadius || radius > kMaxCoverageRadius)
                    return Usage(stderr, 2);
                options.radius = radius;
            } else if (args[i] == "--require" && i + 1 < args.size()) {
                if (!ParseRequire(args[++i], options.requirement)) return 2;
            } else if (site.isEmpty() && !args[i].startsWith('-')) {
                site = args[i];
            } else {
                return Usage(stderr, 2);
            }
        }
        if (site.isEmpty() || out.isEmpty()) return Usage(stderr, 2);
        return RunReport(site, out, options);
    }
    return Usage(stderr, 2);
}

}  // namespace

int main(int argc, char** argv) {
    // The report lays out text and create renders drawings: both need the
    // GUI side of Qt, and a tool never needs a display for it.
    const bool report =
        argc > 1 && (std::strcmp(argv[1], "report") == 0 || std::strcmp(argv[1], "create") == 0);
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
