// Runs the pellorin-site binary on the committed samples and on damaged
// copies of them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPdfDocument>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "CsvCells.h"
#include "SiteTestSupport.h"
#include "common/TextDecode.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "journal/SiteBinding.h"
#include "map/PointCircles.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "store/Sqlite.h"
#include "store/SurveyStore.h"
#include "survey/SiteStoreBinding.h"

namespace {

std::filesystem::path Sample(const char* name) {
    return std::filesystem::path(PELLORIN_SAMPLES) / name;
}

// A site of a width x height plan in `dir` holding the survey `list`.
std::filesystem::path SiteWith(ScratchDir& dir, const std::string& name, const CApList& list,
                               int32_t width = 37, int32_t height = 11) {
    CSiteRecord site;
    return dir.Write(name,
                     WithPoints(SmallSiteFile(width, height), EncodePointsSection(site, list)));
}

// The survey store beside `site` as the window makes it at Open, keeping the
// file's points; `fill` writes into it before it closes.
void MakeStore(const std::filesystem::path& site,
               const std::function<void(CSurveyStore&)>& fill = nullptr) {
    StoreBinding binding;
    std::string why;
    ASSERT_TRUE(ReadSiteBinding(site.string(), binding, why)) << why;
    FileSource src(site.string());
    CSiteRecord header;
    ASSERT_TRUE(ReadSiteHeader(src, header).ok);
    CSurveyStore store(nullptr);
    store.Opened(site.string(), binding, FilePointsOf(src, header), true);
    ASSERT_TRUE(store.IsOpen());
    if (fill) fill(store);
}

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject Json() const { return QJsonDocument::fromJson(out).object(); }
};

