// recover: the points a journal kept (a journal set aside because the
// surveyor declined its recovery, because another Pellorin had the site
// open, or because the file was saved elsewhere) put back into a site file.
// The result is a new file: SITE with the journal replayed as the window's
// recovery replays it, written as a save of SITE would write it (its
// signature as it is). SITE and JOURNAL are only read.

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <variant>

#include "SiteCommands.h"
#include "journal/JournalReader.h"
#include "journal/JournalReplay.h"
#include "journal/SiteBinding.h"
#include "site/SiteSave.h"

namespace {

QString Counted(size_t n, const char* one, const char* many) {
    return QString::number(n) + ' ' + (n == 1 ? one : many);
}

// Points and deletions among the first `changes` of a journal.
void Tally(const JournalContents& c, size_t changes, size_t& points, size_t& deletions) {
    points = deletions = 0;
    for (size_t i = 0; i < changes && i < c.changes.size(); ++i)
        (std::holds_alternative<JournalPoint>(c.changes[i]) ? points : deletions) += 1;
}

}  // namespace

int RunRecover(const QString& sitePath, const QString& journalPath, const QString& outPath,
               bool force) {
    if (const int refused = GuardOutput(sitePath, outPath)) return refused;
    if (const int refused = GuardOutput(journalPath, outPath, "journal")) return refused;
    const std::string site = QFile::encodeName(sitePath).toStdString();
    const QString siteName = QFileInfo(sitePath).fileName();
    const QString journalName = QFileInfo(journalPath).fileName();

    // The site as Open reads it, with the fingerprint a save checks it against.
    CSiteLoader loaded(site);
    SiteStatus status = loaded.ReadPlan(CSiteLoader::kTakeFingerprint);
    if (!status.ok) return Fail(status);
    CSiteRecord& record = loaded.Site();

    const JournalFile journal = ReadJournalFile(QFile::encodeName(journalPath).toStdString());
    if (!journal.exists) return Fail("Cannot read " + journalPath + ": No such file or directory");
    if (!journal.error.empty())
        return Fail("Cannot read " + journalPath + ": " + QString::fromStdString(journal.error));
    const JournalContents& c = journal.contents;
    if (!c.hasBegin) return Fail(journalPath + " is not a survey journal.");
    JournalBinding binding;
    if (!SiteBindingOf(record, binding))
        return Fail(siteName + " was read without its fingerprint.");
    const JournalMatch match = MatchJournal(c, binding);
    if (match == JournalMatch::Saved)
        return Fail(siteName + " holds everything " + journalName +
                    " holds already: the journal ends with the save that wrote it.");
    const bool foreign = match != JournalMatch::Matches;
    if (foreign && !force)
        return Fail(journalName + " was written for another version of " + siteName +
                    "; --force applies its points by position.");
    if (c.changes.empty()) return Fail(journalName + " holds no survey points or deletions.");

    // What the journal's Open started from, then its changes.
    if (c.begin.keepPoints) {
        status = loaded.ReadPoints();
        if (!status.ok) return Fail(status);
    }
    CApList& list = loaded.Entries();
    const JournalReplay replay =
        ReplayJournal(c, list, record, {}, foreign ? MissingRun::Skip : MissingRun::Stop);
    PosixFileOps ops;
    status = SaveSiteCopy(site, QFile::encodeName(outPath).toStdString(), record, {}, list,
                          SaveTime(), ReplaceExisting::No, ops);
    if (!status.ok) return Fail(status);

    size_t points = 0, deletions = 0;
    Tally(c, replay.applied, points, deletions);
    deletions -= replay.skipped;
    const QString outName = QFileInfo(outPath).fileName();
    if (foreign) {
        std::printf("%s was written for another version of %s: %s applied by position",
                    qPrintable(journalName), qPrintable(siteName),
                    qPrintable(Counted(points, "survey point was", "survey points were")));
        if (replay.skipped > 0)
            std::printf(" (%s not found there and left out)",
                        qPrintable(Counted(replay.skipped, "deletion", "deletions")));
        std::printf(" into %s.\n", qPrintable(outName));
    } else {
        std::printf("Recovered %s and %s into %s.\n",
                    qPrintable(Counted(points, "survey point", "survey points")),
                    qPrintable(Counted(deletions, "deletion", "deletions")), qPrintable(outName));
    }
    if (!replay.complete || c.end == JournalEnd::Corrupt)
        std::fprintf(stderr, "The journal is damaged after %s; %s holds the survey up to there.\n",
                     qPrintable(Counted(points, "survey point", "survey points")),
                     qPrintable(outName));
    return 0;
}
