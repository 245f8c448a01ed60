// The survey journal through the window: a survey whose program died comes
// back on the next Open exactly as it was (list, circles, counters, panes,
// the unsaved mark); a declined or foreign journal is kept aside and the site
// opens as ever; a journal that cannot be written never stops the survey and
// is told once.

#include <QFile>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "AppFakes.h"
#include "ScratchDir.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "app/MainFrame.h"
#include "journal/JournalReader.h"
#include "site/ByteOrder.h"
#include "site/FileOps.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace fs = std::filesystem;

namespace {

constexpr time_t kNow = 1796620500;  // 2026-12-07 05:15:00 UTC
const char* const kStamp = ".20261207-051500";

// The survey as it stands: what a recovery must give back.
struct Snapshot {
    std::vector<SurveyEntry> fields;
    QImage map;
    int32_t locations = 0, aps = 0;
    static Snapshot Take(const CTambRUMOView& view) {
        return {AllEntries(surveyList), MapPicture(view.Map()), g_pSite->m_locationCount,
                g_pSite->m_apCount};
    }
};

class JournalTest : public AppTest {
protected:
    std::unique_ptr<CTambRUMOView> JournalledView() {
        auto view = MakeView();
        view->Document().Journal().UseClock([] { return kNow; });
        return view;
    }
    // A tap-and-hold on the point at world (x, y), deleting it.
    void DeleteAt(CTambRUMOView& view, int x, int y) {
        view.OnScroll(MapAxis::kX, SB_THUMBTRACK, CTambRUMOView::kClientWidth / 2);
        view.OnScroll(MapAxis::kY, SB_THUMBTRACK, CTambRUMOView::kClientHeight / 2);
        m_dialogs.locationResult = CLocationInfoDlg::kDeleted;
        view.OnTapAndHold(QPoint(x, y));
        m_dialogs.locationResult = 1;
    }
    // What the disk holds at this moment, as a crash would leave it: the
    // site file and its journal, copied into a directory of their own.
    std::string CrashImage(const std::string& site) {
        const fs::path dir =
            fs::path(m_dir.path().toStdString()) / ("crash" + std::to_string(++m_crashes));
        fs::create_directory(dir);
        const fs::path copy = dir / fs::path(site).filename();
        fs::copy_file(site, copy);
        fs::copy_file(JournalPathFor(site), JournalPathFor(copy.string()));
        return copy.string();
    }
    // Opens `path` through the toolbar's Open with these answers.
    void OpenAnswering(CTambRUMOView& view, const std::string& path, std::deque<int> answers) {
        m_boxes.shown.clear();
        m_boxes.answers = std::move(answers);
        m_files.next = QString::fromStdString(path);
        view.OnOpenSite();
        m_files.next.clear();
    }
    std::vector<ShownBox> BoxesCaptioned(const char* caption) const {
        std::vector<ShownBox> out;
        for (const ShownBox& b : m_boxes.shown)
            if (b.caption == QLatin1String(caption)) out.push_back(b);
        return out;
    }
    int m_crashes = 0;
    const Ap kLab{0x01, {-61, -62, -64}, 6, "lab"}, kOffice{0x02, {-45}, 11, "office"},
        kCafe{0x03, {-70}, 1, "caf\xC3\xA9"}, kFar{0x04, {-80, -81}, 6, "far"};
};

}  // namespace

TEST_F(JournalTest, ARecoveredSurveyIsTheSurveyAsItWasBeforeTheCrash) {
    std::string image;
    Snapshot beforeCrash, afterDeletion;
    {
        auto view = JournalledView();
        const std::string path = MakeSite("a.hss");
        ASSERT_TRUE(Open(*view, path, false));
        RecordPoint(*view, 40, 50, {kLab, kOffice});
        RecordPoint(*view, 52, 56, {kCafe});  // over the first circle
        DeleteAt(*view, 53, 57);
        ASSERT_TRUE(view->OnSaveSite());  // the journal begins again on the saved file
        RecordPoint(*view, 60, 60, {});   // nothing heard, over the saved point
        RecordPoint(*view, 200, 200, {kFar});
        DeleteAt(*view, 41, 49);  // a point the saved file holds
        beforeCrash = Snapshot::Take(*view);
        ASSERT_EQ(beforeCrash.locations, 4);
        image = CrashImage(path);
        DeleteAt(*view, 199, 201);
        afterDeletion = Snapshot::Take(*view);
    }

    auto view = JournalledView();
    CMainFrame frame;  // its panes show what the view posts
    view->SetStatusTarget(&frame);
    OpenAnswering(*view, image, {platform::IDYES});
    ExpectOneBox("Recover 2 survey points recorded after the last save?", "Recover Survey",
                 platform::MB_YESNO);
    const Snapshot recovered = Snapshot::Take(*view);
    EXPECT_EQ(recovered.fields, beforeCrash.fields);
    EXPECT_EQ(recovered.map, beforeCrash.map);
    EXPECT_EQ(recovered.locations, beforeCrash.locations);
    EXPECT_EQ(recovered.aps, beforeCrash.aps);
    EXPECT_TRUE(view->Document().HasUnsavedChanges());
    EXPECT_TRUE(view->isWindowModified());
    EXPECT_TRUE(
        PumpUntil([&] { return frame.PaneText(0) == "L: 4" && frame.PaneText(1) == "P: 4"; }));

    // The circle log came back too: a deletion takes exactly its circle off.
    DeleteAt(*view, 199, 201);
    EXPECT_EQ(AllEntries(surveyList), afterDeletion.fields);
    EXPECT_EQ(MapPicture(view->Map()), afterDeletion.map);

    // The journal went on after the recovery; a save removes it and begins
    // a new one on the saved file.
    EXPECT_EQ(ReadJournalFile(JournalPathFor(image)).contents.DeletionCount(), 2u);
    ASSERT_TRUE(view->OnSaveSite());
    const JournalFile next = ReadJournalFile(JournalPathFor(image));
    EXPECT_TRUE(next.contents.hasBegin);
    EXPECT_TRUE(next.contents.changes.empty());
    EXPECT_EQ(next.contents.begin.locationCount, 4);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(image).parent_path()), {}), 2);
}