ToolRun Tool(const QStringList& args, const QString& epoch = {}) {
    QProcess p;
    if (!epoch.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SOURCE_DATE_EPOCH", epoch);
        p.setProcessEnvironment(env);
    }
    p.start(PELLORIN_SITE_TOOL, args);
    ToolRun r;
    if (!p.waitForFinished(20000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// The entries of `points` JSON, or of a list as the reader gives them, as
// "x,y point channel mac rssi ssid" lines (texts decoded as the tool does).
std::vector<std::string> EntryLines(const QJsonObject& points) {
    std::vector<std::string> lines;
    for (const QJsonValue& v : points["entries"].toArray()) {
        const QJsonObject o = v.toObject();
        lines.push_back(QString("%1,%2 %3 %4 %5 %6 %7")
                            .arg(o["x"].toInt())
                            .arg(o["y"].toInt())
                            .arg(o["pointName"].toString())
                            .arg(o["channel"].toInt())
                            .arg(o["macText"].toString())
                            .arg(o["rssi"].toInt())
                            .arg(o["ssid"].toString())
                            .toStdString());
    }
    return lines;
}
std::vector<std::string> EntryLines(const CApList& list) {
    std::vector<std::string> lines;
    for (const ApRecord* e = list.First(); e && e != list.Sentinel(); e = e->next)
        lines.push_back(std::to_string(e->x) + "," + std::to_string(e->y) + " " +
                        DecodeByteText(e->pointName) + " " + std::to_string(e->channel) + " " +
                        e->macText + " " + std::to_string(e->rssi) + " " + DecodeByteText(e->ssid));
    return lines;
}

// A journal on `site` as the window writes it, keeping the file's points:
// two recorded points, and between them the deletion of the file's first
// point (office-surveyed.hss: two entries at 100, 180).
void WriteJournal(const std::filesystem::path& site, const std::filesystem::path& journal) {
    CSiteRecord record;
    JournalBegin begin;
    ASSERT_TRUE(ReadSiteForOpen(site.string(), record) && SiteBindingOf(record, begin.binding));
    begin.keepPoints = true;
    JournalPoint p;
    p.x = 11;
    p.y = 12;
    std::strcpy(p.name, "TEST");
    JournalEntry e{6, -51, {0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE}, "00AABBCCDDEE", "recovered"};
    p.entries = {e};
    PosixFileOps ops;
    JournalWriter writer(ops);
    ASSERT_TRUE(writer.Create(journal.string(), begin, 0).ok && writer.AppendPoint(p).ok &&
                writer.AppendDeletion({1, 100, 180, 2}).ok);
    p.x = 13;
    ASSERT_TRUE(writer.AppendPoint(p).ok);
}

}  // namespace

// info describes the site, and the journal beside it when there is one.
TEST(SiteTool, InfoDescribesTheSiteAndTheJournalBesideItAndWhetherItBelongsToIt) {
    ScratchDir dir;
    const auto site = dir.Write("office.hss", ReadFileBytes(Sample("office.hss")));
    const ToolRun r = Tool({"info", Q(site)});
    ASSERT_EQ(r.status, 0) << r.err.constData();
    // signatureOffset: header, bitmap prefix and palette, 800 x 560 pixels.
    EXPECT_EQ(r.Json(), QJsonDocument::fromJson(R"({
        "headerLength": 150, "magic": 1413565472, "formatVersion": 2, "resetOnSave": 0,
        "lastSaveTime": 1735689600, "bitmapOffset": 150, "mapWidth": 800, "mapHeight": 560,
        "bitCount": 8, "sizeImage": 448000, "signatureOffset": 449228, "pointsOffset": 529228,
        "pointRecordSize": 42, "apRecordSize": 41, "points": 0, "apRecords": 0})")
                            .object());  // no journal

    WriteJournal(site, JournalPathFor(site.string()));
    const QJsonObject journal = Tool({"info", Q(site)}).Json()["journal"].toObject();
    EXPECT_EQ(journal["points"].toInt(), 2);
    EXPECT_EQ(journal["deletions"].toInt(), 1);
    EXPECT_EQ(journal["end"].toString(), "clean");
    EXPECT_TRUE(journal["matches"].toBool());
    EXPECT_EQ(journal["path"].toString(), Q(site) + ".journal");

    Bytes saved = ReadFileBytes(site);
    saved[134] ^= 1;  // lastSaveTime: saved elsewhere since
    WriteFileBytes(site, saved);
    EXPECT_FALSE(Tool({"info", Q(site)}).Json()["journal"].toObject()["matches"].toBool());
}

TEST(SiteTool, PointsListsEntriesAsOpenLoadsThemAndExportGivesThemAsCsvJsonOrPerPoint) {
    // points lists the entries and circles as Open loads them.
    const auto sample = Sample("office-surveyed.hss");
    const ToolRun points = Tool({"points", Q(sample)});
    ASSERT_EQ(points.status, 0) << points.err.constData();
    FileSource src(sample.string());
    CSiteRecord header;
    CApList loaded;
    int groups = 0;
    ASSERT_TRUE(ReadSurvey(src, header, loaded, &groups));
    const std::vector<std::string> entries = EntryLines(points.Json());
    EXPECT_EQ(entries, EntryLines(loaded));
    EXPECT_EQ(points.Json()["circles"].toArray().size(), groups);
    // The sample has what the cross-check must meet: a Latin-1 SSID, a point
    // where nothing was heard.
    const auto has = [&](const std::string& part) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const std::string& l) { return l.find(part) != l.npos; });
    };
    EXPECT_TRUE(has(" caf\xC3\xA9-guest") && has(" 0 000000000000 -100 ")) << entries.size();
    for (const QJsonValue& v : points.Json()["circles"].toArray())
        EXPECT_TRUE(v.toObject().contains("strength"));

    ScratchDir dir;
    CApList list;  // texts a spreadsheet must get back whole: , " CR LF and a Latin-1 byte
    AddEntry(list, 5, 6, 1, -41, "a,\"b\"\nc\xE9", "P,1");
    AddEntry(list, 5, 6, 6, -77, "line\r\nbreak", "P,1", 0x66);
    AddEntry(list, 9, 2, 0, 0, "FILL", "FILL");
    AddEntry(list, 30, 10, 11, -60, "", "TEST", 0x77);
    const auto odd = SiteWith(dir, "odd.hss", list);
    const ToolRun csv = Tool({"export", Q(odd)});
    ASSERT_EQ(csv.status, 0) << csv.err.constData();
    // Line breaks shown as on screen, or with --raw as they are; no MAC and no
    // SSID where nothing was heard.
    const auto rows = [](const std::string& first, const std::string& second) {
        return "x,y,point,channel,mac,ssid,rssi_dbm\r\n5,6,\"P,1\",1,001122334455," + first +
               ",-41\r\n5,6,\"P,1\",6,001122334466," + second +
               ",-77\r\n9,2,FILL,0,,,-100\r\n30,10,TEST,11,001122334477,,-60\r\n";
    };
    EXPECT_EQ(csv.out.toStdString(), rows("\"a,\"\"b\"\"\\x0Ac\xC3\xA9\"", "line\\x0D\\x0Abreak"));
    EXPECT_EQ(Tool({"export", Q(odd), "--raw"}).out.toStdString(),
              rows("\"a,\"\"b\"\"\nc\xC3\xA9\"", "\"line\r\nbreak\""));
    for (const auto& path : {sample, odd})
        EXPECT_EQ(Tool({"export", Q(path), "--format", "json"}).out, Tool({"points", Q(path)}).out);

    // -o writes the file whole; it never writes over the site it reads.
    const auto out = dir.Path() / "survey.csv";
    ASSERT_EQ(Tool({"export", Q(sample), "-o", Q(out)}).status, 0);
    const QByteArray shown = Tool({"export", Q(sample)}).out;
    EXPECT_EQ(shown.count("\r\n"),
              1 + Tool({"points", Q(sample)}).Json()["entries"].toArray().size());
    EXPECT_EQ(ReadFileBytes(out), Bytes(shown.begin(), shown.end()));
    // A pipe stays a pipe and gets the bytes; a full disk is an error.
    const auto fifo = dir.Path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(Tool({"export", Q(sample), "-o", Q(fifo)}).status, 0);
    QByteArray piped(shown.size() + 1, '\0');
    piped.resize(std::max<ssize_t>(0, read(reader, piped.data(), piped.size())));
    close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(piped, shown);
    QProcess full;
    full.setStandardOutputFile("/dev/full");
    full.start(PELLORIN_SITE_TOOL, {"export", Q(sample)});
    ASSERT_TRUE(full.waitForFinished(20000));
    EXPECT_EQ(full.exitCode(), 1);
    EXPECT_TRUE(full.readAllStandardError().startsWith("Cannot write the standard output"));

    const Bytes before = ReadFileBytes(odd);
    EXPECT_EQ(Tool({"export", Q(odd), "-o", Q(odd)}).status, 1);
    EXPECT_EQ(ReadFileBytes(odd), before);
    EXPECT_EQ(Tool({"export", Q(sample), "--format", "xml"}).status, 2);

    // --per-point: a row per point group; a bad requirement is named.
    const ToolRun perPoint = Tool(
        {"export", Q(sample), "--per-point", "--network", "pellorin-office", "--require", "voice"});
    ASSERT_EQ(perPoint.status, 0) << perPoint.err.constData();
    const QList<QByteArray> lines = perPoint.out.split('\n');
    EXPECT_EQ(lines[0],
              "x,y,point,aps,primary_dbm,primary_mac,primary_ssid,primary_channel,"
              "secondary_dbm,secondary_mac,aps_usable,cochannel,overlap,noise_dbm,snr_db,"
              "down_mbps,up_mbps,rtt_ms,retransmits,udp_jitter_ms,udp_loss_pct,pass\r");
    const QJsonArray circles = Tool({"points", Q(sample)}).Json()["circles"].toArray();
    EXPECT_EQ(lines.size(),
              circles.size() + 2);  // the header, and the empty tail after the last CRLF
    // Without noise measured the voice requirement is never passed at a point.
    for (qsizetype i = 1; i + 1 < lines.size(); ++i)
        EXPECT_TRUE(lines[i].endsWith(",no\r") || lines[i].endsWith(",unknown\r"))
            << lines[i].constData();
    const QJsonArray json =
        QJsonDocument::fromJson(Tool({"export", Q(sample), "--per-point", "--format", "json"}).out)
            .array();
    ASSERT_EQ(json.size(), circles.size());
    EXPECT_TRUE(json[0].toObject()["noise_dbm"].isNull());
    EXPECT_TRUE(json[0].toObject()["pass"].isNull());

    const ToolRun bad =
        Tool({"export", Q(sample), "--per-point", "--require", "primary=-67,snr=200"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "pellorin-site: \"snr=200\": SNR outside 0..100 dB\n");
    EXPECT_EQ(Tool({"export", Q(sample), "--per-point", "--network", "nowhere"}).status, 1);
    EXPECT_EQ(Tool({"export", Q(sample), "--require", "voice"}).status,
              2);  // only with --per-point
}

