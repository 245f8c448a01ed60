#pragma once
// Writing the survey journal: append-only, every record flushed to the disk
// (fdatasync) before the call returns, so that a point is on the disk before
// the screen shows it as recorded. Every file call goes through FileOps.
// A failing call closes the journal and returns the system's reason; the
// survey goes on without it (the records already written stay readable).

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "journal/JournalFormat.h"
#include "site/FileOps.h"

inline constexpr const char* kJournalUnprotectedText =
    "Survey points are not protected against a crash: ";

struct [[nodiscard]] JournalStatus {
    bool ok = true;
    std::string reason;  // the system's text for the errno of the failing call
    static JournalStatus Ok() { return {}; }
    static JournalStatus Fail(int err);
    // "Survey points are not protected against a crash: " and the reason.
    std::string Message() const { return kJournalUnprotectedText + reason; }
};

class JournalWriter {
public:
    explicit JournalWriter(FileOps& ops);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Starts a new journal at `path`: file header and begin record, written
    // now and flushed (with the directory, so that the file itself outlasts a
    // crash) only with the first change appended. A journal already there is
    // set aside first (`now` names it), never overwritten. On failure nothing
    // of the new journal is left.
    JournalStatus Create(const std::string& path, const JournalBegin& begin, time_t now);
    // Goes on with a recovered journal: cuts it after its last whole record
    // (`validEnd` of ReadJournal, so a torn tail goes) and appends after it.
    JournalStatus Continue(const std::string& path, uint64_t validEnd);

    JournalStatus AppendPoint(const JournalPoint& point);
    JournalStatus AppendDeletion(const JournalDeletion& deletion);
    JournalStatus AppendSaved(const JournalSaved& saved);

    // Closes the file; its records are on the disk already.
    void Close();
    // Closes it and forgets which file it was (after it was removed or set aside).
    void Forget();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }
    // Whether `st` (of a path) is the file this writer began or continued
    // last, also after it was closed.
    bool IsItsFile(const struct stat& st) const;

private:
    JournalStatus WriteRecord();
    JournalStatus Broken(int err);
    // Notes which file the descriptor is (IsItsFile).
    JournalStatus Identify();

    FileOps& m_ops;
    int m_fd = -1;
    uint64_t m_end = 0;  // where the next record goes
    std::string m_path;
    dev_t m_dev = 0;  // of the file at m_path, once it was opened
    ino_t m_ino = 0;
    bool m_known = false;
    bool m_nameOnDisk = false;  // the directory was flushed since the file was made
    std::vector<uint8_t> m_buffer;
};

// Sets the journal at `path` aside: renames it to path + "." + the UTC time
// `now` as YYYYMMDD-HHMMSS ("office.hss.journal.20261207-051500"), with
// "-2", "-3", ... added when that name is taken. Never deletes or replaces a
// file. `asidePath`, when given, receives the new name.
JournalStatus SetJournalAside(FileOps& ops, const std::string& path, time_t now,
                              std::string* asidePath = nullptr);

// The time in the name SetJournalAside (or CopyJournalAside) gave a journal
// set aside from `journalPath`; false when `name` is no such name.
bool SetAsideTime(const std::string& journalPath, const std::string& name, time_t& when);

// Keeps a copy of the journal at `path` under the name SetJournalAside would
// give it (fsynced, the directory flushed) and leaves the journal itself as
// it is: before a damaged journal is cut after the part that could be read.
JournalStatus CopyJournalAside(FileOps& ops, const std::string& path, time_t now,
                               std::string* asidePath = nullptr);

// Removes the journal at `path` (after a successful save: the site file
// holds everything now). A missing journal is fine.
JournalStatus RemoveJournal(FileOps& ops, const std::string& path);
