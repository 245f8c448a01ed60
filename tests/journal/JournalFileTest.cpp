// The journal on the disk: the writer's records, each flushed, read back;
// any failing file call gives the system's reason and leaves nothing that
// reads as a record it did not finish; journals are set aside, never
// replaced; a journal matches only the exact site file it began on.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

#include "JournalSamples.h"
#include "ScratchDir.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "journal/SetAsideJournals.h"
#include "journal/SiteBinding.h"
#include "site/FileOps.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "site/SiteSave.h"

namespace fs = std::filesystem;

namespace {

JournalStatus Append(JournalWriter& writer, const JournalChange& c) {
    if (const auto* p = std::get_if<JournalPoint>(&c)) return writer.AppendPoint(*p);
    return writer.AppendDeletion(std::get<JournalDeletion>(c));
}

// A survey's life on the disk: a journal begun, written, closed, continued
// after a recovery, set aside and begun again, and removed after a save.
// Stops at the first failing step and returns its status.
JournalStatus Survey(FileOps& ops, const fs::path& dir) {
    const std::string path = (dir / "office.hss.journal").string();
    const auto changes = SampleChanges();
    JournalWriter writer(ops);
    const auto append = [&](const JournalChange& c) { return Append(writer, c); };
    JournalStatus s = writer.Create(path, SampleBegin(), kNow);
    for (size_t i = 0; s.ok && i < 3; ++i) s = append(changes[i]);
    writer.Close();
    if (!s.ok) return s;
    s = writer.Continue(path, ReadJournalFile(path).contents.validEnd);
    for (size_t i = 3; s.ok && i < changes.size(); ++i) s = append(changes[i]);
    writer.Close();
    if (s.ok) s = writer.Create(path, SampleBegin(), kNow);  // sets the full one aside
    writer.Close();
    if (s.ok) s = RemoveJournal(ops, path);
    return s;
}

// Every journal in `dir` (the live one and those set aside) reads as the
// begin record and a prefix of the sample's changes, ended cleanly or by a
// torn tail, never by a record that fails its check.
void ExpectOnlyWholeRecords(const fs::path& dir) {
    const auto changes = SampleChanges();
    for (const auto& file : fs::directory_iterator(dir)) {
        SCOPED_TRACE(file.path().filename().string());
        const JournalContents got = ReadJournalFile(file.path().string()).contents;
        EXPECT_NE(got.end, JournalEnd::Corrupt);
        if (!got.hasBegin) continue;
        EXPECT_EQ(got.begin, SampleBegin());
        ASSERT_LE(got.changes.size(), changes.size());
        for (size_t i = 0; i < got.changes.size(); ++i) EXPECT_EQ(got.changes[i], changes[i]);
    }
}

size_t FilesIn(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

}  // namespace

TEST(JournalFile, EachRecordIsFlushedAndTheWholeJournalReadsBackAsWritten) {
    ScratchDir dir;
    const std::string path = JournalPathFor((dir.Path() / "office.hss").string());
    const auto changes = SampleChanges();
    FaultyFileOps ops;
    JournalWriter writer(ops);
    // Opening a survey waits for no disk; its first change takes the begin
    // and the new name (the directory) to the disk with it.
    ASSERT_TRUE(writer.Create(path, SampleBegin(), kNow).ok);
    EXPECT_EQ(ops.fdatasyncs + ops.fsyncs, 0);
    ASSERT_TRUE(Append(writer, changes[0]).ok);
    EXPECT_EQ(std::make_pair(ops.fdatasyncs, ops.fsyncs), std::make_pair(1, 1));  // and the dir
    // Continued after a torn tail or a damaged record: SurveyJournalTest.ADamaged...
    for (size_t i = 1; i < changes.size(); ++i) ASSERT_TRUE(Append(writer, changes[i]).ok);
    writer.Close();
    EXPECT_EQ(ReadFileBytes(path), EncodeJournal(SampleBegin(), changes));

    EXPECT_FALSE(ReadJournalFile((dir.Path() / "none.journal").string()).exists);
    const JournalFile unreadable = ReadJournalFile(dir.Path().string());
    EXPECT_EQ(std::make_pair(unreadable.exists, unreadable.error),
              std::make_pair(true, std::system_category().message(EISDIR)));
}

TEST(JournalFile, AnyFailingFileCallGivesTheSystemsReasonAndLeavesOnlyWholeRecords) {
    FaultyFileOps counting;
    constexpr int64_t kPlenty = int64_t{1} << 40;
    counting.spaceLeft = kPlenty;
    {
        ScratchDir dir;
        ASSERT_TRUE(Survey(counting, dir.Path()).ok);
        EXPECT_EQ(FilesIn(dir.Path()), 1u);  // only the journal set aside is left
    }
    ASSERT_GT(counting.calls, 20);
    for (int n = 1; n <= counting.calls; ++n) {
        const std::string& kind = counting.kinds[n - 1];
        SCOPED_TRACE("call " + std::to_string(n) + " (" + kind + ")");
        ScratchDir dir;
        FaultyFileOps ops;
        ops.failAnyAt = n;
        const JournalStatus status = Survey(ops, dir.Path());
        // A failing close loses nothing: every record was flushed before.
        ASSERT_EQ(status.ok, kind == "close");
        if (status.ok) continue;
        const int err = kind == "open" ? EACCES : kind == "rename" ? EXDEV : EIO;
        EXPECT_EQ(status.reason, std::system_category().message(err));
        EXPECT_EQ(status.Message(),
                  "Survey points are not protected against a crash: " + status.reason);
        ExpectOnlyWholeRecords(dir.Path());
    }
    // A full disk at fifty sizes up to what the survey writes, and with room
    // for all but its last byte.
    const int64_t written = kPlenty - counting.spaceLeft;
    std::vector<int64_t> sizes;
    for (int64_t space = 0; space < written; space += std::max<int64_t>(1, written / 50))
        sizes.push_back(space);
    sizes.push_back(written - 1);
    for (int64_t space : sizes) {
        SCOPED_TRACE("space " + std::to_string(space));
        ScratchDir dir;
        FaultyFileOps ops;
        ops.spaceLeft = space;
        const JournalStatus status = Survey(ops, dir.Path());
        ASSERT_FALSE(status.ok);
        EXPECT_EQ(status.reason, std::system_category().message(ENOSPC));
        ExpectOnlyWholeRecords(dir.Path());
    }
}

TEST(JournalFile, AJournalMatchesOnlyTheExactSiteFileItBeganOn) {
    const Bytes site = ReadFileBytes(fs::path(PELLORIN_SAMPLES) / "office-surveyed.hss");
    ASSERT_GT(site.size(), 529228u);
    MemorySource src(site);
    JournalContents journal;
    EXPECT_EQ(MatchJournal(journal, src), JournalMatch::Unbound);
    ASSERT_TRUE(journal.hasBegin = ComputeSiteBinding(src, journal.begin.binding));
    EXPECT_EQ(journal.begin.binding.siteSize, site.size());
    EXPECT_EQ(MatchJournal(journal, src), JournalMatch::Matches);

    const auto match = [&](const Bytes& bytes) {
        MemorySource other(bytes);
        return MatchJournal(journal, other);
    };
    // A header byte, lastSaveTime, the points section, the last byte changed,
    // and a byte more.
    for (const size_t at :
         {size_t{20}, size_t{134}, size_t{529228 + 60}, site.size() - 1, site.size()}) {
        Bytes other = site;
        if (at < other.size())
            other[at] ^= 0x01;
        else
            other.push_back(0);
        EXPECT_EQ(match(other), JournalMatch::OtherFile) << at;
    }
    // The map is not part of the binding: a save never touches it.
    Bytes map = site;
    map[1000] ^= 0x01;
    EXPECT_EQ(match(map), JournalMatch::Matches);
    EXPECT_EQ(match(Bytes(site.begin(), site.begin() + 149)), JournalMatch::OtherFile);

    // A save's binding is known before the save: the journal that ends with
    // it belongs to the saved file (Open's fingerprint of it: the survey's
    // Save As, and the site tool's info).
    ScratchDir dir;
    const fs::path path = dir.Path() / "office.hss";
    WriteFileBytes(path, site);
    CSiteRecord record;
    ASSERT_TRUE(ReadSiteHeader(src, record).ok);
    CApList list;
    ASSERT_TRUE(ReadPoints(src, record, list, nullptr).ok);
    list.RemoveAll();
    AddEntry(list, 10, 20, 6, -50, "lab", "TEST", 1);
    const JournalBinding expected = BindingAfterSave(record, list, 4242);
    ASSERT_TRUE(SaveSiteFile(path.string(), record, NoInk, list, 4242).ok);
    FileSource saved(path.string());
    JournalBinding found;
    ASSERT_TRUE(ComputeSiteBinding(saved, found));
    EXPECT_EQ(found, expected);
    journal.savedAs = expected;
    EXPECT_EQ(std::make_pair(MatchJournal(journal, saved), MatchJournal(journal, src)),
              std::make_pair(JournalMatch::Saved, JournalMatch::Matches));
}

// Journals set aside beside a site hold points Open can offer again: only
// those of this very version of the file, with something in them.
TEST(JournalFile, SetAsideJournalsAreNeverReplacedAndThoseOfThisVeryFileVersionFoundNewestFirst) {
    ScratchDir dir;
    const fs::path site = dir.Path() / "office.hss";
    WriteFileBytes(site, ReadFileBytes(fs::path(PELLORIN_SAMPLES) / "office.hss"));
    CSiteRecord record;
    ASSERT_TRUE(ReadSiteForOpen(site.string(), record));
    JournalBegin begin;
    ASSERT_TRUE(SiteBindingOf(record, begin.binding));
    JournalBegin older = begin;  // begun on the file before a save
    older.binding.lastSaveTime ^= 1;
    PosixFileOps ops;
    const std::string journal = JournalPathFor(site.string());
    const auto aside = [&](const JournalBegin& b, const std::vector<JournalChange>& changes,
                           time_t when, std::optional<JournalBinding> saved = std::nullopt) {
        Bytes bytes = EncodeJournal(b, changes);
        if (saved) journal::AppendSaved(bytes, JournalSaved{*saved});
        WriteFileBytes(journal, bytes);
        std::string name;
        EXPECT_TRUE(SetJournalAside(ops, journal, when, &name).ok);
        EXPECT_FALSE(fs::exists(journal));
        return name;
    };
    const auto changes = SampleChanges();
    const std::string first = aside(begin, changes, kNow);
    const std::string second = aside(begin, {changes[0]}, kNow + 3600);
    // Set aside in the same second: a name of its own, never over another.
    EXPECT_EQ(aside(older, changes, kNow), first + "-2");    // another version of the file
    EXPECT_EQ(aside(begin, {}, kNow), first + "-3");         // nothing in it
    aside(older, changes, kNow + 60, begin.binding);         // ends with the save that wrote it
    WriteFileBytes(journal, EncodeJournal(begin, changes));  // the live journal
    WriteFileBytes(journal + ".notes", {1});

    const std::vector<SetAsideJournal> found = FindSetAsideJournals(site.string(), record);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(std::make_tuple(found[0].path, found[0].setAside, found[1].path, found[1].setAside),
              std::make_tuple(second, kNow + 3600, first, kNow));
    EXPECT_EQ(found[1].contents.changes, changes);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(found[0].Question(), "Recover 1 survey point kept aside on 2026-12-07 06:15?");
    ::unsetenv("TZ");
    ::tzset();
    // Removing a journal that is not there is fine; setting it aside is not.
    ASSERT_TRUE(RemoveJournal(ops, journal).ok);
    EXPECT_TRUE(RemoveJournal(ops, journal).ok);
    EXPECT_FALSE(SetJournalAside(ops, journal, kNow).ok);
    EXPECT_EQ(FilesIn(dir.Path()), 7u);  // the site, five set aside, the notes
}