TEST_F(JournalTest, ADeclinedOrForeignJournalIsKeptAsideAndTheSiteOpensAsEver) {
    const struct {
        const char* what;
        const char* site;
        bool otherVersion;  // the file was saved elsewhere after the crash
        std::deque<int> answers;
        std::vector<QString> boxes;
    } cases[] = {
        {"declined",
         "b.hss",
         false,
         {platform::IDNO, platform::IDNO},
         {"Recover 2 survey points recorded after the last save?",
          "Do you wish to keep existing data points?"}},
        {"another version of the file",
         "c.hss",
         true,
         {platform::IDNO},
         {"Do you wish to keep existing data points?",
          "The survey journal beside this site was not recovered: it was written for another "
          "version of this site file. It was kept as c.hss.journal.20261207-051500."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string image;
        {
            auto view = JournalledView();
            const std::string path = MakeSite(c.site);
            ASSERT_TRUE(Open(*view, path, false));
            RecordPoint(*view, 40, 50, {kLab});
            RecordPoint(*view, 100, 50, {kCafe});
            image = CrashImage(path);
        }
        if (c.otherVersion) {
            Bytes site = ReadFileBytes(image);
            StoreLe32(site.data() + sitelayout::kLastSaveTime, 1234);
            WriteFileBytes(image, site);
        }
        const Bytes journal = ReadFileBytes(JournalPathFor(image));

        auto view = JournalledView();
        OpenAnswering(*view, image, c.answers);
        ASSERT_EQ(m_boxes.shown.size(), c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); ++i) EXPECT_EQ(m_boxes.shown[i].text, c.boxes[i]);
        EXPECT_EQ(view->Document().Path(), image);
        EXPECT_TRUE(surveyList.IsEmpty());
        EXPECT_FALSE(view->Document().HasUnsavedChanges());
        EXPECT_EQ(ReadFileBytes(JournalPathFor(image) + kStamp), journal);
        const JournalFile fresh = ReadJournalFile(JournalPathFor(image));
        EXPECT_TRUE(fresh.contents.hasBegin);
        EXPECT_TRUE(fresh.contents.changes.empty());
    }
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenIsToldOnceAndTheSurveyGoesOn) {
    // Open, two points, one deleted, a save, one more point.
    const auto survey = [&](CTambRUMOView& view, const std::string& path) {
        ASSERT_TRUE(Open(view, path, false));
        RecordPoint(view, 40, 50, {kLab, kOffice});
        RecordPoint(view, 150, 60, {kCafe});
        DeleteAt(view, 41, 51);
        ASSERT_TRUE(view.OnSaveSite());
        RecordPoint(view, 100, 200, {kFar});
    };
    FaultyFileOps counting;
    std::vector<SurveyEntry> whole;
    {
        auto view = JournalledView();
        view->Document().Journal().UseFileOps(&counting);
        survey(*view, MakeSite("f.hss"));
        whole = AllEntries(surveyList);
        EXPECT_TRUE(BoxesCaptioned("Survey Journal").empty());
    }
    ASSERT_GT(counting.calls, 20);

    // Every journal call failing in turn, then a disk that is full throughout.
    for (int n = 1; n <= counting.calls + 1; ++n) {
        const bool full = n > counting.calls;
        SCOPED_TRACE(full ? std::string("disk full")
                          : "call " + std::to_string(n) + " (" + counting.kinds[n - 1] + ")");
        const std::string path = MakeSite(("f" + std::to_string(n) + ".hss").c_str());
        FaultyFileOps ops;
        ops.failAnyAt = full ? 0 : n;
        ops.spaceLeft = full ? 0 : -1;
        m_boxes.shown.clear();
        {
            auto view = JournalledView();
            view->Document().Journal().UseFileOps(&ops);
            survey(*view, path);
            EXPECT_EQ(AllEntries(surveyList), whole);
            EXPECT_EQ(g_pSite->m_locationCount, 3);
            const auto told = BoxesCaptioned("Survey Journal");
            ASSERT_EQ(told.size(), full ? 1u : told.size());
            ASSERT_LE(told.size(), 1u);
            if (!told.empty()) {
                const QString text = told[0].text;
                EXPECT_TRUE(text.startsWith("Survey points are not protected against a crash: "))
                    << text.toStdString();
                EXPECT_GT(text.size(), 52);  // and the system's reason
                continue;
            }
        }
        // Nothing said: then the journal keeps the survey whole.
        auto view = JournalledView();
        OpenAnswering(*view, path, {platform::IDYES});
        EXPECT_EQ(AllEntries(surveyList), whole);
    }
}
