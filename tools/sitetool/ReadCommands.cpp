// info and points: read a site file the way Open does and print what it holds.

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <string>

#include "SiteCommands.h"
#include "StoredSite.h"
#include "aplist/ApList.h"
#include "common/TextDecode.h"
#include "journal/JournalReader.h"
#include "journal/SiteBinding.h"
#include "site/SiteRecord.h"

namespace {

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

QString Text(const char (&field)[32]) { return QString::fromStdString(DecodeByteText(field)); }

}  // namespace

int RunInfo(const QString& sitePath) {
    CSiteLoader file(QFile::encodeName(sitePath).toStdString());
    SiteStatus status = file.ReadPlan(CSiteLoader::kTakeFingerprint);  // the store binds to it
    if (!status.ok) return Fail(status);
    PointsTally tally;
    status = file.Tally(tally);
    if (!status.ok) return Fail(status);

    const CSiteRecord& s = file.Site();
    QJsonObject info;
    info["headerLength"] = static_cast<qint64>(s.HeaderLength());
    info["magic"] = static_cast<qint64>(s.Magic());
    info["formatVersion"] = s.FormatVersion();
    info["resetOnSave"] = s.ResetOnSave();
    info["lastSaveTime"] = static_cast<qint64>(s.LastSaveTime());
    info["bitmapOffset"] = static_cast<qint64>(s.BitmapOffset());
    info["signatureOffset"] = static_cast<qint64>(s.SignatureOffset());
    info["pointsOffset"] = static_cast<qint64>(s.PointsOffset());
    info["mapWidth"] = file.Plan().width;
    info["mapHeight"] = file.Plan().height;
    info["bitCount"] = 8;  // the only depth the reader accepts
    info["sizeImage"] = static_cast<qint64>(file.Plan().sizeImage);
    info["pointRecordSize"] = static_cast<qint64>(tally.pointRecordSize);
    info["apRecordSize"] = static_cast<qint64>(tally.apRecordSize);
    info["points"] = static_cast<qint64>(tally.pointGroups);
    info["apRecords"] = static_cast<qint64>(tally.apRecords);
    AddJournal(info, sitePath, file.Bytes());
    if (const std::optional<double> mpp = ReadStoredSite(sitePath, 0).MetresPerPixel())
        info["metres_per_pixel"] = *mpp;
    Print(info);
    return 0;
}

LoadedSurvey::LoadedSurvey(const QString& sitePath)
    : loaded(QFile::encodeName(sitePath).toStdString()) {}

SiteStatus LoadSurvey(LoadedSurvey& survey) {
    const SiteStatus status = survey.loaded.ReadPlan(CSiteLoader::kSkipFingerprint);
    return status.ok ? survey.loaded.ReadPoints() : status;
}

QByteArray PointsJson(const LoadedSurvey& survey) {
    const CApList& entries = survey.loaded.Entries();
    QJsonArray list;
    for (const ApRecord* e = entries.First(); e != nullptr;
         e = e->next == entries.Sentinel() ? nullptr : e->next) {
        list.append(QJsonObject{{"x", e->x},
                                {"y", e->y},
                                {"pointName", Text(e->pointName)},
                                {"channel", e->channel},
                                {"macText", QString::fromLatin1(e->macText)},
                                {"ssid", Text(e->ssid)},
                                {"rssi", static_cast<qint64>(e->rssi)}});
    }
    QJsonArray circles;
    for (const LoggedCircle& c : survey.loaded.Circles().Circles())
        circles.append(QJsonObject{{"x", c.x}, {"y", c.y}, {"strength", c.strength}});
    return QJsonDocument(QJsonObject{{"entries", list}, {"circles", circles}})
        .toJson(QJsonDocument::Indented);
}

int RunPoints(const QString& sitePath) {
    LoadedSurvey survey(sitePath);
    const SiteStatus status = LoadSurvey(survey);
    if (!status.ok) return Fail(status);
    const QByteArray json = PointsJson(survey);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    return 0;
}
