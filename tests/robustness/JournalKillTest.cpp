// A surveyor (journal_surveyor: the simulated board through the real worker,
// the survey journal beside the site) is killed with SIGKILL at 50 moments:
// while a point is journalled, while a deletion is, while a save runs. Each
// time the next Open recovers exactly the changes whose journalling had
// finished (the one under way may be there whole, never in part), nothing
// twice and nothing invented; a save of the recovered survey gives the bytes
// the surveyor's own survey would have saved; no journal is ever found to
// belong to another file. The kill moments follow the surveyor's reports,
// not the clock, so a slow machine moves them along with the survey.

#include <gtest/gtest.h>

#include <sstream>

#include "RobustSupport.h"
#include "common/Crc32.h"
#include "journal/JournalReader.h"
#include "journal/JournalReplay.h"
#include "journal/SiteBinding.h"
#include "journal/SurveyJournal.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kCheckTime = 4242;

SurveyDigest ParseDigest(std::istringstream& in) {
    SurveyDigest d;
    in >> d.size >> d.crc;
    return d;
}

// What the program's Open would give, answering Yes to the recovery (and to
// keeping the file's points), without touching the disk.
struct Recovered {
    CSiteRecord site;
    CApList list;
    JournalFound found = JournalFound::None;
    bool complete = true;
    bool endedBySave = false;  // the save had replaced the file, its journal was still there
};
bool RecoverReadOnly(const std::string& path, Recovered& out) {
    const CSurveyJournal looker([](const std::string&, const std::string&) {});
    const std::optional<JournalFinding> found = ReadWithJournal(path, looker, out.site, out.list);
    if (!found) return false;
    out.found = found->kind;
    JournalBinding binding;
    const JournalFile file = ReadJournalFile(found->path);
    out.endedBySave = file.exists && SiteBindingOf(out.site, binding) &&
                      MatchJournal(file.contents, binding) == JournalMatch::Saved;
    if (found->kind == JournalFound::Recoverable)
        out.complete = ReplayJournal(found->contents, out.list, out.site).complete;
    return true;
}

}  // namespace

TEST(JournalKill, ASurveyKilledWhileRecordingDeletingOrSavingIsRecoveredExactly) {
    ScratchDir dir;
    const fs::path site = OfficeCopyIn(dir);
    // The bytes a save of `list` over a copy of the site gives.
    const auto savedWith = [&](CSiteRecord& record, const CApList& list) {
        const fs::path check = dir.Path() / "check.hss";
        fs::copy_file(site, check, fs::copy_options::overwrite_existing);
        EXPECT_TRUE(SaveSiteFile(check.string(), record, NoInk, list, kCheckTime).ok);
        const Bytes saved = ReadFileBytes(check);
        fs::remove(check);
        return saved;
    };
    // Everything a save writes before the points section does not depend on
    // the survey: header, signature and map of a save of no points.
    CSiteRecord record;
    ASSERT_TRUE(ReadSiteForOpen(site.string(), record));
    Bytes prefix = savedWith(record, CApList());
    prefix.resize(record.PointsOffset());

    std::mt19937 random(20261207);
    int killedAt[3] = {}, withTheChangeUnderWay = 0, emptyOrNone = 0, endedBySave = 0;
    size_t mostEntries = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Recovered start;
        ASSERT_TRUE(RecoverReadOnly(site.string(), start));
        const SurveyDigest startDigest = DigestOf(start.site, start.list);

        const KillMoment when(round, random, 8000);
        std::optional<SurveyDigest> done, pending;
        const auto begins = [&](const std::string& line) {
            std::istringstream in(line);
            std::string tag;
            char letter = 0;
            in >> tag;
            if (tag == "O") {
                done = ParseDigest(in);
                EXPECT_EQ(*done, startDigest) << "the surveyor's Open recovered another survey";
            } else if (tag == "P") {
                in >> letter;
                pending = ParseDigest(in);
            } else if (tag == "D") {
                done = pending;
                pending.reset();
            }
            return letter;
        };
        ASSERT_TRUE(RunAndKill(JOURNAL_SURVEYOR, site.string(), round * 10, when, begins))
            << "the surveyor stopped before the moment to kill it, or outlived it";
        ASSERT_TRUE(done) << "killed before the site was open";
        ++killedAt[round % 3];

        Recovered got;
        ASSERT_TRUE(RecoverReadOnly(site.string(), got)) << "the site file is not whole";
        EXPECT_NE(got.found, JournalFound::Foreign);
        EXPECT_TRUE(got.complete);
        const SurveyDigest recovered = DigestOf(got.site, got.list);
        const bool whole = recovered == *done;
        const bool withPending = pending && recovered == *pending;
        ASSERT_TRUE(whole || withPending)
            << "recovered " << recovered.size << " bytes of points, the surveyor had " << done->size
            << (pending ? " or " + std::to_string(pending->size) : "");
        withTheChangeUnderWay += withPending && !whole;
        emptyOrNone += got.found != JournalFound::Recoverable;
        endedBySave += got.endedBySave;
        mostEntries = std::max(mostEntries, static_cast<size_t>(got.list.Count()));

        // Saved, the recovered survey gives the bytes of the surveyor's own.
        const Bytes saved = savedWith(got.site, got.list);
        ASSERT_EQ(saved.size(), prefix.size() + recovered.size);
        EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), saved.begin()));
        EXPECT_EQ(Crc32(saved.data() + prefix.size(), saved.size() - prefix.size()), recovered.crc);
    }
    // No journal was ever set aside: none was taken for another file's.
    for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(e.path().filename().string().find(".journal."), std::string::npos)
            << e.path().filename();
    std::printf(
        "[ figures  ] 50 kills: %d while recording, %d while deleting, %d while saving; "
        "%d with the change under way recovered too, %d with nothing to recover (%d of "
        "them between a save's rename and its journal's removal); up to %zu entries\n",
        killedAt[0], killedAt[1], killedAt[2], withTheChangeUnderWay, emptyOrNone, endedBySave,
        mostEntries);
}
