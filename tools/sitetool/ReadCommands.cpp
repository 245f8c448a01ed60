// info and points: read a site file the way Open does and print what it holds.

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <string>

#include "SiteCommands.h"
#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "journal/SiteBinding.h"
#include "site/SiteFile.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"
#include "site/TextDecode.h"
#include "store/SurveyStore.h"

namespace {

int Reject(const SiteStatus& status) {
    std::fprintf(stderr, "%s\n", status.text.c_str());
    return 1;
}

void Print(const QJsonObject& object) {
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
}

// The survey journal beside the site file, when there is one: how many
// changes it holds, whether it belongs to this very file, and whether it ends
// with the save that wrote this file (then the file holds all of it).
void AddJournal(QJsonObject& info, const QString& sitePath, IByteSource& site) {
    const std::string path = JournalPathFor(QFile::encodeName(sitePath).toStdString());
    const JournalFile journal = ReadJournalFile(path);
    if (!journal.exists) return;
    QJsonObject j;
    j["path"] = QFile::decodeName(QByteArray::fromStdString(path));
    if (!journal.error.empty()) {
        j["error"] = QString::fromStdString(journal.error);
    } else {
        const JournalContents& c = journal.contents;
        j["points"] = static_cast<qint64>(c.PointCount());
        j["deletions"] = static_cast<qint64>(c.DeletionCount());
        j["end"] = JournalEndName(c.end);
        const JournalMatch match = MatchJournal(c, site);
        j["matches"] = match == JournalMatch::Matches;
        j["saved"] = match == JournalMatch::Saved;
    }
    info["journal"] = j;
}

// The plan's scale from the survey store beside the site, when the store
// holds one for this very plan (read only; nothing is written or told).
template <typename Opened>
void AddScale(QJsonObject& info, const QString& sitePath, Opened& file) {
    SiteFingerprint fp;
    if (!TakeSiteFingerprint(file.src, file.site,
                             sitelayout::kBitmapPrefixBytes + uint64_t{file.map.bits.size()}, fp,
                             file.map.bits.data())
             .ok)
        return;
    file.site.m_fileFingerprint = fp;
    StoreBinding mine, bound;
    CSurveyStore store(nullptr);
    if (!StoreBindingOf(file.site, mine) ||
        !store.OpenToRead(QFile::encodeName(sitePath).toStdString(), &bound) ||
        !bound.SamePlan(mine))
        return;
    if (const std::optional<PlanScaleRecord> scale = store.Scale())
        info["metres_per_pixel"] = scale->metresPerPixel;
}

QString Text(const char (&field)[32]) { return QString::fromStdString(DecodeByteText(field)); }

// Header and map as Open checks them; on failure the status to report.
struct OpenedFile {
    explicit OpenedFile(const QString& path) : src(QFile::encodeName(path).toStdString()) {}
    SiteStatus Open() {
        if (!src.Status().ok) return src.Status();
        SiteStatus status = ReadSiteHeader(src, site);
        if (!status.ok) return status;
        return ReadMapBitmap(src, site.BitmapOffset(), map);
    }
    FileSource src;
    CSiteRecord site;
    MapBitmap map;
};

}  // namespace

int RunInfo(const QString& sitePath) {
    OpenedFile file(sitePath);
    SiteStatus status = file.Open();
    if (!status.ok) return Reject(status);
    PointsTally tally;
    status = TallyPoints(file.src, file.site, tally);
    if (!status.ok) return Reject(status);

    const CSiteRecord& s = file.site;
    QJsonObject info;
    info["headerLength"] = static_cast<qint64>(s.HeaderLength());
    info["magic"] = static_cast<qint64>(s.Magic());
    info["formatVersion"] = s.FormatVersion();
    info["resetOnSave"] = s.ResetOnSave();
    info["lastSaveTime"] = static_cast<qint64>(s.LastSaveTime());
    info["bitmapOffset"] = static_cast<qint64>(s.BitmapOffset());
    info["signatureOffset"] = static_cast<qint64>(s.SignatureOffset());
    info["pointsOffset"] = static_cast<qint64>(s.PointsOffset());
    info["mapWidth"] = file.map.width;
    info["mapHeight"] = file.map.height;
    info["bitCount"] = 8;  // the only depth the reader accepts
    info["sizeImage"] = static_cast<qint64>(file.map.sizeImage);
    info["pointRecordSize"] = static_cast<qint64>(tally.pointRecordSize);
    info["apRecordSize"] = static_cast<qint64>(tally.apRecordSize);
    info["points"] = static_cast<qint64>(tally.pointGroups);
    info["apRecords"] = static_cast<qint64>(tally.apRecords);
    AddJournal(info, sitePath, file.src);
    AddScale(info, sitePath, file);
    Print(info);
    return 0;
}

SiteStatus LoadSurvey(const QString& sitePath, LoadedSurvey& out) {
    OpenedFile file(sitePath);
    SiteStatus status = file.Open();
    if (!status.ok) return status;
    return ReadPoints(
        file.src, file.site, out.entries, [&](int32_t x, int32_t y, int16_t strength) {
            out.circles.append(QJsonObject{{"x", x}, {"y", y}, {"strength", strength}});
        });
}

QByteArray PointsJson(const LoadedSurvey& survey) {
    QJsonArray list;
    for (const ApRecord* e = survey.entries.First(); e != nullptr;
         e = e->next == survey.entries.Sentinel() ? nullptr : e->next) {
        list.append(QJsonObject{{"x", e->x},
                                {"y", e->y},
                                {"pointName", Text(e->pointName)},
                                {"channel", e->channel},
                                {"macText", QString::fromLatin1(e->macText)},
                                {"ssid", Text(e->ssid)},
                                {"rssi", static_cast<qint64>(e->rssi)}});
    }
    return QJsonDocument(QJsonObject{{"entries", list}, {"circles", survey.circles}})
        .toJson(QJsonDocument::Indented);
}

int RunPoints(const QString& sitePath) {
    LoadedSurvey survey;
    const SiteStatus status = LoadSurvey(sitePath, survey);
    if (!status.ok) return Reject(status);
    const QByteArray json = PointsJson(survey);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    return 0;
}
