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

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

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

// Words of a command line: texts, paths, or lists of them.
struct Arg {
    QStringList words;
    Arg(const char* s) : words{QString::fromUtf8(s)} {}
    Arg(const QString& s) : words{s} {}
    Arg(const std::filesystem::path& p) : words{Q(p)} {}
    Arg(const QStringList& l) : words(l) {}
};
QStringList Args(std::initializer_list<Arg> args) {
    QStringList words;
    for (const Arg& a : args) words += a.words;
    return words;
}

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject Json() const { return QJsonDocument::fromJson(out).object(); }
    QJsonArray Array() const { return QJsonDocument::fromJson(out).array(); }
};

// pellorin-site with `args`, SOURCE_DATE_EPOCH `epoch` when given, its
// standard output into `stdoutFile` when given.
ToolRun Tool(std::initializer_list<Arg> args, const char* epoch = nullptr,
             const char* stdoutFile = nullptr) {
    QProcess p;
    if (epoch) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SOURCE_DATE_EPOCH", epoch);
        p.setProcessEnvironment(env);
    }
    if (stdoutFile) p.setStandardOutputFile(stdoutFile);
    p.start(PELLORIN_SITE_TOOL, Args(args));
    ToolRun r;
    if (!p.waitForFinished(20000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
// A run that must succeed.
ToolRun Ok(std::initializer_list<Arg> args, const char* epoch = nullptr) {
    ToolRun r = Tool(args, epoch);
    EXPECT_EQ(r.status, 0) << Args(args).join(' ').toStdString() << ": " << r.err.constData();
    return r;
}
QJsonObject Info(const std::filesystem::path& site) { return Tool({"info", site}).Json(); }
QJsonObject Points(const std::filesystem::path& site) { return Tool({"points", site}).Json(); }

// The entries of `points` JSON, or of a list as the reader gives them, as
// "x,y point channel mac rssi ssid" lines (texts decoded as the tool does).
std::vector<std::string> EntryLines(const QJsonObject& points) {
    std::vector<std::string> lines;
    for (const QJsonValue& v : points["entries"].toArray()) {
        const QJsonObject o = v.toObject();
        QStringList words{QString("%1,%2").arg(o["x"].toInt()).arg(o["y"].toInt())};
        for (const char* key : {"pointName", "channel", "macText", "rssi", "ssid"})
            words << o[key].toVariant().toString();
        lines.push_back(words.join(' ').toStdString());
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

// The text of each page of `pdf` as QtPdf reads it (none when it does not open).
QStringList PdfPages(const std::filesystem::path& pdf) {
    QPdfDocument doc;
    QStringList pages;
    if (doc.load(Q(pdf)) != QPdfDocument::Error::None) return pages;
    for (int i = 0; i < doc.pageCount(); ++i) pages << doc.getAllText(i).text();
    return pages;
}

// A journal on `site` as the window writes it, keeping the file's points:
// two recorded points, and between them the deletion of the file's first
// point (office-surveyed.hss: two entries at 100, 180).
void WriteJournal(const std::filesystem::path& site, const std::filesystem::path& journal) {
    CSiteRecord record;
    JournalBegin begin;
    ASSERT_TRUE(ReadSiteForOpen(site.string(), record) && SiteBindingOf(record, begin.binding));
    begin.keepPoints = true;
    JournalPoint p{11, 12, "TEST", -90, 0, 0, {}};
    p.entries = {{6, -51, {0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE}, "00AABBCCDDEE", "recovered"}};
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
    // signatureOffset: header, bitmap prefix and palette, 800 x 560 pixels.
    EXPECT_EQ(Ok({"info", site}).Json(), QJsonDocument::fromJson(R"({
        "headerLength": 150, "magic": 1413565472, "formatVersion": 2, "resetOnSave": 0,
        "lastSaveTime": 1735689600, "bitmapOffset": 150, "mapWidth": 800, "mapHeight": 560,
        "bitCount": 8, "sizeImage": 448000, "signatureOffset": 449228, "pointsOffset": 529228,
        "pointRecordSize": 42, "apRecordSize": 41, "points": 0, "apRecords": 0})")
                                             .object());  // no journal

    WriteJournal(site, JournalPathFor(site.string()));
    const QJsonObject journal = Info(site)["journal"].toObject();
    EXPECT_EQ(std::make_tuple(journal["points"].toInt(), journal["deletions"].toInt(),
                              journal["end"].toString(), journal["matches"].toBool(),
                              journal["path"].toString()),
              std::make_tuple(2, 1, QString("clean"), true, Q(site) + ".journal"));
    Bytes saved = ReadFileBytes(site);
    saved[134] ^= 1;  // lastSaveTime: saved elsewhere since
    WriteFileBytes(site, saved);
    EXPECT_FALSE(Info(site)["journal"].toObject()["matches"].toBool());
}

TEST(SiteTool, PointsListsEntriesAsOpenLoadsThemAndExportGivesThemAsCsvJsonOrPerPoint) {
    // points lists the entries and circles as Open loads them.
    const auto sample = Sample("office-surveyed.hss");
    const QJsonObject points = Ok({"points", sample}).Json();
    FileSource src(sample.string());
    CSiteRecord header;
    CApList loaded;
    int groups = 0;
    ASSERT_TRUE(ReadSurvey(src, header, loaded, &groups));
    const std::vector<std::string> entries = EntryLines(points);
    EXPECT_EQ(entries, EntryLines(loaded));
    const QJsonArray circles = points["circles"].toArray();
    EXPECT_EQ(circles.size(), groups);
    for (const QJsonValue& v : circles) EXPECT_TRUE(v.toObject().contains("strength"));
    // The sample has what the cross-check must meet: a Latin-1 SSID, a point
    // where nothing was heard.
    std::string all;
    for (const std::string& line : entries) all += line + "\n";
    EXPECT_NE(all.find(" caf\xC3\xA9-guest\n"), all.npos);
    EXPECT_NE(all.find(" 0 000000000000 -100 "), all.npos);

    ScratchDir dir;
    CApList list;  // texts a spreadsheet must get back whole: , " CR LF and a Latin-1 byte
    AddEntry(list, 5, 6, 1, -41, "a,\"b\"\nc\xE9", "P,1");
    AddEntry(list, 5, 6, 6, -77, "line\r\nbreak", "P,1", 0x66);
    AddEntry(list, 9, 2, 0, 0, "FILL", "FILL");
    AddEntry(list, 30, 10, 11, -60, "", "TEST", 0x77);
    const auto odd = SiteWith(dir, "odd.hss", list);
    // Line breaks shown as on screen, or with --raw as they are; no MAC and no
    // SSID where nothing was heard.
    const auto rows = [](const std::string& first, const std::string& second) {
        return "x,y,point,channel,mac,ssid,rssi_dbm\r\n5,6,\"P,1\",1,001122334455," + first +
               ",-41\r\n5,6,\"P,1\",6,001122334466," + second +
               ",-77\r\n9,2,FILL,0,,,-100\r\n30,10,TEST,11,001122334477,,-60\r\n";
    };
    EXPECT_EQ(Ok({"export", odd}).out.toStdString(),
              rows("\"a,\"\"b\"\"\\x0Ac\xC3\xA9\"", "line\\x0D\\x0Abreak"));
    EXPECT_EQ(Tool({"export", odd, "--raw"}).out.toStdString(),
              rows("\"a,\"\"b\"\"\nc\xC3\xA9\"", "\"line\r\nbreak\""));
    for (const auto& path : {sample, odd})
        EXPECT_EQ(Tool({"export", path, "--format", "json"}).out, Tool({"points", path}).out);

    // -o writes the file whole; it never writes over the site it reads.
    const auto out = dir.Path() / "survey.csv";
    Ok({"export", sample, "-o", out});
    const QByteArray shown = Tool({"export", sample}).out;
    EXPECT_EQ(shown.count("\r\n"), 1 + points["entries"].toArray().size());
    EXPECT_EQ(ReadFileBytes(out), Bytes(shown.begin(), shown.end()));
    // A pipe stays a pipe and gets the bytes; a full disk is an error.
    const auto fifo = dir.Path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Ok({"export", sample, "-o", fifo});
    QByteArray piped(shown.size() + 1, '\0');
    piped.resize(std::max<ssize_t>(0, read(reader, piped.data(), piped.size())));
    close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(piped, shown);
    const ToolRun full = Tool({"export", sample}, nullptr, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.err.startsWith("Cannot write the standard output")) << full.err.constData();
    const Bytes before = ReadFileBytes(odd);
    EXPECT_EQ(Tool({"export", odd, "-o", odd}).status, 1);
    EXPECT_EQ(ReadFileBytes(odd), before);
    EXPECT_EQ(Tool({"export", sample, "--format", "xml"}).status, 2);

    // --per-point: a row per point group; a bad requirement is named.
    const QList<QByteArray> lines =
        Ok({"export", sample, "--per-point", "--network", "pellorin-office", "--require", "voice"})
            .out.split('\n');
    EXPECT_EQ(lines[0],
              "x,y,point,aps,primary_dbm,primary_mac,primary_ssid,primary_channel,"
              "secondary_dbm,secondary_mac,aps_usable,cochannel,overlap,noise_dbm,snr_db,"
              "down_mbps,up_mbps,rtt_ms,retransmits,udp_jitter_ms,udp_loss_pct,pass\r");
    EXPECT_EQ(lines.size(),
              circles.size() + 2);  // the header, and the empty tail after the last CRLF
    // Without noise measured the voice requirement is never passed at a point.
    for (qsizetype i = 1; i + 1 < lines.size(); ++i)
        EXPECT_TRUE(lines[i].endsWith(",no\r") || lines[i].endsWith(",unknown\r"))
            << lines[i].constData();
    const QJsonArray json = Tool({"export", sample, "--per-point", "--format", "json"}).Array();
    ASSERT_EQ(json.size(), circles.size());
    EXPECT_TRUE(json[0].toObject()["noise_dbm"].isNull() && json[0].toObject()["pass"].isNull());
    const ToolRun bad = Tool({"export", sample, "--per-point", "--require", "primary=-67,snr=200"});
    EXPECT_EQ(std::make_pair(bad.status, bad.err),
              std::make_pair(2, QByteArray("pellorin-site: \"snr=200\": SNR outside 0..100 dB\n")));
    EXPECT_EQ(Tool({"export", sample, "--per-point", "--network", "nowhere"}).status, 1);
    EXPECT_EQ(Tool({"export", sample, "--require", "voice"}).status, 2);  // only with --per-point
}

TEST(SiteTool, CreateMakesASiteWhoseMapIsTheImage) {
    ScratchDir dir;
    const auto png = Sample("office.png");
    const QImage image(Q(png));
    ASSERT_FALSE(image.isNull());
    for (bool signatureFirst : {false, true}) {
        const auto out = dir.Path() / (signatureFirst ? "b.hss" : "a.hss");
        const QStringList order = signatureFirst ? QStringList{"--signature-first"} : QStringList{};
        Ok({"create", png, "-o", out, order}, "1234567");
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
        EXPECT_EQ(Info(out)["points"].toInteger(), 0);
        // Few colours: the palette holds them exactly, and render gives every
        // pixel back.
        const auto back = dir.Path() / "back.png";
        Ok({"render", out, "-o", back});
        EXPECT_EQ(QImage(Q(back)).convertToFormat(QImage::Format_RGB32),
                  image.convertToFormat(QImage::Format_RGB32));
    }
    // An existing output only when forced; the input is never the output.
    const auto surveyed = dir.Path() / "surveyed.hss";
    std::filesystem::copy_file(Sample("office-surveyed.hss"), surveyed);
    const auto before = ReadFileBytes(surveyed);
    const ToolRun refused = Tool({"create", png, "-o", surveyed});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains("exists already")) << refused.err.constData();
    EXPECT_EQ(ReadFileBytes(surveyed), before);
    Ok({"create", png, "-o", surveyed, "--force"});
    EXPECT_EQ(Info(surveyed)["points"].toInteger(), 0);
    const auto copy = dir.Path() / "plan.png";
    std::filesystem::copy_file(png, copy);
    EXPECT_EQ(Tool({"create", copy, "-o", copy}).status, 1);
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(png));
    EXPECT_EQ(Tool({"create", dir.Path() / "missing.png", "-o", dir.Path() / "x.hss"}).status, 1);
}

TEST(SiteTool, RenderDrawsThePlanWithTheCirclesOfItsPointsAndScaleSetsTheStoresScale) {
    ScratchDir dir;
    const auto png = Sample("office.png");
    const auto site = dir.Path() / "office.hss";
    Ok({"create", png, "-o", site});
    const auto surveyed = Sample("office-surveyed.hss");
    const auto shown = dir.Path() / "surveyed.png", small = dir.Path() / "small.png";
    Ok({"render", surveyed, "-o", shown});
    const QJsonArray circles = Points(surveyed)["circles"].toArray();
    ASSERT_FALSE(circles.isEmpty());
    const QJsonObject last = circles.last().toObject();  // nothing paints over its centre
    EXPECT_EQ(QImage(Q(shown)).pixel(last["x"].toInt(), last["y"].toInt()) & 0xFFFFFFu,
              CircleStyleFor(last["strength"].toInt()).brush);
    Ok({"render", surveyed, "-o", small, "--width", "400"});
    EXPECT_EQ(QImage(Q(small)).size(), QSize(400, 280));
    EXPECT_EQ(Tool({"render", surveyed, "-o", surveyed}).status, 1);  // never over the site
    EXPECT_EQ(Tool({"render", surveyed, "-o", small, "--width", "0"}).status, 2);

    // The scale goes to the store, and info reports it.
    EXPECT_FALSE(Info(site).contains("metres_per_pixel"));
    EXPECT_EQ(Ok({"scale", site, "--line", "0", "0", "300", "400", "--metres", "10"}).out.trimmed(),
              "0.02");
    EXPECT_DOUBLE_EQ(Info(site)["metres_per_pixel"].toDouble(), 0.02);
    EXPECT_EQ(Tool({"scale", site, "--line", "0", "0", "0", "0", "--metres", "10"}).status, 1);
    EXPECT_EQ(Tool({"scale", site, "--line", "0", "0", "9", "--metres", "10"}).status, 2);
    // An image printed at 1:200 and scanned at 100 dpi.
    const auto scaled = dir.Path() / "scaled.hss";
    Ok({"create", png, "-o", scaled, "--dpi", "100", "--plan-scale", "1:200"});
    EXPECT_DOUBLE_EQ(Info(scaled)["metres_per_pixel"].toDouble(), 0.0254 / 100 * 200);
    EXPECT_EQ(Tool({"create", png, "-o", dir.Path() / "x.hss", "--plan-scale", "200"}).status, 2);
}

TEST(SiteTool, ReportHoldsSummaryPlanACoveragePagePerNetworkAndThePagedTableOfPoints) {
    ScratchDir dir;
    const auto sample = Sample("office-surveyed.hss");
    const auto report = dir.Path() / "report.pdf";
    Ok({"report", sample, "-o", report});
    const QStringList pages = PdfPages(report);
    EXPECT_EQ(pages.size(), 5);  // summary, plan, its two networks, the table
    for (const char* expected :
         {"office-surveyed.hss", "800 x 560 pixels", "2025-01-01 00:00 UTC", "Plan and points",
          "-80 dBm and below", "Coverage: pellorin-office", "Coverage: café-guest",
          "Points and what was heard at each", "nothing heard", "001A2B3C0003"})
        EXPECT_TRUE(pages.join('\n').contains(QString::fromUtf8(expected))) << expected;

    // Networks by MAC (any spelling) and by SSID, each once.
    Ok({"report", sample, "-o", report, "--network", "00:1a:2b:3c:00:02", "--network", "café-guest",
        "--network", "001A2B3C0002"});
    const QStringList chosen = PdfPages(report);
    EXPECT_EQ(chosen.size(), 5);  // two coverage pages, not three
    EXPECT_TRUE(chosen.join('\n').contains("Coverage: 001A2B3C0002"));
    EXPECT_TRUE(chosen.join('\n').contains(QString::fromUtf8("Coverage: café-guest")));
    EXPECT_FALSE(chosen.join('\n').contains("Coverage: pellorin-office"));

    // 300 points need more than one page of table.
    CApList list;
    for (int i = 0; i < 300; ++i) AddEntry(list, i % 37, i / 37, 6, -40 - i % 50, "long");
    Ok({"report", SiteWith(dir, "many.hss", list), "-o", report});
    const QStringList many = PdfPages(report);
    EXPECT_GE(many.size(), 3 + 4);
    EXPECT_TRUE(many.join('\n').contains("(continued)"));

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
        {Args({site, out, "--network", "nowhere"}), 1,
         "No network \"nowhere\" was heard in office-surveyed.hss.\n"},
        {Args({"report", damaged, out}), 1, "Not a Site File.\n" + damaged.string() + "\n"},
        {Args({site, "-o", sample}), 1, "The output file is the site file; choose another name.\n"},
        {site, 2, ""},
        {Args({site, out, "--radius", "0"}), 2, ""},
        {Args({site, out, "--require", "primary=5"}), 2, ""},
        {Args({site, "-o", dir.Path() / "no-such-dir" / "r.pdf"}), 1, ""},
    };
    for (const auto& r : refused) {
        const ToolRun run = Tool({r.args});
        EXPECT_EQ(run.status, r.status) << r.args.join(' ').toStdString();
        EXPECT_TRUE(r.error.empty() || run.err.toStdString() == r.error) << run.err.constData();
    }
    EXPECT_EQ(ReadFileBytes(report), before);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"damaged.hss", "many.hss", "report.pdf"}));
}

