// The journal's life around a survey: what Open finds beside a site file and
// what becomes of it, a damaged journal recovered as far as it reads with a
// copy of it kept, and the journal of a survey that is left. After Save As
// the journal is the new file's: SurveyDocumentTest.ASiteAnotherPellorinHolds....

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "JournalSamples.h"
#include "ScratchDir.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "journal/SiteBinding.h"
#include "journal/SurveyJournal.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace fs = std::filesystem;

namespace {

class SurveyJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(sitePath, ReadFileBytes(fs::path(PELLORIN_SAMPLES) / "office.hss"));
        ASSERT_TRUE(ReadSiteForOpen(sitePath, site));
        ASSERT_TRUE(SiteBindingOf(site, binding));
        journal.UseClock([] { return kNow; });
    }
    // A journal of this site (or of the file bound by `on`) with the sample's
    // changes (deletions dropped: they would not find their runs in an empty
    // survey).
    Bytes JournalOfThisSite(std::optional<JournalBinding> on = std::nullopt) {
        JournalBegin begin;
        begin.binding = on.value_or(binding);
        std::vector<JournalChange> points;
        for (const JournalChange& c : SampleChanges())
            if (std::holds_alternative<JournalPoint>(c)) points.push_back(c);
        return EncodeJournal(begin, points, &bounds);
    }
    ScratchDir dir;
    std::string sitePath = (dir.Path() / "office.hss").string();
    std::string journalPath = sitePath + ".journal";
    CSiteRecord site;
    JournalBinding binding;
    std::vector<size_t> bounds;
    std::vector<std::string> told;  // "caption: text"
    CSurveyJournal journal{[this](const std::string& caption, const std::string& text) {
        told.push_back(caption + ": " + text);
    }};
};

}  // namespace

