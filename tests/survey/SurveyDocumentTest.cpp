// The survey document without a window: loading (every refusal leaves the
// open survey alone), the edit commands and what their listeners hear, the
// unsaved state, saving and reading back, and the journal under recovery and
// under failing file calls. The point session beside it, with a scripted
// source.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "FifoRescue.h"
#include "LayerPixels.h"
#include "ScratchDir.h"
#include "SiteTestSupport.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "journal/SiteBinding.h"
#include "map/SurveyMap.h"
#include "requirements/SiteMetric.h"
#include "site/FileOps.h"
#include "site/SiteSave.h"
#include "sources/PointSession.h"
#include "store/StoreBinding.h"
#include "survey/SiteCoverage.h"
#include "survey/SiteIperfServer.h"
#include "survey/SiteLoader.h"
#include "survey/SurveyDocument.h"

namespace fs = std::filesystem;

namespace {

constexpr time_t kNow = 1796620500;  // 2026-12-07 05:15:00 UTC

struct Heard {
    uint8_t macLast;
    int64_t sum;
    int32_t readings = 1;
};

// What a survey is, to compare one with another: its entries, counters and
// the map its listeners painted.
struct Snapshot {
    std::vector<SurveyEntry> entries;
    int32_t locations = 0, aps = 0;
    std::vector<uint32_t> layer;
    std::vector<int32_t> circles;  // x, y, strength, records of each
    bool operator==(const Snapshot&) const = default;
};

// x, y, strength and records of each logged circle.
std::vector<int32_t> CircleFigures(const CCircleLog& log) {
    std::vector<int32_t> out;
    for (const LoggedCircle& c : log.Circles())
        out.insert(out.end(), {c.x, c.y, c.strength, c.records});
    return out;
}

class SurveyDocumentTest : public ::testing::Test, public ISurveyListener {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        scanList.RemoveAll();
        surveyList.RemoveAll();
    }

    std::string Site(const std::string& name) {
        return dir.Write(name, SmallSiteFile(240, 268)).string();
    }
    std::unique_ptr<CSurveyDocument> NewDocument(FileOps* ops = nullptr) {
        auto d = std::make_unique<CSurveyDocument>(
            [this](const std::string& caption, const std::string& text) {
                told.push_back(caption + ": " + text);
            });
        d->AddListener(this);
        d->Journal().UseClock([] { return kNow; });
        if (ops != nullptr) d->UseFileOps(ops);
        return d;
    }
    // Open as the window runs it: plan, the journal beside it, the points
    // when kept, then the document adopts the site.
    SiteStatus Open(CSurveyDocument& d, const std::string& path, bool keep, bool recover = false) {
        CSiteLoader loader(path);
        SiteStatus status = loader.ReadPlan();
        if (!status.ok) return status;
        SiteOpening opening = d.Prepare(loader);
        OpenChoice choice;
        choice.keptPoints = keep;
        if (recover && opening.journal.kind == JournalFound::Recoverable) {
            choice.recover = OpenChoice::Recover::kJournal;
            choice.keptPoints = opening.journal.contents.begin.keepPoints;
        }
        if (choice.keptPoints && !(status = loader.ReadPoints()).ok) return status;
        d.Adopt(loader, opening, choice);
        return status;
    }
    RecordedPoint Record(CSurveyDocument& d, int32_t x, int32_t y, const std::vector<Heard>& aps,
                         const std::vector<ScanNoise>& noise = {}) {
        d.BeginPoint(x, y);
        for (const ScanNoise& n : noise) scanList.LogNoise(n.band, n.channel, n.dbm);
        for (const Heard& h : aps) {
            ApRecord* r = nullptr;
            if (scanList.NewRecord(r) != CApList::kOk) std::abort();
            r->mac[5] = h.macLast;
            FormatMacText(r->mac, r->macText);
            std::snprintf(r->ssid, sizeof r->ssid, "ap%d", h.macLast);
            r->channel = 6;
            r->rssi = h.sum;
            r->readingCount = h.readings;
            r->hasBeacon = 1;
            scanList.AddTail(r);
            scanList.BeginBatch();
            for (int32_t i = 0; i < h.readings; ++i)
                scanList.LogReading(r->mac, h.sum / h.readings, ReadingSource::kBoard);
        }
        return d.Apply(RecordScanCommand{});
    }
    DeletedPoint DeleteAt(CSurveyDocument& d, int32_t x, int32_t y) {
        if (!d.SelectNearestPoint(x, y)) return {};
        return d.Apply(DeletePointCommand::OfSelection(*d.Site()));
    }
    Snapshot Take(const CSurveyDocument& d) const {
        return Snapshot{AllEntries(surveyList), d.LocationCount(), d.ApCount(),
                        LayerPixels(map.Layer()), CircleFigures(map.Circles())};
    }