// A site of two points beside a survey store (real SQLite) that keeps what
// the window kept: the coverage choice, a throughput test at each point, and
// a scale of 5 cm a pixel; then the report of it as each case asks.
TEST(StoredReport, TakesTheWindowsChoiceAndScaleFromTheStore) {
    ScratchDir dir;
    CApList list;
    AddEntry(list, 100, 100, 6, -50, "lab", "TEST", 1);
    AddEntry(list, 100, 100, 11, -60, "lab", "TEST", 2);
    AddEntry(list, 100, 100, 1, -70, "guest", "TEST", 3);
    AddEntry(list, 300, 200, 6, -80, "lab", "TEST", 1);
    const auto site = SiteWith(dir, "two.hss", list, 400, 300), pdf = dir.Path() / "report.pdf";
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
    Ok({"scale", site, "--line", "0", "0", "200", "0", "--metres", "10"});
    const auto report = [&](const QStringList& args) {
        Ok({"report", site, "-o", pdf, args});
        return PdfPages(pdf);
    };
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
        const QStringList pages = report(c.args);
        ASSERT_EQ(pages.size(), c.pages);
        for (const auto& [page, text] : c.texts)
            EXPECT_TRUE(pages[page].contains(QString::fromUtf8(text))) << text << "\n"
                                                                       << pages[page].toStdString();
        EXPECT_FALSE(c.absent && pages.join('\n').contains(c.absent));
    }
    // Every page's text within the 15 mm margin: long lines wrap.
    report({"--require", "voice"});
    QPdfDocument doc;
    ASSERT_EQ(doc.load(Q(pdf)), QPdfDocument::Error::None);
    for (int i = 0; i < doc.pageCount(); ++i)
        EXPECT_LE(doc.getAllText(i).boundingRectangle().right(),
                  doc.pagePointSize(i).width() - 15 / 25.4 * 72 + 1)
            << "page " << i;
    // Two discs of 2 m that do not meet: 2 pi 2^2 m2, to the cells' 1 %.
    const QRegularExpressionMatch m =
        QRegularExpression("Surveyed area: ([0-9.]+) m²").match(report({})[0]);
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
            const ToolRun r = Tool({command, path});
            EXPECT_EQ(std::make_tuple(r.status, r.err.toStdString(), r.out.isEmpty()),
                      std::make_tuple(1, text + "\n" + path.string() + "\n", true))
                << path << " " << command;
        }
    }
    EXPECT_EQ(ReadFileBytes(magic), bytes);

    // create reads no FIFO and replaces none: it would block, or put a file
    // in the FIFO's place.
    const ToolRun fromFifo = Tool({"create", fifo, "-o", dir.Path() / "new.hss"});
    EXPECT_EQ(fromFifo.status, 1);
    EXPECT_TRUE(fromFifo.err.contains("This is a named pipe (FIFO), not a file."));
    EXPECT_EQ(Tool({"create", Sample("office.png"), "-o", fifo}).status, 1);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    // --help tells the usage; no command or an unknown one is a usage error.
    const QByteArray help = Ok({"--help"}).out;
    for (const char* usage :
         {"create PLAN -o FILE", "export FILE [--format csv|json] [--raw] [-o OUT]",
          "recover SITE --journal JOURNAL -o OUT [--force]",
          "report FILE -o PDF [--network NAME_OR_MAC ...]"})
        EXPECT_TRUE(help.contains(QByteArray("pellorin-site ") + usage)) << usage;
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
    EXPECT_EQ(Tool({"export", path}).out.toStdString(),
              "x,y,point,channel,mac,ssid,rssi_dbm\r\n1,2,'-9,6,001122334455,'=1+1,-80\r\n3,4,TEST,"
              "11,001122334455," +
                  cut + ",-60\r\n5,6,TEST,1,001122334455,bell\\x07,-70\r\n");
    const QJsonArray entries = Points(path)["entries"].toArray();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[2].toObject()["ssid"].toString().toStdString(), "bell\x07");
    // The per-point rows guard their texts the same way.
    const QList<QByteArray> rows = Tool({"export", path, "--per-point"}).out.split('\n');
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
    const QJsonArray json = Tool({"export", path, "--per-point", "--format", "json"}).Array();
    ASSERT_EQ(json.size(), 3);
    EXPECT_EQ(std::make_pair(json[0].toObject()["noise_dbm"].toInt(),
                             json[0].toObject()["snr_db"].toInt()),
              std::make_pair(-92, 12));
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
    const QStringList recover{"recover", Q(site), "--journal", Q(journal), "-o"};

    EXPECT_EQ(Ok({recover, out}, "4242").out.toStdString(),
              "Recovered 2 survey points and 1 deletion into out.hss.\n");
    // What the window's recovery gives: the file's points without its first
    // point, then the two recorded ones.
    std::vector<std::string> expected = EntryLines(Points(site));
    while (expected.front().rfind("100,180 ", 0) == 0) expected.erase(expected.begin());
    const std::vector<std::string> recorded = {"11,12 TEST 6 00AABBCCDDEE -51 recovered",
                                               "13,12 TEST 6 00AABBCCDDEE -51 recovered"};
    expected.insert(expected.end(), recorded.begin(), recorded.end());
    EXPECT_EQ(EntryLines(Points(out)), expected);
    EXPECT_EQ(Info(out)["lastSaveTime"].toInt(), 4242);
    EXPECT_EQ(ReadFileBytes(site), siteBytes);
    EXPECT_EQ(ReadFileBytes(journal), journalBytes);

    // Refusals: OUT exists, OUT is SITE, usage.
    const ToolRun again = Tool({recover, out});
    EXPECT_EQ(std::make_pair(again.status, again.err.toStdString()),
              std::make_pair(1, "Could not write site\n" + out.string() + ": File exists\n"));
    EXPECT_EQ(Tool({recover, site}).status, 1);
    EXPECT_EQ(Tool({"recover", site, "-o", dir.Path() / "x.hss"}).status, 2);

    // The same journal against another site file: refused, then forced.
    const auto empty = dir.Write("empty.hss", ReadFileBytes(Sample("office.hss")));
    const auto forcedOut = dir.Path() / "forced.hss";
    const ToolRun foreign = Tool({"recover", empty, "--journal", journal, "-o", forcedOut});
    EXPECT_EQ(std::make_pair(foreign.status, foreign.err.toStdString()),
              std::make_pair(1, std::string("office.hss.journal.20261207-051500 was written for "
                                            "another version of empty.hss; --force applies its "
                                            "points by position.\n")));
    EXPECT_FALSE(std::filesystem::exists(forcedOut));
    EXPECT_EQ(
        Ok({"recover", empty, "--journal", journal, "-o", forcedOut, "--force"}).out.toStdString(),
        "office.hss.journal.20261207-051500 was written for another version of empty.hss: "
        "2 survey points were applied by position (1 deletion not found there and left "
        "out) into forced.hss.\n");
    EXPECT_EQ(EntryLines(Points(forcedOut)), recorded);
}