TEST_F(SurveyJournalTest, WhatOpenFindsIsRecoveredRemovedOrKeptAsideAndANewJournalBegins) {
    JournalBinding older = binding;  // the file before its last save
    older.lastSaveTime ^= 1;
    const Bytes other = JournalOfThisSite(older), ours = JournalOfThisSite();
    // Begun on the version before this one, ended by the save that wrote it.
    Bytes saved = Bytes(other.begin(), other.begin() + static_cast<long>(bounds[2]));
    journal::AppendSaved(saved, {binding});
    const struct {
        const char* what;
        std::optional<Bytes> beside;
        JournalFound kind;
        bool keptAside;
        std::string told;  // after "...was not recovered: "
    } cases[] = {
        {"none", std::nullopt, JournalFound::None, false, ""},
        {"begin only", Bytes(ours.begin(), ours.begin() + static_cast<long>(bounds[1])),
         JournalFound::Empty, false, ""},
        {"begin cut short", Bytes(ours.begin(), ours.begin() + 30), JournalFound::Empty, false, ""},
        {"ended by the save that wrote this file", saved, JournalFound::Empty, false, ""},
        {"with points, declined", ours, JournalFound::Recoverable, true, ""},
        {"of another version", other, JournalFound::Foreign, true,
         "it was written for another version of this site file"},
        {"not a journal", Hex("68 65 6C 6C 6F 20 77 6F 72 6C 64 21 21 21 21 21 21"),
         JournalFound::Foreign, true, "it is not a survey journal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        told.clear();
        fs::remove(journalPath);
        fs::remove(journalPath + kStamp);
        if (c.beside) WriteFileBytes(journalPath, *c.beside);
        const JournalFinding found = journal.Inspect(sitePath, site);
        EXPECT_EQ(found.kind, c.kind);
        journal.Opened(found, site, false);
        EXPECT_TRUE(journal.Protecting());
        const JournalContents now = ReadJournalFile(journalPath).contents;
        EXPECT_TRUE(now.begin.binding == binding && now.changes.empty());
        const std::string notRecovered =
            "Recover Survey: The survey journal beside this site was not recovered: " + c.told +
            ". It was kept as office.hss.journal" + kStamp + ".";
        EXPECT_EQ(told, c.told.empty() ? std::vector<std::string>{}
                                       : std::vector<std::string>{notRecovered});
        journal.Leave();  // nothing unsaved: the new journal goes, and only it
        EXPECT_FALSE(fs::exists(journalPath));
        const std::string aside = journalPath + kStamp;
        EXPECT_EQ(std::make_pair(fs::exists(aside), ReadFileBytes(aside)),
                  std::make_pair(c.keptAside, c.keptAside ? *c.beside : Bytes{}));
    }
}

TEST_F(SurveyJournalTest, ADamagedJournalIsRecoveredAsFarAsItReadsAndKeptWhole) {
    Bytes damaged = JournalOfThisSite();
    damaged[bounds[3] + 12] ^= 0x40;  // inside the third point
    WriteFileBytes(journalPath, damaged);
    const JournalFinding found = journal.Inspect(sitePath, site);
    ASSERT_EQ(found.kind, JournalFound::Recoverable);
    EXPECT_EQ(found.Question(), "Recover 2 survey points recorded after the last save?");

    CApList list;
    int points = 0;
    const JournalReplay replay =
        journal.Recover(found, list, site, {[&](int32_t) { ++points; }, nullptr});
    // Two entries and the placeholder.
    EXPECT_EQ(std::make_tuple(points, replay.applied, list.Count()), std::make_tuple(2, 2u, 3));
    EXPECT_EQ(told, std::vector<std::string>{
                        std::string("Recover Survey: The survey journal is damaged after 2 survey "
                                    "points; the survey was recovered up to there. The whole "
                                    "journal was kept as office.hss.journal") +
                        kStamp + "."});
    EXPECT_EQ(ReadFileBytes(journalPath + kStamp), damaged);
    // The journal goes on after the part that was read.
    const Bytes kept = ReadFileBytes(journalPath);
    EXPECT_EQ(kept, Bytes(damaged.begin(), damaged.begin() + static_cast<long>(bounds[3])));
    AddEntry(list, 7, 7, 6, -50);
    site.BeginPoint(7, 7, "TEST");
    journal.PointRecorded(list, list.Last()->prev, site);
    const JournalContents after = ReadJournalFile(journalPath).contents;
    EXPECT_TRUE(after.end == JournalEnd::Clean && after.PointCount() == 3u);
}

// Left with nothing unsaved, the journal goes (the test above); unsaved and
// not given up, it stays for the next Open (SurveyDocumentTest.ASiteAnother...).
TEST_F(SurveyJournalTest, ALeftSurveysJournalGoesIsKeptAsideOrStaysForTheNextOpen) {
    CApList list;
    const auto recordOne = [&] {
        const ApRecord* tail = list.Last();
        AddEntry(list, 5, 5, 6, -40);
        site.BeginPoint(5, 5, "TEST");
        journal.PointRecorded(list, tail, site);
    };
    // The surveyor chose not to save: set aside.
    journal.Opened(journal.Inspect(sitePath, site), site, false);
    recordOne();
    journal.Discarded();
    journal.Leave();
    EXPECT_EQ(std::make_pair(fs::exists(journalPath), fs::exists(journalPath + kStamp)),
              std::make_pair(false, true));
    // The same site opened again while its survey is being written: the
    // journal is the survey's own, never offered for recovery.
    journal.Opened(journal.Inspect(sitePath, site), site, false);
    EXPECT_EQ(journal.Inspect(sitePath, site).kind, JournalFound::Live);

    // A discarded survey's journal that cannot be renamed stays where it is,
    // counted and told.
    FaultyFileOps faulty;
    faulty.failRenameAt = 1;
    journal.UseFileOps(&faulty);
    journal.Opened(journal.Inspect(sitePath, site), site, false);
    recordOne();
    journal.Discarded();
    told.clear();
    journal.Leave();
    EXPECT_TRUE(fs::exists(journalPath) && journal.AsideFailures() == 1u);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].starts_with(
        "Survey Journal: The survey journal office.hss.journal could not be set aside ("))
        << told[0];
}