    // The window's part of a listener: the map follows the survey.
    void SiteReplaced(CSiteLoader& loaded) override {
        map.Adopt(std::move(loaded.Plan()), std::move(loaded.Layer()), std::move(loaded.Circles()));
        heard.push_back("site");
    }
    void PointRecorded(const RecordedPoint& p) override {
        map.PaintPoint(p.x, p.y, p.bestRssi, p.records);
        Hear("recorded %d,%d best %d first %d records %d%s", p.x, p.y, p.bestRssi, p.firstRecord,
             p.records, p.heard ? "" : " nothing heard");
    }
    void PointDeleted(const DeletedPoint& p) override {
        map.EraseRecords(p.firstRecord, p.records);
        Hear("deleted first %d records %d", p.firstRecord, p.records);
    }
    template <typename... T>
    void Hear(const char* format, T... values) {
        char line[120];
        std::snprintf(line, sizeof line, format, values...);
        heard.push_back(line);
    }
    void Saved() override { heard.push_back("saved"); }

    ScratchDir dir;
    std::vector<std::string> told, heard;
    CSurveyMap map;
};

}  // namespace

TEST_F(SurveyDocumentTest, EditsAreCommandsThatListenersHearAndThatMakeTheSurveyUnsaved) {
    auto doc = NewDocument();
    EXPECT_TRUE(doc->Save(NoInk, 1).text.starts_with(kSiteUpdateText));  // no site yet
    const std::string path = Site("a.hss");
    ASSERT_TRUE(Open(*doc, path, false).ok);
    EXPECT_FALSE(doc->HasUnsavedChanges());
    Record(*doc, 40, 50, {{0x01, -187, 3}, {0x02, -45}});  // -187 / 3 truncates to -62
    Record(*doc, 120, 60, {});
    Record(*doc, 200, 200, {{0x03, -141, 2}});
    EXPECT_TRUE(doc->HasUnsavedChanges());
    EXPECT_EQ(DeleteAt(*doc, 118, 62).records, 1);
    // A point no longer where the command says: nothing deleted, nothing heard.
    EXPECT_EQ(doc->Apply(DeletePointCommand{3, 120, 60}).records, 0);
    EXPECT_EQ(heard,
              (std::vector<std::string>{"site", "recorded 40,50 best -45 first 1 records 2",
                                        "recorded 120,60 best -90 first 3 records 1 nothing heard",
                                        "recorded 200,200 best -70 first 4 records 1",
                                        "deleted first 3 records 1"}));
    // Deleting leaves the counters of the status panes.
    EXPECT_EQ(std::make_pair(doc->LocationCount(), doc->ApCount()), std::make_pair(3, 3));

    // A file that is refused leaves the open survey as it was, unsaved.
    const CSiteRecord* site = doc->Site();
    const Snapshot before = Take(*doc);

    Bytes bad = ReadFileBytes(path);
    bad[4] = 'X';
    const std::string fifo = (dir.Path() / "pipe.hss").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    FifoRescue rescue(fifo);
    const std::string huge = (dir.Path() / "huge.hss").string();  // a sparse 1 GB map
    WriteSparseSite(huge, SmallSiteFile(), 32767, 32767, 32768u * 32767u);
    const struct {
        std::string path, text, caption;
    } cases[] = {
        // The reader's every message is the site defects'; one stands for them here.
        {dir.Write("bad.hss", bad).string(), "Not a Site File.", "File Error"},
        {(dir.Path() / "none.hss").string(), std::system_category().message(ENOENT),
         "File Open Error"},
        {fifo, "This is a named pipe (FIFO), not a file.", "File Open Error"},
        {"/dev/null", "This is a device, not a file.", "File Open Error"},
        {huge, "Not enough memory for the site map.", "File Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const SiteStatus status = Open(*doc, c.path, true);  // the file named below
        EXPECT_EQ(std::make_pair(status.text, status.caption),
                  std::make_pair(c.text + "\n" + c.path, c.caption));
        EXPECT_TRUE(doc->Site() == site && doc->Path() == path && doc->HasUnsavedChanges());
        EXPECT_EQ(Take(*doc), before);
    }
    EXPECT_FALSE(rescue.Rescued()) << "Open blocked on the FIFO";

    ASSERT_TRUE(doc->Save(NoInk, 1000).ok);
    EXPECT_TRUE(!doc->HasUnsavedChanges() && heard.back() == "saved");
    std::vector<SurveyEntry> stored;
    ASSERT_TRUE(ReadStoredPoints(path, stored));
    EXPECT_EQ(stored, AsStored(surveyList));

    // Open again keeping the file's points: loaded, not recorded, and saved.
    ASSERT_TRUE(Open(*doc, path, true).ok);
    EXPECT_EQ(AsStored(surveyList), stored);
    EXPECT_EQ(std::make_tuple(map.Circles().Circles().size(), doc->LocationCount(),
                              doc->HasUnsavedChanges()),
              std::make_tuple(2u, 0, false));
    ASSERT_TRUE(Open(*doc, path, false).ok);
    EXPECT_TRUE(surveyList.IsEmpty());

    // Saves follow the file's own saves, and refuse a file replaced on disk
    // by another program's site (a file gone: SaveTest).
    Record(*doc, 40, 50, {{0x01, -30}});
    ASSERT_TRUE(doc->Save(NoInk, 2).ok);
    Record(*doc, 90, 50, {{0x02, -60}});
    ASSERT_TRUE(doc->Save(NoInk, 3).ok);
    const Bytes photo = SmallSiteFile(300, 200);
    WriteFileBytes(path, photo);
    Record(*doc, 140, 50, {{0x03, -50}});
    EXPECT_EQ(doc->Save(NoInk, 4).text, SaveFailureText(kSiteUpdateText, path, kFileChangedReason));
    EXPECT_TRUE(ReadFileBytes(path) == photo && doc->HasUnsavedChanges());
}

// The store follows the survey too: readings kept with each recorded point,
// gone with a deleted one, found again at the next Open, given back by a
// recovery; the scale kept with the plan.
TEST_F(SurveyDocumentTest, ARecoveredSurveyIsTheSurveyAsItWasBeforeTheCrash) {
    const std::string path = Site("a.hss");
    const auto readings = [](CSurveyDocument& d) {
        std::vector<int64_t> each;
        for (size_t i = 0; i < d.Store().Sequence().Size(); ++i) {
            each.push_back(0);
            for (const ApStatistics& a : d.Store().PointStatistics(i)) each.back() += a.readings;
        }
        return each;
    };
    std::string image;
    Snapshot beforeCrash, afterDeletion;
    {
        auto doc = NewDocument();
        ASSERT_TRUE(Open(*doc, path, false).ok);
        ASSERT_TRUE(doc->Store().IsOpen());
        Record(*doc, 40, 50, {{0x01, -187, 3}, {0x02, -45}});
        Record(*doc, 52, 56, {{0x03, -70}});  // over the first circle
        DeleteAt(*doc, 53, 57);
        EXPECT_EQ(readings(*doc), (std::vector<int64_t>{4}));
        EXPECT_TRUE(doc->SetScale(0, 0, 100, 0, 5).metresPerPixel.has_value());
        ASSERT_TRUE(doc->Save(NoInk, 1000).ok);  // the journal begins again on the saved file
        Record(*doc, 60, 60, {});                // nothing heard, over the saved point
        Record(*doc, 200, 200, {{0x04, -161, 2}});
        DeleteAt(*doc, 41, 49);  // a point the saved file holds
        beforeCrash = Take(*doc);
        ASSERT_EQ(beforeCrash.locations, 4);
        // What the disk holds now, as a crash would leave it.
        fs::create_directory(dir.Path() / "crash");
        image = (dir.Path() / "crash" / "a.hss").string();
        for (const std::string suffix : {"", ".journal", ".survey", ".survey-wal"})
            if (fs::exists(path + suffix)) fs::copy_file(path + suffix, image + suffix);
        DeleteAt(*doc, 199, 201);
        afterDeletion = Take(*doc);
    }
    auto doc = NewDocument();
    ASSERT_TRUE(Open(*doc, image, false, true).ok);
    EXPECT_EQ(Take(*doc), beforeCrash);
    EXPECT_EQ(readings(*doc), (std::vector<int64_t>{0, 2}));
    EXPECT_TRUE(doc->HasUnsavedChanges());
    // The circle log came back too: a deletion takes exactly its circle off.
    DeleteAt(*doc, 199, 201);
    EXPECT_EQ(Take(*doc), afterDeletion);
    EXPECT_EQ(ReadJournalFile(JournalPathFor(image)).contents.DeletionCount(), 2u);
    // A save removes the journal and begins a new one on the saved file.
    ASSERT_TRUE(doc->Save(NoInk, 2000).ok);
    const JournalContents next = ReadJournalFile(JournalPathFor(image)).contents;
    EXPECT_TRUE(next.changes.empty() && next.begin.locationCount == 4);
    // The site, its journal, its lock, and the store with its two logs while open.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "crash"), {}), 6);
    // The survey left unsaved, the recovery declined: the saved file's point
    // with its readings, and the scale.
    ASSERT_TRUE(Open(*doc, path, true).ok);
    EXPECT_TRUE(readings(*doc) == std::vector<int64_t>{4} && told.empty());
    EXPECT_DOUBLE_EQ(doc->MetresPerPixel().value_or(0), 0.05);
}

TEST_F(SurveyDocumentTest, AJournalOrAStoreThatCannotBeWrittenIsToldOnceAndTheSurveyGoesOn) {
    // Open, two points, one deleted, a save, one more point.
    const auto survey = [&](CSurveyDocument& doc, const std::string& path) {
        ASSERT_TRUE(Open(doc, path, false).ok);
        Record(doc, 40, 50, {{0x01, -187, 3}, {0x02, -45}});
        Record(doc, 150, 60, {{0x03, -70}});
        DeleteAt(doc, 41, 51);
        ASSERT_TRUE(doc.Save(NoInk, 1000).ok);
        Record(doc, 100, 200, {{0x04, -161, 2}});
    };
    // The journal's calls only: the save writes through the real ones.
    FaultyFileOps counting;
    std::vector<SurveyEntry> whole;
    const std::string working = Site("f.hss"), blocked = Site("b.hss");
    {
        auto doc = NewDocument();
        doc->Journal().UseFileOps(&counting);
        survey(*doc, working);
        whole = AllEntries(surveyList);
        EXPECT_TRUE(told.empty());
    }
    ASSERT_GT(counting.calls, 20);
    // A store that cannot be made (a directory in its place) is told once;
    // every point is recorded, and the site file is byte for byte the one a
    // survey with a working store saves.
    fs::create_directory(StorePathFor(blocked));
    survey(*NewDocument(), blocked);
    EXPECT_TRUE(AllEntries(surveyList) == whole &&
                ReadFileBytes(working) == ReadFileBytes(blocked));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].starts_with("Survey Store: Readings behind the survey points are not kept"))
        << told[0];

    // Every journal call failing in turn, then a disk that is full throughout.
    for (int n = 1; n <= counting.calls + 1; ++n) {
        const bool full = n > counting.calls;
        SCOPED_TRACE(full ? std::string("disk full")
                          : "call " + std::to_string(n) + " (" + counting.kinds[n - 1] + ")");
        const std::string path = Site("f" + std::to_string(n) + ".hss");
        FaultyFileOps ops;
        ops.failAnyAt = full ? 0 : n;
        ops.spaceLeft = full ? 0 : -1;
        told.clear();
        {
            auto doc = NewDocument();
            doc->Journal().UseFileOps(&ops);
            survey(*doc, path);
            EXPECT_EQ(AllEntries(surveyList), whole);
            EXPECT_EQ(doc->LocationCount(), 3);
            ASSERT_EQ(told.size(), full ? 1u : std::min<size_t>(told.size(), 1));
            if (!told.empty()) {
                EXPECT_TRUE(told[0].starts_with(
                    "Survey Journal: Survey points are not protected against a crash: "))
                    << told[0];
                EXPECT_GT(told[0].size(), 68u);  // and the system's reason
                continue;
            }
        }
        // Nothing said: then the journal keeps the survey whole.
        auto doc = NewDocument();
        ASSERT_TRUE(Open(*doc, path, false, true).ok);
        EXPECT_EQ(AllEntries(surveyList), whole);
    }
}