TEST(SiteTool, CreateMakesASiteWhoseMapIsTheImage) {
    ScratchDir dir;
    const auto png = Sample("office.png");
    const QImage image(Q(png));
    ASSERT_FALSE(image.isNull());
    for (bool signatureFirst : {false, true}) {
        const auto out = dir.Path() / (signatureFirst ? "b.hss" : "a.hss");
        QStringList args{"create", Q(png), "-o", Q(out)};
        if (signatureFirst) args << "--signature-first";
        const ToolRun r = Tool(args, "1234567");
        ASSERT_EQ(r.status, 0) << r.err.constData();

        const auto bytes = ReadFileBytes(out);
        MemorySource src(bytes);
        CSiteRecord site;
        ASSERT_TRUE(ReadSiteHeader(src, site).ok);
        EXPECT_EQ(std::make_tuple(site.LastSaveTime(), site.SignatureOffset(), site.BitmapOffset(),
                                  site.PointsOffset() + 8),
                  std::make_tuple(1234567u, signatureFirst ? 150u : 150u + 1078 + 800 * 560,
                                  signatureFirst ? 80150u : 150u, uint32_t(bytes.size())));
        for (size_t i = 13; i < 134; ++i) ASSERT_EQ(bytes[i], 0) << i;
        EXPECT_EQ(bytes[site.BitmapOffset()], 'B');
        EXPECT_EQ(Get32(bytes, site.SignatureOffset() + 4 * 777), 0x00FFFFFFu);
        MapBitmap map;
        ASSERT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), map).ok);
        ASSERT_EQ(map.width, image.width());
        ASSERT_EQ(map.height, image.height());
        // The plan has few colours, so the palette holds them exactly.
        for (int y = 0; y < map.height; y += 7)
            for (int x = 0; x < map.width; x += 5)
                ASSERT_EQ(map.colorTable[map.IndexAt(x, y)], image.pixel(x, y) & 0xFFFFFF)
                    << x << "," << y;
        EXPECT_EQ(Tool({"info", Q(out)}).Json()["points"].toInteger(), 0);
    }
    // An existing output only when forced; the input is never the output.
    const auto surveyed = dir.Path() / "surveyed.hss";
    std::filesystem::copy_file(Sample("office-surveyed.hss"), surveyed);
    const auto before = ReadFileBytes(surveyed);
    const ToolRun refused = Tool({"create", Q(png), "-o", Q(surveyed)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("exists already")) << refused.err.constData();
    EXPECT_EQ(ReadFileBytes(surveyed), before);
    const ToolRun forced = Tool({"create", Q(png), "-o", Q(surveyed), "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err.constData();
    EXPECT_EQ(Tool({"info", Q(surveyed)}).Json()["points"].toInteger(), 0);
    const auto copy = dir.Path() / "plan.png";
    std::filesystem::copy_file(png, copy);
    EXPECT_EQ(Tool({"create", Q(copy), "-o", Q(copy)}).status, 1);
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(png));
    EXPECT_EQ(Tool({"create", Q(dir.Path() / "missing.png"), "-o", Q(dir.Path() / "x.hss")}).status,
              1);
}

TEST(SiteTool, RenderDrawsThePlanWithTheCirclesOfItsPointsAndScaleSetsTheStoresScale) {
    ScratchDir dir;
    const auto png = Sample("office.png");
    const auto site = dir.Path() / "office.hss";
    ASSERT_EQ(Tool({"create", Q(png), "-o", Q(site)}).status, 0);
    const auto back = dir.Path() / "back.png";
    ASSERT_EQ(Tool({"render", Q(site), "-o", Q(back)}).status, 0);
    // Few colours: the palette holds them exactly, and one pixel a pixel.
    EXPECT_EQ(QImage(Q(back)).convertToFormat(QImage::Format_RGB32),
              QImage(Q(png)).convertToFormat(QImage::Format_RGB32));

    const auto surveyed = Sample("office-surveyed.hss");
    const auto shown = dir.Path() / "surveyed.png";
    ASSERT_EQ(Tool({"render", Q(surveyed), "-o", Q(shown)}).status, 0);
    const QJsonArray circles = Tool({"points", Q(surveyed)}).Json()["circles"].toArray();
    ASSERT_FALSE(circles.isEmpty());
    const QJsonObject last = circles.last().toObject();  // nothing paints over its centre
    EXPECT_EQ(QImage(Q(shown)).pixel(last["x"].toInt(), last["y"].toInt()) & 0xFFFFFFu,
              CircleStyleFor(last["strength"].toInt()).brush);

    const auto small = dir.Path() / "small.png";
    ASSERT_EQ(Tool({"render", Q(surveyed), "-o", Q(small), "--width", "400"}).status, 0);
    EXPECT_EQ(QImage(Q(small)).size(), QSize(400, 280));
    EXPECT_EQ(Tool({"render", Q(surveyed), "-o", Q(surveyed)}).status, 1);  // never over the site
    EXPECT_EQ(Tool({"render", Q(surveyed), "-o", Q(small), "--width", "0"}).status, 2);

    // The scale goes to the store, and info reports it.
    EXPECT_FALSE(Tool({"info", Q(site)}).Json().contains("metres_per_pixel"));
    const ToolRun set =
        Tool({"scale", Q(site), "--line", "0", "0", "300", "400", "--metres", "10"});
    ASSERT_EQ(set.status, 0) << set.err.constData();
    EXPECT_EQ(set.out.trimmed(), "0.02");
    EXPECT_DOUBLE_EQ(Tool({"info", Q(site)}).Json()["metres_per_pixel"].toDouble(), 0.02);
    EXPECT_EQ(Tool({"scale", Q(site), "--line", "0", "0", "0", "0", "--metres", "10"}).status, 1);
    EXPECT_EQ(Tool({"scale", Q(site), "--line", "0", "0", "9", "--metres", "10"}).status, 2);
    // An image printed at 1:200 and scanned at 100 dpi.
    const auto scaled = dir.Path() / "scaled.hss";
    ASSERT_EQ(
        Tool({"create", Q(png), "-o", Q(scaled), "--dpi", "100", "--plan-scale", "1:200"}).status,
        0);
    EXPECT_DOUBLE_EQ(Tool({"info", Q(scaled)}).Json()["metres_per_pixel"].toDouble(),
                     0.0254 / 100 * 200);
    EXPECT_EQ(Tool({"create", Q(png), "-o", Q(dir.Path() / "x.hss"), "--plan-scale", "200"}).status,
              2);
}

// The text of each page of `pdf` as QtPdf reads it (none when it does not open).
QStringList PdfPages(const std::filesystem::path& pdf) {
    QPdfDocument doc;
    QStringList pages;
    if (doc.load(Q(pdf)) != QPdfDocument::Error::None) return pages;
    for (int i = 0; i < doc.pageCount(); ++i) pages << doc.getAllText(i).text();
    return pages;
}
int Pages(const std::filesystem::path& pdf) { return static_cast<int>(PdfPages(pdf).size()); }
QString PdfText(const std::filesystem::path& pdf) { return PdfPages(pdf).join('\n'); }

TEST(SiteTool, ReportHoldsSummaryPlanACoveragePagePerNetworkAndThePagedTableOfPoints) {
    ScratchDir dir;
    const auto sample = Sample("office-surveyed.hss");
    const auto report = dir.Path() / "report.pdf";
    const ToolRun made = Tool({"report", Q(sample), "-o", Q(report)});
    ASSERT_EQ(made.status, 0) << made.err.constData();
    EXPECT_EQ(Pages(report), 5);  // summary, plan, its two networks, the table
    const QString text = PdfText(report);
    for (const char* expected :
         {"office-surveyed.hss", "800 x 560 pixels", "2025-01-01 00:00 UTC", "Plan and points",
          "-80 dBm and below", "Coverage: pellorin-office", "Coverage: café-guest",
          "Points and what was heard at each", "nothing heard", "001A2B3C0003"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;

    // Networks by MAC (any spelling) and by SSID, each once.
    ASSERT_EQ(Tool({"report", Q(sample), "-o", Q(report), "--network", "00:1a:2b:3c:00:02",
                    "--network", "café-guest", "--network", "001A2B3C0002"})
                  .status,
              0);
    EXPECT_EQ(Pages(report), 5);  // two coverage pages, not three
    const QString chosen = PdfText(report);
    EXPECT_TRUE(chosen.contains("Coverage: 001A2B3C0002"));
    EXPECT_TRUE(chosen.contains(QString::fromUtf8("Coverage: café-guest")));
    EXPECT_FALSE(chosen.contains("Coverage: pellorin-office"));

    // 300 points need more than one page of table.
    CApList list;
    for (int i = 0; i < 300; ++i) AddEntry(list, i % 37, i / 37, 6, -40 - i % 50, "long");
    const auto many = SiteWith(dir, "many.hss", list);
    ASSERT_EQ(Tool({"report", Q(many), "-o", Q(report)}).status, 0);
    EXPECT_GE(Pages(report), 3 + 4);
    EXPECT_TRUE(PdfText(report).contains("(continued)"));

    // Refusals: a clear reason, and neither a half report nor a scratch file.
    const Bytes before = ReadFileBytes(report);
    Bytes bad = SmallSiteFile();
    Put16(bad, 5, 0x5858);
    const auto damaged = dir.Write("damaged.hss", bad);
    const QStringList site{"report", Q(sample)}, out{"-o", Q(report)};
    const struct {
        QStringList args;
        int status;
        std::string error;  // empty: any
    } refused[] = {
        {site + out + QStringList{"--network", "nowhere"}, 1,
         "No network \"nowhere\" was heard in office-surveyed.hss.\n"},
        {QStringList{"report", Q(damaged)} + out, 1,
         "Not a Site File.\n" + damaged.string() + "\n"},
        {site + QStringList{"-o", Q(sample)}, 1,
         "The output file is the site file; choose another name.\n"},
        {site, 2, ""},
        {site + out + QStringList{"--radius", "0"}, 2, ""},
        {site + out + QStringList{"--require", "primary=5"}, 2, ""},
    };
    for (const auto& r : refused) {
        const ToolRun run = Tool(r.args);
        EXPECT_EQ(run.status, r.status) << r.args.join(' ').toStdString();
        if (!r.error.empty()) {
            EXPECT_EQ(run.err.toStdString(), r.error);
        }
    }
    EXPECT_EQ(ReadFileBytes(report), before);
    const auto nowhere = dir.Path() / "no-such-dir" / "r.pdf";
    EXPECT_EQ(Tool({"report", Q(sample), "-o", Q(nowhere)}).status, 1);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"damaged.hss", "many.hss", "report.pdf"}));
}

