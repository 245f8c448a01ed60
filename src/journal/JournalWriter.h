#pragma once
// Writing the survey journal: append-only, every record flushed to the disk
// (fdatasync) before the call returns, so that a point is on the disk before
// the screen shows it as recorded. Every file call goes through FileOps.
// A failing call closes the journal and returns the system's reason; the
// survey goes on without it (the records already written stay readable).

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "journal/JournalFormat.h"
#include "site/FileOps.h"

inline constexpr const char* kJournalUnprotectedText =
    "Survey points are not protected against a crash: ";

struct JournalStatus {
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

    // Starts a new journal at `path`: file header and begin record, flushed,
    // and the directory flushed so that the file itself outlasts a crash. A
    // journal already there is set aside first (`now` names it), never
    // overwritten. On failure nothing of the new journal is left.
    JournalStatus Create(const std::string& path, const JournalBegin& begin, time_t now);
    // Goes on with a recovered journal: cuts it after its last whole record
    // (`validEnd` of ReadJournal, so a torn tail goes) and appends after it.
    JournalStatus Continue(const std::string& path, uint64_t validEnd);

    JournalStatus AppendPoint(const JournalPoint& point);
    JournalStatus AppendDeletion(const JournalDeletion& deletion);

    // Closes the file; its records are on the disk already.
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }

private:
    JournalStatus WriteRecord();
    JournalStatus Broken(int err);

    FileOps& m_ops;
    int m_fd = -1;
    uint64_t m_end = 0;  // where the next record goes
    std::string m_path;
    std::vector<uint8_t> m_buffer;
};

// Sets the journal at `path` aside: renames it to path + "." + the UTC time
// `now` as YYYYMMDD-HHMMSS ("office.hss.journal.20261207-051500"), with
// "-2", "-3", ... added when that name is taken. Never deletes or replaces a
// file. `asidePath`, when given, receives the new name.
JournalStatus SetJournalAside(FileOps& ops, const std::string& path, time_t now,
                              std::string* asidePath = nullptr);

// Removes the journal at `path` (after a successful save: the site file
// holds everything now) and flushes the directory. A missing journal is fine.
JournalStatus RemoveJournal(FileOps& ops, const std::string& path);