namespace {

// A source that does what the test says, and a session owner that writes
// down what it is told.
class ScriptedSource : public IMeasurementSource {
public:
    bool finished = false, givenUp = false;
    std::string lossText;
    SourceState state = SourceState::kConnected;
    std::vector<std::string> calls;
    void SetNotifier(IDrawNotifier*) override {}
    void StartScan(int32_t x, int32_t y, ScanTrigger) override {
        calls.push_back("scan " + std::to_string(x) + "," + std::to_string(y));
    }
    void CancelScan() override { calls.push_back("cancel"); }
    bool TakeFinishedScan() override { return std::exchange(finished, false); }
    bool ScanGivenUp() const override { return givenUp; }
    SourceState State() const override { return state; }
    SourceTexts StartupTexts() const override { return {}; }
    std::string NoticeText() const override { return state == SourceState::kGone ? "gone" : ""; }
    std::string ScanLossText() const override { return lossText; }
    uint16_t ChannelCells() const override { return 0; }
};

class Owner : public IPointSessionOwner {
public:
    std::vector<std::string> told;
    void PointFinished() override { told.push_back("finished"); }
    void PointUnrecorded(const std::string& why) override { told.push_back("unrecorded " + why); }
    void SourceChanged(SourceState s) override {
        told.push_back(s == SourceState::kGone ? "lost" : "present");
    }
    void RunLater(std::function<void()> fn) override {
        told.push_back("later");
        fn();
    }
};

}  // namespace