// A site of two points beside a survey store (real SQLite) that keeps what
// the window kept: the coverage choice, a throughput test at each point, and
// a scale of 5 cm a pixel; then the report of it as each case asks.
class StoredReport : public ::testing::Test {
protected:
    void SetUp() override {
        CApList list;
        AddEntry(list, 100, 100, 6, -50, "lab", "TEST", 1);
        AddEntry(list, 100, 100, 11, -60, "lab", "TEST", 2);
        AddEntry(list, 100, 100, 1, -70, "guest", "TEST", 3);
        AddEntry(list, 300, 200, 6, -80, "lab", "TEST", 1);
        site = SiteWith(dir, "two.hss", list, 400, 300);
        MakeStore(site, [](CSurveyStore& store) {
            ASSERT_EQ(store.Sequence().Size(), 2u);
            ASSERT_TRUE(store.SetCoverage({"ssid:guest", 2, 40}));
            ThroughputFigures f;
            f.downMbps = 94.25, f.upMbps = 40.5, f.downRetransmits = 3, f.upRetransmits = 0;
            f.rttMs = 1.25, f.server = "127.0.0.1:5201", f.startUtcMs = 1'765'000'000'000,
            f.seconds = 3;
            const auto& points = store.Sequence().Points();
            ASSERT_TRUE(store.ThroughputTested(points[0].id, {ThroughputFault::kNone, {}, f}));
            ASSERT_TRUE(store.ThroughputTested(
                points[1].id, {ThroughputFault::kRefused, "nothing listens at the port", {}}));
        });
        ASSERT_EQ(Tool({"scale", Q(site), "--line", "0", "0", "200", "0", "--metres", "10"}).status,
                  0);
    }
    QStringList Report(QStringList args) {
        const auto pdf = dir.Path() / "report.pdf";
        const ToolRun run = Tool(QStringList{"report", Q(site), "-o", Q(pdf)} + args);
        EXPECT_EQ(run.status, 0) << run.err.constData();
        return PdfPages(pdf);
    }

