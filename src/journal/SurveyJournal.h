#pragma once
// The journal of the open survey through its life (docs/journal.md, "Life of
// a journal"): what Open finds beside the site file and the recovery of it,
// one record per recorded or deleted point, the save, and what becomes of
// the journal when the survey is left. Qt-free: the view drives it, and so
// does the kill test's surveyor without a window. The surveyor is told
// through `tell`: once per Open when the journal cannot be written,
// whenever Open sets aside a journal that it does not recover, and whenever
// a journal cannot be set aside (at the program's end on standard error,
// when no window is left to tell it in).

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "journal/JournalReader.h"
#include "journal/JournalReplay.h"
#include "journal/JournalWriter.h"

class CApList;
class CSiteRecord;
struct ApRecord;

inline constexpr const char* kRecoverCaption = "Recover Survey";
inline constexpr const char* kJournalCaption = "Survey Journal";

// What Open found beside a site file.
enum class JournalFound {
    None,         // no journal
    Recoverable,  // begun on this very file, with points or deletions in it
    Empty,        // nothing to recover: only its begin record, a begin cut
                  // short, or it ends with the save that wrote this file
    Foreign,      // of another file or another version of this one,
                  // unreadable, or not a journal at all
    Live,         // the journal this survey is writing (its site opened again)
};

// "Recover 3 survey points " + `when` + "?", or for a journal of deletions
// only "Recover 2 deletions of survey points " + `deletionsWhen` + "?".
std::string RecoverQuestion(const JournalContents& contents, const std::string& when,
                            const std::string& deletionsWhen);

struct JournalFinding {
    JournalFound kind = JournalFound::None;
    std::string path;
    JournalContents contents;  // Recoverable
    std::string why;           // Foreign: what is wrong with it, for the surveyor
    // "Recover 3 survey points recorded after the last save?"
    std::string Question() const;
};

class CSurveyJournal {
public:
    using Tell = std::function<void(const std::string& caption, const std::string& text)>;
    explicit CSurveyJournal(Tell tell);
    // Leaves the survey (Leave).
    ~CSurveyJournal();
    CSurveyJournal(const CSurveyJournal&) = delete;
    CSurveyJournal& operator=(const CSurveyJournal&) = delete;

    // The file calls of the journal (null: the real ones) and the clock that
    // names journals set aside; for tests, while no survey is open.
    void UseFileOps(FileOps* ops);
    void UseClock(std::function<time_t()> clock);

    // Open, before the keep-points question: what lies beside `sitePath`,
    // whose file Open has read into `site` (header and fingerprint). Reads
    // only, so an Open that fails later leaves every journal as it was.
    JournalFinding Inspect(const std::string& sitePath, const CSiteRecord& site) const;
    // The Open of a Recoverable finding succeeded and the surveyor wants it
    // back: `list` and `site` hold what the journal's Open started from (the
    // file's points when its begin kept them). The journal is replayed into
    // them through `sink` and goes on; when it was damaged or did not replay
    // to its end, a copy of it is kept first and the surveyor is told.
    JournalReplay Recover(const JournalFinding& found, CApList& list, CSiteRecord& site,
                          const ReplaySink& sink);
    // The Open succeeded and the surveyor wants the points of the journal
    // set aside at `asidePath` (of this very file, `contents` as read) back:
    // `found` is settled as Opened settles it, the journal set aside takes
    // the journal's own name again (so it is never offered twice) and is
    // replayed and continued as Recover does. When it cannot take the name
    // (a read-only folder), the points are replayed all the same, the
    // journal set aside stays where it is, and the surveyor is told that
    // they are not protected against a crash.
    JournalReplay RecoverAside(const JournalFinding& found, const std::string& asidePath,
                               const JournalContents& contents, CApList& list, CSiteRecord& site,
                               const ReplaySink& sink);
    // Any other Open succeeded: the journal found is settled (declined:
    // set aside; Foreign: set aside and the surveyor told; Empty: removed)
    // and a new one begins on the opened file, `keptPoints` being the answer
    // to the keep-points question.
    void Opened(const JournalFinding& found, const CSiteRecord& site, bool keptPoints);

    // Right after RecordPoint appended its entries to `list` behind `tail`;
    // on the disk when it returns.
    void PointRecorded(const CApList& list, const ApRecord* tail, const CSiteRecord& site);
    // Right after a point's run of records was removed, as `deletion` says.
    void PointDeleted(const JournalDeletion& deletion);
    // Just before SaveSiteFile(path, site, pixel, list, now).
    void SaveStarting(const CSiteRecord& site, const CApList& list, uint32_t now);
    // After a successful save: the site file holds everything, so the journal
    // goes, and a new one begins on the saved file with the running counters.
    void Saved(const CSiteRecord& site);
    // After a successful SaveSiteAs(sitePath, ...): the survey lives in the
    // new file now, so the old file's journal goes (its points are all in the
    // new file and are never offered again) and a new journal begins beside
    // the new file with the running counters. Call SaveStarting before the
    // Save As as before a save.
    void SavedAs(const std::string& sitePath, const CSiteRecord& site);
    // The surveyor chose not to save the survey (it is set aside when the
    // survey is left, unless more points come first).
    void Discarded();
    // Leaves the survey (another Open, the program's end): a journal with
    // nothing unsaved goes, a discarded one is set aside, one holding unsaved
    // points stays for the next Open. Only the file this survey wrote is
    // touched.
    void Leave();

    // A journal is being written.
    bool Protecting() const { return m_writer->IsOpen(); }
    // Journals that were to be set aside and could not be renamed.
    uint32_t AsideFailures() const { return m_asideFailures; }

private:
    FileOps& Ops() const { return m_ops != nullptr ? *m_ops : m_posix; }
    time_t Now() const { return m_clock(); }
    void Begin(const JournalBegin& begin);
    // What Open does with the journal it found and does not recover.
    void Settle(const JournalFinding& found);
    void Failed(const JournalStatus& status);
    bool OwnsJournalFile() const;
    // Sets the journal at `path` aside; a failure is counted and told.
    void SetAside(const std::string& path);

    Tell m_tell;
    mutable PosixFileOps m_posix;
    FileOps* m_ops = nullptr;
    std::function<time_t()> m_clock;
    std::unique_ptr<JournalWriter> m_writer;
    std::string m_path;      // the journal of the open survey
    bool m_unsaved = false;  // changes since the journal began
    bool m_discarded = false;
    bool m_told = false;  // about a journal that cannot be written, since the Open
    uint32_t m_asideFailures = 0;
};