TEST(PointSession, EachPointEndsOnceFinishedOrUnrecordedAndWhatWaitsForItRunsAfter) {
    const struct {
        const char* what;
        std::function<void(ScriptedSource&, CPointSession&)> end;
        std::vector<std::string> told;
    } cases[] = {
        {"finished",
         [](ScriptedSource& s, CPointSession& p) { s.finished = true, p.OnDraw(); },
         {"finished", "later", "after"}},
        {"cancelled",
         [](ScriptedSource&, CPointSession& p) { p.Cancel(); },
         {"later", "after", "unrecorded "}},
        {"refused",
         [](ScriptedSource& s, CPointSession& p) {
             s.givenUp = true, s.lossText = "no scans", p.OnSourceState();
         },
         {"later", "after", "unrecorded no scans", "present"}},
        {"lost",
         [](ScriptedSource& s, CPointSession& p) {
             s.givenUp = true, s.state = SourceState::kGone, p.OnSourceState();
         },
         {"later", "after", "unrecorded ", "lost"}},
        {"a scan nobody waits for",
         [](ScriptedSource& s, CPointSession& p) {
             p.Cancel(), s.finished = true, p.OnDraw(), s.givenUp = true, p.OnSourceState();
         },
         {"later", "after", "unrecorded ", "present"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Owner owner;
        auto source = std::make_unique<ScriptedSource>();
        ScriptedSource& s = *source;
        CPointSession session(owner, std::move(source));
        ASSERT_TRUE(session.Start(10, 20, ScanTrigger::kTap));
        EXPECT_FALSE(session.Start(30, 40, ScanTrigger::kTap));  // one point at a time
        session.AfterPoint([&owner] { owner.told.push_back("after"); });
        EXPECT_EQ(session.NoticeText(), "Closing when this scan has ended\xE2\x80\xA6");
        c.end(s, session);
        EXPECT_EQ(owner.told, c.told);
        EXPECT_FALSE(session.Pending());
        EXPECT_EQ(s.calls.front(), "scan 10,20");
        EXPECT_EQ(session.NoticeText(), s.NoticeText());
    }
}

// One Pellorin per site. The test's own lock stands for the other program:
// an open-file-description lock of another descriptor refuses this one as
// another process's would (the two-process cases are tests/site's).
TEST_F(SurveyDocumentTest, ASiteAnotherPellorinHoldsIsOnlyViewedAndSaveAsMovesTheLockAndJournal) {
    const std::string path = Site("a.hss");
    {
        auto doc = NewDocument();
        ASSERT_TRUE(Open(*doc, path, false).ok);
        Record(*doc, 40, 50, {{0x01, -45}});
    }  // killed, as far as the disk knows: the journal holds the point
    CSiteLock other;
    ASSERT_EQ(other.Take(path).kind, SiteLockResult::Kind::Taken);
    const Bytes site = ReadFileBytes(path), journal = ReadFileBytes(JournalPathFor(path));
    {
        auto doc = NewDocument();
        CSiteLoader loader(path);
        ASSERT_TRUE(loader.ReadPlan().ok);
        SiteOpening opening = doc->Prepare(loader);
        ASSERT_TRUE(opening.ViewOnly());
        EXPECT_EQ(opening.journal.kind, JournalFound::None);  // not even looked at
        ASSERT_TRUE(loader.ReadPoints().ok);
        doc->Adopt(loader, opening, OpenChoice{});
        EXPECT_EQ(Record(*doc, 100, 100, {{0x02, -50}}).records, 0);
        EXPECT_TRUE(doc->ViewOnly() && !doc->HasUnsavedChanges());
        const SiteStatus save = doc->Save(NoInk, 1);
        EXPECT_EQ(save.caption + ": " + save.text, std::string(kSiteInUseCaption) + ": " +
                                                       kViewOnlyText + "\n" + path + ": " +
                                                       opening.lock.Message());
        EXPECT_FALSE(
            doc->SaveAs(dir.Path() / "b.hss", map.Plan(), NoInk, 1, ReplaceExisting::No).ok);
    }
    EXPECT_TRUE(ReadFileBytes(path) == site && ReadFileBytes(JournalPathFor(path)) == journal);
    EXPECT_FALSE(fs::exists(dir.Path() / "b.hss"));
    // The holder is gone: the next Open recovers its point.
    other.Release();
    auto doc = NewDocument();
    ASSERT_TRUE(Open(*doc, path, false, true).ok);
    EXPECT_TRUE(surveyList.Count() == 1 && told.empty());

    // Save As makes the new file the open site, with its lock and journal;
    // never onto a site another Pellorin holds.
    const std::string &a = path, b = (dir.Path() / "b.hss").string();
    const std::string taken = Site("taken.hss"), there = Site("there.hss");
    ASSERT_EQ(other.Take(taken).kind, SiteLockResult::Kind::Taken);
    const struct {
        std::string path, reason;
    } refused[] = {
        {taken,
         "This site is open in another Pellorin (process " + std::to_string(::getpid()) + ")."},
        {there, "File exists"},  // never over a file unasked
    };
    for (const auto& r : refused) {
        const SiteStatus status = doc->SaveAs(r.path, map.Plan(), NoInk, 5, ReplaceExisting::No);
        EXPECT_EQ(status.text, std::string(kSiteWriteText) + "\n" + r.path + ": " + r.reason);
        EXPECT_EQ(doc->Path(), a);
        EXPECT_FALSE(fs::exists(LockPathFor(there)));  // let go again
    }
    ASSERT_TRUE(doc->SetScale(0, 0, 100, 0, 5).metresPerPixel);
    ASSERT_TRUE(doc->SaveAs(b, map.Plan(), NoInk, 5, ReplaceExisting::No).ok);
    EXPECT_EQ(doc->Path(), b);
    EXPECT_TRUE(!doc->HasUnsavedChanges() && heard.back() == "saved" && told.empty());
    // The lock and the journal moved with the survey; the old file's are gone.
    EXPECT_FALSE(fs::exists(LockPathFor(a)) || fs::exists(JournalPathFor(a)));
    CSiteLock second;
    EXPECT_EQ(second.Take(b).kind, SiteLockResult::Kind::HeldByOther);
    Record(*doc, 60, 60, {{0x02, -50, 2}});
    const JournalContents moved = ReadJournalFile(JournalPathFor(b)).contents;
    EXPECT_EQ(std::make_pair(moved.PointCount(), moved.begin.locationCount),
              std::make_pair(size_t{1}, 1));
    CSiteLoader back(b);
    ASSERT_TRUE(back.ReadPlan().ok);
    JournalBinding saved;  // the new journal is bound to the new file as saved
    ASSERT_TRUE(SiteBindingOf(back.Site(), saved));
    EXPECT_EQ(moved.begin.binding, saved);
    ASSERT_TRUE(back.ReadPoints().ok);
    EXPECT_EQ(back.Entries().Count(), 1);
    // The store went with the survey: the readings before and after Save As
    // and the scale are the new file's; the old file's store is as it was.
    const auto readings = [](CSurveyStore& store) {
        return std::make_pair(store.PointReadings(0).size(), store.PointReadings(1).size());
    };
    ASSERT_EQ(doc->Store().Sequence().Size(), 2u);
    EXPECT_EQ(readings(doc->Store()), std::make_pair(size_t{1}, size_t{2}));
    EXPECT_FALSE(fs::exists(b + ".survey.saving"));
    CSurveyStore old({});
    ASSERT_TRUE(old.OpenToRead(a));
    EXPECT_EQ(readings(old), std::make_pair(size_t{1}, size_t{0}));
    ASSERT_TRUE(doc->Save(NoInk, 6).ok);
    ASSERT_TRUE(Open(*doc, b, true).ok);
    EXPECT_EQ(doc->Store().PointReadings(1).size(), 2u);
    EXPECT_DOUBLE_EQ(doc->MetresPerPixel().value_or(0), 0.05);
    // A store already beside the file Save As replaces is kept aside.
    dir.Write("there.hss.survey", Bytes{'o', 'l', 'd'});
    ASSERT_TRUE(doc->SaveAs(there, map.Plan(), NoInk, 7, ReplaceExisting::Yes).ok);
    ASSERT_EQ(told.size(), 1u);
    const std::string kept =
        "Survey Store: The survey store that was beside there.hss was kept as ";
    ASSERT_TRUE(told[0].starts_with(kept)) << told[0];
    const std::string aside = told[0].substr(kept.size(), told[0].size() - kept.size() - 1);
    EXPECT_EQ(ReadFileBytes((dir.Path() / aside).string()), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(doc->Store().PointReadings(1).size(), 2u);
}

// The coverage map's choice goes with its site: kept in the store when it is
// made or the scale is set, back at Open, in metres where there is a scale.
// So does the iperf3 server set in the window.
TEST_F(SurveyDocumentTest, TheCoverageChoiceAndTheIperfServerAreKeptInTheStoreAndBackAtOpen) {
    const std::string path = Site("c.hss"), other = Site("d.hss");
    CCoverageState coverage;
    MacAddress mac{0, 0, 0, 0, 0, 0x01};
    std::optional<ThroughputRequest> applied;
    const auto apply = [&](const std::optional<ThroughputRequest>& r) { applied = r; };
    std::string error;
    // The iperf3 server applied and the coverage caption once `doc` opened `site`.
    const auto opened = [&](CSurveyDocument& doc, const std::string& site) {
        EXPECT_TRUE(Open(doc, site, false).ok);
        return (applied ? applied->server.Text() : "none") + " | " + coverage.Caption();
    };
    {
        auto doc = NewDocument();
        CSiteCoverage keeper(*doc, coverage);
        CSiteIperfServer iperf(*doc, std::nullopt, apply);
        EXPECT_EQ(opened(*doc, path), "none | Strongest of all, R 60 px");
        keeper.Choose(NetworkChoice::OfAccessPoint(mac), 25);
        EXPECT_FALSE(iperf.Set("127.0.0.1:99999", error));
        EXPECT_NE(error.find("99999"), std::string::npos) << error;
        ASSERT_TRUE(iperf.Set("127.0.0.1:5299", error));
        EXPECT_EQ(applied->server.Text(), "127.0.0.1:5299");
        EXPECT_EQ(opened(*doc, other), "none | Strongest of all, R 60 px");
        EXPECT_EQ(opened(*doc, path), "127.0.0.1:5299 | 000000000001, R 25 px");
        iperf.Clear();
        EXPECT_EQ(opened(*doc, path), "none | 000000000001, R 25 px");
        ASSERT_TRUE(iperf.Set("127.0.0.1:5299", error));
    }
    // --iperf holds for the session until the window sets another.
    ThroughputRequest session;
    session.server = {"10.0.0.5", 5202};
    session.seconds = 7;
    auto doc = NewDocument();
    CSiteCoverage keeper(*doc, coverage);
    CSiteIperfServer iperf(*doc, session, apply);
    EXPECT_EQ(opened(*doc, path), "10.0.0.5:5202 | 000000000001, R 25 px");
    ASSERT_TRUE(iperf.Set("127.0.0.1:5300", error));
    EXPECT_EQ(std::make_pair(applied->server.Text(), applied->seconds),
              std::make_pair(std::string("127.0.0.1:5300"), 7));
    EXPECT_EQ(coverage.Map().Choice(), NetworkChoice::OfAccessPoint(mac));
    // 100 pixels are 5 m: R becomes the default 10 m, 200 pixels, kept at once.
    ASSERT_TRUE(doc->SetScale(0, 0, 100, 0, 5).metresPerPixel);
    EXPECT_EQ(coverage.Caption(), "000000000001, R 10 m");
    EXPECT_EQ(std::make_pair(coverage.Map().Radius(), coverage.Range().most),
              std::make_pair(200, 204));  // at most 4096 pixels
    keeper.Choose(NetworkChoice::OfSsid("lab"), 3);
    EXPECT_EQ(coverage.Map().Radius(), 60);
    // Nothing chosen there; the window's server replaced the session's.
    EXPECT_EQ(opened(*doc, other), "none | Strongest of all, R 60 px");
    EXPECT_EQ(opened(*doc, path), "127.0.0.1:5300 | lab, R 3 m");
    EXPECT_EQ(coverage.Map().Radius(), 60);
    // What the store cannot mean is the default, never a guess.
    ASSERT_TRUE(doc->Store().SetSetting("coverage.network", "mac:0001"));
    EXPECT_EQ(opened(*doc, path), "127.0.0.1:5300 | Strongest of all, R 10 m");
}

// The map's layer and requirement go with the site; a bad requirement
// changes nothing and says why; pass/fail tells the share that passes, and
// the download map takes the throughput kept with the point recorded last.
TEST_F(SurveyDocumentTest, TheMapsLayerAndRequirementGoWithTheSiteAndPassFailTellsTheShare) {
    const std::string path = Site("m.hss");
    // Centres of cells at odd places, so that a point's cell is exact.
    const CoverageView view{{0, 0, 240, 268}, {0, 0, 240, 268}, 120, 134, 1};
    CCoverageState coverage;
    std::string error;
    {
        auto doc = NewDocument();
        CSiteCoverage keeper(*doc, coverage);
        CSiteMetric metric(*doc, coverage);
        ASSERT_TRUE(Open(*doc, path, false).ok);
        EXPECT_FALSE(doc->KeepThroughput({}));  // no point yet
        // Two discs of R 60 apart, alike on the share's cells: one passes.
        Record(*doc, 61, 69, {{0x01, -45}});
        Record(*doc, 181, 201, {{0x02, -70}}, {{static_cast<uint8_t>(WifiBand::k24GHz), 6, -95}});
        const auto shown = [&](Metric m, const char* requirement) {
            EXPECT_TRUE(metric.Choose(CoverageLayer::Of(m), requirement, error)) << error;
            const CoverageGrid& grid = coverage.Map().Update(surveyList, view);
            return std::make_pair(grid.Value(90, 100), grid.Value(30, 34));
        };
        EXPECT_FALSE(metric.Choose(CoverageLayer::Of(Metric::kPassFail), "primary=-200", error));
        EXPECT_NE(error.find("primary"), std::string::npos) << error;
        EXPECT_FALSE(metric.Choose(CoverageLayer::Of(Metric::kPassFail), " ", error));
        EXPECT_FALSE(coverage.Shown());
        EXPECT_EQ(shown(Metric::kPassFail, "primary=-60").first, kFailValue);
        EXPECT_EQ(coverage.Caption(),
                  "Requirement: Strongest of all, R 60 px, custom: 50 % passes");
        ThroughputOutcome tested{ThroughputFault::kNone, {}, ThroughputFigures{}};
        tested.figures->downMbps = 80;
        ASSERT_TRUE(doc->KeepThroughput(tested));
        metric.ThroughputKept();
        // The second point never tested; the SNR of the point whose channel
        // survey the store keeps, none where no noise was measured.
        using Values = std::pair<std::optional<double>, std::optional<double>>;
        EXPECT_EQ(shown(Metric::kDownload, "primary=-60"), Values(80, std::nullopt));
        EXPECT_EQ(shown(Metric::kSnr, ""), Values(25, std::nullopt));
        shown(Metric::kDownload, "primary=-60");
        // The tap-and-hold's selection finds its point's test: none at the first
        // point; at a place recorded twice running, the one test of the two.
        Record(*doc, 181, 201, {{0x03, -60}, {0x04, -70}});
        ASSERT_TRUE(doc->SelectNearestPoint(62, 68));
        EXPECT_FALSE(doc->SelectedThroughput());
        ASSERT_TRUE(doc->SelectNearestPoint(183, 199));
        ASSERT_TRUE(doc->SelectedThroughput());
        EXPECT_EQ(doc->SelectedThroughput()->figures->downMbps, 80);
    }
    auto doc = NewDocument();
    CSiteCoverage keeper(*doc, coverage);
    CSiteMetric metric(*doc, coverage);
    ASSERT_TRUE(Open(*doc, path, false).ok);
    EXPECT_EQ(coverage.Map().Layer(), CoverageLayer::Of(Metric::kDownload));
    EXPECT_EQ(metric.RequirementText(), "primary=-60");
    // What the store cannot mean is the signal and no requirement.
    ASSERT_TRUE(doc->Store().SetSetting(kMetricSetting, "pass"));
    ASSERT_TRUE(doc->Store().SetSetting(kRequirementSetting, "bogus"));
    ASSERT_TRUE(Open(*doc, path, false).ok);
    EXPECT_EQ(coverage.Map().Layer(), CoverageLayer::Signal());
    EXPECT_EQ(metric.RequirementText(), "");
}

namespace {

// What a loader holds after its points: status, entries, record layout,
// circles and every pixel of the layer.
struct LoadedPoints {
    bool ok = false;
    std::string text;
    std::vector<SurveyEntry> entries;
    std::vector<uint8_t> pointRec, apRec;
    uint32_t pointSize = 0, apSize = 0;
    std::vector<int32_t> circles;
    std::vector<uint32_t> layer;
    bool operator==(const LoadedPoints&) const = default;
};

LoadedPoints Load(const std::string& path, CSiteLoader::Points when, bool takePoints = true) {
    CSiteLoader loader(path);
    SiteStatus status = loader.ReadPlan(CSiteLoader::kTakeFingerprint, when);
    if (status.ok && takePoints) status = loader.ReadPoints();
    const CSiteRecord& site = loader.Site();
    return {status.ok,
            status.text,
            AllEntries(loader.Entries()),
            {site.m_pointRec, site.m_pointRec + sizeof site.m_pointRec},
            {site.m_apRec, site.m_apRec + sizeof site.m_apRec},
            site.m_pointRecordSize,
            site.m_apRecordSize,
            CircleFigures(loader.Circles()),
            LayerPixels(loader.Layer())};
}

}  // namespace

// The window's Open reads the points on a second thread while the plan is
// read: whatever the points section holds, that gives what reading them
// afterwards gives, and nothing of them shows until ReadPoints takes them.
TEST(SiteLoader, PointsReadAlongsideThePlanAreThoseReadAfterItAndUnseenUntilTaken) {
    CApList list;
    AddEntry(list, 10, 20, 6, -55, "lab", "TEST", 1);
    AddEntry(list, 10, 20, 11, -70, "lab", "TEST", 2);
    AddEntry(list, 60, 5, 1, -80, "lab", "TEST", 3);
    AddEntry(list, 200, 250, 1, -40, "hall", "TEST", 4);
    CSiteRecord record;
    const std::vector<uint8_t> whole =
        WithPoints(SmallSiteFile(240, 268), EncodePointsSection(record, list));
    const size_t points = Get32(whole, 146);
    const struct {
        const char* what;
        size_t cut;  // bytes of the points section kept, 0: all
        uint32_t apSize = 0;
    } cases[] = {
        {"whole", 0},
        {"cut inside the second point record", 8 + 42 + 2 * 41 + 10},
        {"cut inside the first point record", 8 + 20},
        {"AP size word 4 GB", 0, 0xFFFFFFFF},
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        std::vector<uint8_t> file = whole;
        if (c.cut != 0) file.resize(points + c.cut);
        if (c.apSize != 0) Put32(file, points + 4, c.apSize);
        const std::string path = dir.Write("site.hss", file).string();
        const LoadedPoints after = Load(path, CSiteLoader::kPointsWhenAsked);
        EXPECT_EQ(Load(path, CSiteLoader::kPointsAlongside), after) << c.what;
        EXPECT_TRUE(c.cut || c.apSize ||
                    (after.entries.size() == 4 && after.circles.size() == 3 * 4));
        const LoadedPoints untaken = Load(path, CSiteLoader::kPointsAlongside, false);
        EXPECT_EQ(untaken, Load(path, CSiteLoader::kPointsWhenAsked, false)) << c.what;
        EXPECT_TRUE(untaken.ok && untaken.entries.empty() && untaken.circles.empty()) << c.what;
    }
}
