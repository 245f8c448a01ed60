#pragma once
// The subcommands of pellorin-site. Each returns the process exit status:
// 0 done, 1 a file the tool cannot accept (the reason on stderr, in the words
// Open uses), 2 a usage error.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "requirements/Requirement.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "survey/SiteLoader.h"

// The failure of a command: `text` on standard error, exit status 1.
int Fail(const QString& text);
int Fail(const SiteStatus& status);
// The one guard of every command that writes a file: 0 when `output` is not
// `input` by any name (a link, another path to it), else 1 after saying
// "The output file is the site file; choose another name." (`input` named
// by `what`). A missing file is no other file's name.
int GuardOutput(const QString& input, const QString& output, const char* what = "site file");
// Seconds since 1970, or SOURCE_DATE_EPOCH for reproducible files.
uint32_t SaveTime();

int RunInfo(const QString& sitePath);
int RunPoints(const QString& sitePath);
// A new site file from a floor plan (image, SVG or PDF page).
struct CreateOptions {
    QString plan, site;
    int page = 1;
    double dpi = 0;  // 0: 150 for a drawing, an image's own resolution
    std::optional<int64_t> printRatio;
    bool signatureFirst = false;
    bool force = false;
};
int RunCreate(const CreateOptions& options);
// Sets the plan's scale from a line of known length (plan pixels, metres)
// in the survey store beside the site; prints metres per pixel.
int RunScale(const QString& sitePath, double x1, double y1, double x2, double y2, double metres);
// The plan and its points' circles as a PNG `width` pixels wide (0: the
// plan's width), stretched as the map screen stretches.
int RunRender(const QString& sitePath, const QString& outPath, int width);

// A PDF report (A4): a summary with the signature, the plan with its circles
// and the colour legend, the coverage pages, and the table of points.
// Written beside `outPath` and renamed over it. What the survey store beside
// the site keeps (the scale, the window's coverage choice) is taken unless
// the options say otherwise.
struct ReportOptions {
    // SSIDs or MACs, a coverage page each; empty: the network the window's
    // coverage map shows, else the five heard at the most points.
    QStringList networks;
    // R in plan pixels; none: the window's (10 m with a scale), else 60.
    std::optional<int> radius;
    // Adds the requirement's pages, for the network of the first coverage
    // page where one was chosen (--network, the window's), else all.
    std::optional<Requirement> requirement;
};
int RunReport(const QString& sitePath, const QString& outPath, const ReportOptions& options);

// Everything a picture of the site needs, as Open with "keep existing data
// points" loads it; `signature` holds the signature section's 200 x 100
// words (0x00RRGGBB) top row first, or nothing when the file lacks it.
struct SiteMap {
    explicit SiteMap(const QString& sitePath);
    CSiteLoader loaded;
    std::vector<uint32_t> signature;
};
SiteStatus LoadSiteMap(SiteMap& map);

// What Open with "keep existing data points" loads: the survey entries and
// one circle per point group.
struct LoadedSurvey {
    explicit LoadedSurvey(const QString& sitePath);
    CSiteLoader loaded;
};
SiteStatus LoadSurvey(LoadedSurvey& survey);
// The points command's JSON document of a loaded survey.
QByteArray PointsJson(const LoadedSurvey& survey);

// --per-point: one row per point group instead of one per entry, for the
// network named (an SSID as shown; empty: all networks) against the
// requirement, when there is one.
struct PerPointOptions {
    QString network;
    std::optional<Requirement> requirement;
};

// The survey entries (or with perPoint the points' figures) as CSV ("csv")
// or as JSON ("json"), on standard output or, with outPath, into that file
// (replaced whole). `raw`: the CSV's texts exactly as the JSON holds them,
// without the guards that keep a spreadsheet from running a cell or a text
// from breaking a line.
int RunExport(const QString& sitePath, const QString& format, const QString& outPath, bool raw,
              const PerPointOptions* perPoint = nullptr);

// SITE with the points and deletions of JOURNAL applied as the window's
// recovery applies them, saved as a save would write it into a new file
// OUT; SITE and JOURNAL are only read. A journal of another version of SITE
// is refused unless `force`, which applies its points by position.
int RunRecover(const QString& sitePath, const QString& journalPath, const QString& outPath,
               bool force);