    ScratchDir dir;
    std::filesystem::path site;
};

TEST_F(StoredReport, TakesTheWindowsChoiceAndScaleFromTheStore) {
    // Each report's page count, texts by the page they are on, and a text
    // found on none of its pages.
    using OnPage = std::pair<int, const char*>;
    const struct {
        QStringList args;
        int pages;
        std::vector<OnPage> texts;
        const char* absent = nullptr;
    } cases[] = {
        {{},
         6,
         {{2, "Coverage: guest"},           // the window's network, not the five
          {2, "R = 2 m (40 plan pixels)"},  // and its radius, in metres
          {0, "1 plan pixel = 0.05 m (from a line of 10 m)"},
          {1, "5 m"},  // the plan's scale bar
          // The store's tests: the measured one's figures, the other's cause.
          {3, "1 94.25 40.50 1.25 3"},
          {3, "2 not measured: nothing listens at the port"},
          // Tried at both points, measured at one: "2 of 2" alone read as both measured.
          {3, "after the scan at 2 of 2 points, measured at 1."},
          {4, "Upload (Mbit/s)"},
          {4, "50 thru 99.99 Mbit/s"}},  // the rates' legend
         "Coverage: lab"},
        {{"--network", "lab"}, 6, {{2, "Coverage: lab"}}, "Coverage: guest"},
        {{"--radius", "100"}, 6, {{2, "R = 5 m (100 plan pixels)"}}},
        // The requirement for the window's network: point 2 hears lab alone at -80.
        {{"--require", "voice", "--network", "lab"},
         8,
         {{5, "Requirement: voice"},
          {5, "primary=-67,secondary=-75,snr=25,cochannel=1"},
          {6, "2 300 200 primary (-80 dBm), secondary (none)"},
          {5, "passes unknown fails"}},  // the map's legend
         "Coverage: guest"},
        {{"--require", "primary=-67", "--network", "lab"},
         8,
         {{5, "The whole requirement 50.0 % (12.6 m²) 0.0 % (0.0 m²) 50.0 % (12.6 m²)"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const QStringList pages = Report(c.args);
        ASSERT_EQ(pages.size(), c.pages);
        for (const auto& [page, text] : c.texts)
            EXPECT_TRUE(pages[page].contains(QString::fromUtf8(text))) << text << "\n"
                                                                       << pages[page].toStdString();
        if (c.absent) {
            EXPECT_FALSE(pages.join('\n').contains(c.absent));
        }
    }
    // Every page's text within the 15 mm margin: long lines wrap.
    Report({"--require", "voice"});
    QPdfDocument doc;
    ASSERT_EQ(doc.load(Q(dir.Path() / "report.pdf")), QPdfDocument::Error::None);
    for (int i = 0; i < doc.pageCount(); ++i)
        EXPECT_LE(doc.getAllText(i).boundingRectangle().right(),
                  doc.pagePointSize(i).width() - 15 / 25.4 * 72 + 1)
            << "page " << i;
    // Two discs of 2 m that do not meet: 2 pi 2^2 m2, to the cells' 1 %.
    const QRegularExpression area("Surveyed area: ([0-9.]+) m²");
    const QRegularExpressionMatch m = area.match(Report({})[0]);
    ASSERT_TRUE(m.hasMatch());
    EXPECT_NEAR(m.captured(1).toDouble(), 8 * M_PI, 0.01 * 8 * M_PI);
}

TEST(SiteTool, RejectsBadFilesWithOpensTextAndLeavesThemAloneAndBadUsageWithItsHelp) {
    // Every refusal's text is the one loader's (tests/survey, and the defect
    // catalogue in tests/robustness); here one of the contents and one of the
    // file itself stand for them: the reason on standard error with the file
    // named below it, nothing on standard output, and a FIFO never blocks.
    ScratchDir dir;
    Bytes bytes = SmallSiteFile();
    Put16(bytes, 5, 0x5858);
    const auto magic = dir.Write("magic.hss", bytes);
    const auto fifo = dir.Path() / "pipe.hss";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::pair<std::filesystem::path, std::string> refused[] = {
        {magic, "Not a Site File."},
        {fifo, "This is a named pipe (FIFO), not a file."},
    };
    for (const auto& [path, text] : refused) {
        for (const char* command : {"info", "points"}) {
            const ToolRun r = Tool({command, Q(path)});
            EXPECT_EQ(std::make_tuple(r.status, r.err.toStdString(), r.out.isEmpty()),
                      std::make_tuple(1, text + "\n" + path.string() + "\n", true))
                << path << " " << command;
        }
    }
    EXPECT_EQ(ReadFileBytes(magic), bytes);

    // create reads no FIFO and replaces none: it would block, or put a file
    // in the FIFO's place.
    const auto png = Q(Sample("office.png"));
    const ToolRun fromFifo = Tool({"create", Q(fifo), "-o", Q(dir.Path() / "new.hss")});
    EXPECT_EQ(fromFifo.status, 1);
    EXPECT_TRUE(fromFifo.err.contains("This is a named pipe (FIFO), not a file."));
    EXPECT_EQ(Tool({"create", png, "-o", Q(fifo)}).status, 1);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    // --help tells the usage; no command or an unknown one is a usage error.
    const ToolRun help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* usage :
         {"create PLAN -o FILE", "export FILE [--format csv|json] [--raw] [-o OUT]",
          "recover SITE --journal JOURNAL -o OUT [--force]",
          "report FILE -o PDF [--network NAME_OR_MAC ...]"})
        EXPECT_TRUE(help.out.contains(QByteArray("pellorin-site ") + usage)) << usage;
    EXPECT_EQ(std::make_pair(Tool({}).status, Tool({"frobnicate"}).status), std::make_pair(2, 2));
}

// Anyone can broadcast an SSID: a text cell a spreadsheet would run as a
// formula gets a leading quote; numbers stay numbers; --raw writes texts as
// they are.
TEST(SiteTool, ExportedTextsCannotBecomeFormulasAndPerPointRowsTakeTheStoresNoise) {
    const struct {
        const char *text, *guarded, *raw;
    } cells[] = {
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\"", "\"=HYPERLINK(\"\"x\"\")\""},
        {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0", "=cmd|' /C calc'!A0"},
        {"+1", "'+1", "+1"},
        {"-80", "'-80", "-80"},
        {"@SUM(A1)", "'@SUM(A1)", "@SUM(A1)"},
        {"\tx", "'\tx", "\tx"},
        {"\rx", "\"'\rx\"", "\"\rx\""},
        {"lab=1", "lab=1", "lab=1"},
    };
    for (const auto& c : cells) {
        EXPECT_EQ(CsvTextCell(c.text, CsvText::Guarded), c.guarded) << c.text;
        EXPECT_EQ(CsvTextCell(c.text, CsvText::Raw), c.raw) << c.text;
    }
    // Through the tool: a formula SSID and name, a UTF-8 SSID the 31-byte
    // field cut inside its last character, a control character (kept in JSON).
    ScratchDir dir;
    std::string cut;
    for (int i = 0; i < 15; ++i) cut += "\xC3\x84";
    CApList list;
    AddEntry(list, 1, 2, 6, -80, "=1+1", "-9");
    AddEntry(list, 3, 4, 11, -60, (cut + "\xC3").c_str());
    AddEntry(list, 5, 6, 1, -70, "bell\x07");
    const auto path = SiteWith(dir, "hostile.hss", list);
    EXPECT_EQ(Tool({"export", Q(path)}).out.toStdString(),
              "x,y,point,channel,mac,ssid,rssi_dbm\r\n1,2,'-9,6,001122334455,'=1+1,-80\r\n"
              "3,4,TEST,11,001122334455," +
                  cut +
                  ",-60\r\n"
                  "5,6,TEST,1,001122334455,bell\\x07,-70\r\n");
    const QJsonArray entries = Tool({"points", Q(path)}).Json()["entries"].toArray();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[2].toObject()["ssid"].toString().toStdString(), "bell\x07");
    // The per-point rows guard their texts the same way.
    const QList<QByteArray> rows = Tool({"export", Q(path), "--per-point"}).out.split('\n');
    ASSERT_EQ(rows.size(), 5);
    EXPECT_TRUE(rows[1].startsWith("1,2,'-9,1,-80,001122334455,'=1+1,6,")) << rows[1].constData();
    EXPECT_TRUE(rows[3].contains(",bell\\x07,")) << rows[3].constData();

    // The noise the survey store keeps for a point group gives its primary's
    // noise and SNR; another channel's noise gives neither.
    MakeStore(path);
    sqlite::Db db;
    db.Open(StorePathFor(path.string()), SQLITE_OPEN_READWRITE, nullptr);
    db.Exec(
        "INSERT INTO noise(point, band, channel, dbm, time_ms) SELECT id, 2, 6, -92, 0 FROM points "
        "WHERE file_index = 0 UNION ALL SELECT id, 2, 6, -60, 0 FROM points WHERE file_index = 1");
    db.Close();
    const QJsonArray json =
        QJsonDocument::fromJson(Tool({"export", Q(path), "--per-point", "--format", "json"}).out)
            .array();
    ASSERT_EQ(json.size(), 3);
    EXPECT_EQ(json[0].toObject()["noise_dbm"].toInt(), -92);
    EXPECT_EQ(json[0].toObject()["snr_db"].toInt(), 12);
    EXPECT_TRUE(json[1].toObject()["noise_dbm"].isNull() && json[1].toObject()["snr_db"].isNull());
}

// The points of a journal set aside come back into a new file; SITE and the
// journal are only read. A journal of another version of SITE is refused
// unless --force, which applies its points where they were taken.
TEST(SiteTool, RecoverWritesTheSiteWithAJournalsPointsIntoANewFile) {
    ScratchDir dir;
    const auto site = dir.Write("office.hss", ReadFileBytes(Sample("office-surveyed.hss")));
    const auto journal = dir.Path() / "office.hss.journal.20261207-051500";
    WriteJournal(site, journal);
    const Bytes siteBytes = ReadFileBytes(site), journalBytes = ReadFileBytes(journal);
    const auto out = dir.Path() / "out.hss";

    const ToolRun r = Tool({"recover", Q(site), "--journal", Q(journal), "-o", Q(out)}, "4242");
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out.toStdString(), "Recovered 2 survey points and 1 deletion into out.hss.\n");
    // What the window's recovery gives: the file's points without its first
    // point, then the two recorded ones.
    std::vector<std::string> expected = EntryLines(Tool({"points", Q(site)}).Json());
    while (expected.front().rfind("100,180 ", 0) == 0) expected.erase(expected.begin());
    const std::vector<std::string> recorded = {"11,12 TEST 6 00AABBCCDDEE -51 recovered",
                                               "13,12 TEST 6 00AABBCCDDEE -51 recovered"};
    expected.insert(expected.end(), recorded.begin(), recorded.end());
    EXPECT_EQ(EntryLines(Tool({"points", Q(out)}).Json()), expected);
    EXPECT_EQ(Tool({"info", Q(out)}).Json()["lastSaveTime"].toInt(), 4242);
    EXPECT_EQ(ReadFileBytes(site), siteBytes);
    EXPECT_EQ(ReadFileBytes(journal), journalBytes);

    // Refusals: OUT exists, OUT is SITE, usage.
    const ToolRun again = Tool({"recover", Q(site), "--journal", Q(journal), "-o", Q(out)});
    EXPECT_EQ(std::make_pair(again.status, again.err.toStdString()),
              std::make_pair(1, "Could not write site\n" + out.string() + ": File exists\n"));
    EXPECT_EQ(Tool({"recover", Q(site), "--journal", Q(journal), "-o", Q(site)}).status, 1);
    EXPECT_EQ(Tool({"recover", Q(site), "-o", Q(dir.Path() / "x.hss")}).status, 2);

    // The same journal against another site file: refused, then forced.
    const auto empty = dir.Write("empty.hss", ReadFileBytes(Sample("office.hss")));
    const auto forcedOut = dir.Path() / "forced.hss";
    const ToolRun foreign =
        Tool({"recover", Q(empty), "--journal", Q(journal), "-o", Q(forcedOut)});
    EXPECT_EQ(foreign.status, 1);
    EXPECT_EQ(foreign.err.toStdString(),
              "office.hss.journal.20261207-051500 was written for another version of empty.hss; "
              "--force applies its points by position.\n");
    EXPECT_FALSE(std::filesystem::exists(forcedOut));
    const ToolRun forced =
        Tool({"recover", Q(empty), "--journal", Q(journal), "-o", Q(forcedOut), "--force"});
    ASSERT_EQ(forced.status, 0) << forced.err.constData();
    EXPECT_EQ(forced.out.toStdString(),
              "office.hss.journal.20261207-051500 was written for another version of empty.hss: "
              "2 survey points were applied by position (1 deletion not found there and left "
              "out) into forced.hss.\n");
    EXPECT_EQ(EntryLines(Tool({"points", Q(forcedOut)}).Json()), recorded);
}
