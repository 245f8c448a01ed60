#pragma once
// The subcommands of pellorin-site. Each returns the process exit status:
// 0 done, 1 a file the tool cannot accept (the reason on stderr, in the words
// Open uses), 2 a usage error.

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "aplist/ApList.h"
#include "map/CircleLayer.h"
#include "requirements/Requirement.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

int RunInfo(const QString& sitePath);
int RunPoints(const QString& sitePath);
int RunCreate(const QString& imagePath, const QString& outPath, bool signatureFirst, bool force);
// The plan and its points' circles as a PNG `width` pixels wide (0: the
// plan's width), stretched as the map screen stretches.
int RunRender(const QString& sitePath, const QString& outPath, int width);

// A PDF report (A4): a summary with the signature, the plan with its circles
// and the colour legend, one coverage page per network (`networks`: SSIDs or
// MACs; empty: the five heard at the most points) at radius `radius`, and the
// table of points. Written beside `outPath` and renamed over it.
int RunReport(const QString& sitePath, const QString& outPath, const QStringList& networks,
              int radius);

// Everything a picture of the site needs, as Open with "keep existing data
// points" loads it; `signature` holds the signature section's 200 x 100
// words (0x00RRGGBB) top row first, or nothing when the file lacks it.
struct SiteMap {
    CSiteRecord site;
    MapBitmap plan;
    CCircleLayer layer;
    CApList entries;
    std::vector<uint32_t> signature;
};
SiteStatus LoadSiteMap(const QString& sitePath, SiteMap& out);

// What Open with "keep existing data points" loads: the survey entries and
// one circle per point group.
struct LoadedSurvey {
    CApList entries;
    QJsonArray circles;
};
SiteStatus LoadSurvey(const QString& sitePath, LoadedSurvey& out);
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
// (replaced whole).
int RunExport(const QString& sitePath, const QString& format, const QString& outPath,
              const PerPointOptions* perPoint = nullptr);
