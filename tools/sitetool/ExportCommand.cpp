// export: the survey entries that Open with "keep existing data points"
// loads, as CSV for spreadsheets and desktop tools, or as the points JSON.
//
// CSV (RFC 4180: CRLF line ends, a field holding a comma, a quote, CR or LF
// is quoted and its quotes doubled), UTF-8 with the texts as the window shows
// them (control characters as "\x11") and guarded against spreadsheet
// formulas (CsvCells.h); --raw writes the texts as the JSON holds them:
//   x,y,point,channel,mac,ssid,rssi_dbm
//   100,180,TEST,11,001A2B3C0003,café-guest,-80
//   100,180,TEST,6,001A2B3C0007,'=HYPERLINK(..),-71
//   240,420,TEST,0,,,-100          <- a point where nothing was heard
//
// With --per-point one row per point group, the columns of PerPointExport.h.

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CsvCells.h"
#include "SiteCommands.h"
#include "StoredSite.h"
#include "common/TextDecode.h"
#include "requirements/PerPointExport.h"

namespace {

QByteArray Cell(const char (&field)[32], bool raw) {
    const std::string text = raw ? DecodeByteText(field) : DisplayByteText(field);
    return QByteArray::fromStdString(CsvTextCell(text, raw ? CsvText::Raw : CsvText::Guarded));
}

QByteArray Csv(const CApList& entries, bool raw) {
    QByteArray out = "x,y,point,channel,mac,ssid,rssi_dbm\r\n";
    for (const ApRecord* e = entries.First(); e != nullptr;
         e = e->next == entries.Sentinel() ? nullptr : e->next) {
        const bool placeholder = e->channel == 0;  // no access point: no MAC, no SSID
        out += QByteArray::number(e->x) + ',' + QByteArray::number(e->y) + ',';
        out += Cell(e->pointName, raw);
        out += ',' + QByteArray::number(e->channel) + ',';
        if (!placeholder) out += e->macText;
        out += ',';
        if (!placeholder) out += Cell(e->ssid, raw);
        out += ',' + QByteArray::number(static_cast<qint64>(e->rssi)) + "\r\n";
    }
    return out;
}

QByteArray PerPointCsv(const std::vector<PerPointRow>& rows, bool raw) {
    QByteArray out;
    for (const char* column : kPerPointColumns)
        out += (out.isEmpty() ? "" : ",") + QByteArray(column);
    out += "\r\n";
    for (const PerPointRow& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (i > 0) out += ',';
            const ExportCell& c = row[i];
            out += QByteArray::fromStdString(c.kind != ExportCell::Kind::kText ? c.Text()
                                             : raw ? CsvTextCell(c.text, CsvText::Raw)
                                                   : CsvTextCell(c.shown, CsvText::Guarded));
        }
        out += "\r\n";
    }
    return out;
}

QByteArray PerPointJson(const std::vector<PerPointRow>& rows) {
    QJsonArray out;
    for (const PerPointRow& row : rows) {
        QJsonObject o;
        for (size_t i = 0; i < row.size(); ++i) {
            const ExportCell& c = row[i];
            const QString key = QString::fromLatin1(kPerPointColumns[i]);
            switch (c.kind) {
                case ExportCell::Kind::kInteger:
                    o[key] = static_cast<qint64>(c.integer);
                    break;
                case ExportCell::Kind::kDecimal:
                    o[key] = c.decimal;
                    break;
                case ExportCell::Kind::kText:
                    o[key] = QString::fromStdString(c.text);
                    break;
                default:
                    o[key] = QJsonValue::Null;
            }
        }
        out.append(o);
    }
    return QJsonDocument(out).toJson(QJsonDocument::Indented);
}

// The throughput tests and noise floors the survey store beside the site
// keeps for its point groups, when the store is bound to this very version
// of the file (else its points are not the file's, and nothing is taken
// from it).
std::vector<PointMeasures> StoredMeasures(const QString& sitePath, size_t groups) {
    const StoredSite stored = ReadStoredSite(sitePath, groups);
    if (stored.throughput.empty()) return {};
    std::vector<PointMeasures> measures(groups);
    for (size_t i = 0; i < groups; ++i) {
        if (const std::optional<ThroughputOutcome>& t = stored.throughput[i]; t && t->Measured())
            measures[i].throughput = t->figures;
        measures[i].noise = ChannelNoiseOf(stored.noise[i]);
    }
    return measures;
}

int WriteStdout(const QByteArray& bytes) {
    const size_t n = static_cast<size_t>(bytes.size());
    if (std::fwrite(bytes.constData(), 1, n, stdout) != n || std::fflush(stdout) != 0)
        return Fail(QString("Cannot write the standard output: ") + std::strerror(errno));
    return 0;
}

}  // namespace

int RunExport(const QString& sitePath, const QString& format, const QString& outPath, bool raw,
              const PerPointOptions* perPoint) {
    const QFileInfo in(sitePath), out(outPath);
    if (const int refused = GuardOutput(sitePath, outPath)) return refused;

    LoadedSurvey survey(sitePath);
    const SiteStatus status = LoadSurvey(survey);
    if (!status.ok) return Fail(status);
    const CApList& entries = survey.loaded.Entries();
    QByteArray bytes;
    if (perPoint) {
        // Throughput and noise live in the survey store, not in the site file.
        std::optional<std::string> ssid;
        if (!perPoint->network.isEmpty()) {
            ssid = SsidNamed(entries, perPoint->network.toStdString());
            if (!ssid)
                return Fail("No network \"" + perPoint->network + "\" was heard in " +
                            in.fileName() + ".");
        }
        const Requirement* requirement = perPoint->requirement ? &*perPoint->requirement : nullptr;
        std::vector<PerPointRow> rows = PerPointRows(entries, ssid, requirement);
        if (const std::vector<PointMeasures> measures = StoredMeasures(sitePath, rows.size());
            !measures.empty())
            rows = PerPointRows(entries, ssid, requirement, measures);
        bytes = format == "json" ? PerPointJson(rows) : PerPointCsv(rows, raw);
    } else {
        bytes = format == "json" ? PointsJson(survey) : Csv(entries, raw);
    }
    if (outPath.isEmpty() || outPath == "-") return WriteStdout(bytes);

    if (out.exists() && !out.isFile()) {
        // A pipe or a device (-o /dev/stdout): nothing to replace, and a
        // rename would put a plain file in its place.
        QFile device(outPath);
        if (!device.open(QIODevice::WriteOnly) || device.write(bytes) != bytes.size() ||
            !device.flush())
            return Fail("Cannot write " + outPath + ": " + device.errorString());
        return 0;
    }
    // Written beside the target and renamed over it: a reader never sees
    // half a file, and a failed write leaves the old one.
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Fail("Cannot write " + outPath + ": " + file.errorString());
    return 0;
}
