#include "store/SurveyStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "aplist/ApList.h"
#include "journal/JournalReader.h"
#include "journal/JournalWriter.h"
#include "map/CircleLog.h"
#include "site/FileOps.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "store/Sqlite.h"
#include "store/StoreAside.h"
#include "store/StorePeek.h"
#include "store/StorePoints.h"
#include "store/StoreSchema.h"

namespace {

using sqlite::Db;
using sqlite::Stmt;
using storepoints::Which;

const char* const kNotKept = "Readings behind the survey points are not kept: ";

std::string FileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int64_t NowMs() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

SequencePoint CheckOf(const JournalPoint& p) {
    SequencePoint s;
    s.x = p.x;
    s.y = p.y;
    s.entries = static_cast<int32_t>(p.entries.size());
    s.placeholder = p.entries.size() == 1 && p.entries[0].channel == 0;
    return s;
}

bool SameCheck(const SequencePoint& a, const SequencePoint& b) {
    return a.x == b.x && a.y == b.y && a.entries == b.entries && a.placeholder == b.placeholder;
}

bool SameChecks(const std::vector<SequencePoint>& a, const std::vector<SequencePoint>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!SameCheck(a[i], b[i])) return false;
    return true;
}

}  // namespace

std::vector<SequencePoint> SurveyPointsOf(const CApList& list,
                                          const std::vector<LoggedCircle>& circles) {
    std::vector<SequencePoint> out;
    const ApRecord* e = list.First();
    for (const LoggedCircle& c : circles) {
        if (e == nullptr || c.records < 1) break;
        SequencePoint p;
        p.x = e->x;
        p.y = e->y;
        p.entries = c.records;
        p.placeholder = c.records == 1 && e->channel == 0;
        out.push_back(p);
        for (int32_t i = 0; i < c.records && e != nullptr; ++i)
            e = e->next == list.Sentinel() ? nullptr : e->next;
    }
    return out;
}

std::vector<SequencePoint> FilePointsOf(IByteSource& src, const CSiteRecord& site) {
    std::vector<SequencePoint> out;
    CApList list;
    CSiteRecord scratch = site;
    const ApRecord* mark = list.Sentinel();
    // Whatever the section holds whole; Open reports a damaged one itself.
    (void)ReadPoints(src, scratch, list, [&](int32_t x, int32_t y, int16_t) {
        SequencePoint p;
        p.x = x;
        p.y = y;
        p.entries = list.CountAfter(mark);
        const ApRecord* first = mark->next;
        p.placeholder = p.entries == 1 && first->channel == 0;
        if (p.entries > 0) out.push_back(p);
        mark = list.Last();
    });
    return out;
}

CSurveyStore::CSurveyStore(Tell tell)
    : m_tell(std::move(tell)), m_clock([] { return std::time(nullptr); }) {}

CSurveyStore::~CSurveyStore() { Close(); }

bool CSurveyStore::IsOpen() const { return m_db && m_db->IsOpen(); }

void CSurveyStore::Close() {
    if (m_db) m_db->Close();
    m_db.reset();
    m_sequence.Clear();
}

void CSurveyStore::TellOnce(const std::string& text) {
    if (m_told) return;
    m_told = true;
    if (m_tell) m_tell(kStoreCaption, text);
}

void CSurveyStore::Failed(const std::string& why) {
    Close();
    TellOnce(kNotKept + why);
}

// Runs `work` on the open store; a failure closes it and tells the surveyor
// (once), and the survey goes on without it.
bool CSurveyStore::Guard(const std::function<void(sqlite::Db&)>& work) {
    if (!IsOpen()) return false;
    try {
        work(*m_db);
        return true;
    } catch (const sqlite::Error& e) {
        Failed(std::string(e.what()) + ".");
    } catch (const std::bad_alloc&) {
        Failed("not enough memory.");
    }
    return false;
}

std::unique_ptr<StorePeek> CSurveyStore::Peek(const std::string& sitePath) const {
    return PeekStore(sitePath, m_vfs);
}

CSurveyStore::Opening CSurveyStore::OpenFile(const std::string& sitePath, StorePeek* peek) {
    Close();
    m_path = StorePathFor(sitePath);
    if (peek) {
        m_db = std::move(peek->db);
        return Opening::kOpen;
    }
    const char* vfs = m_vfs.empty() ? nullptr : m_vfs.c_str();
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto db = std::make_unique<Db>();
        try {
            db->Open(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                     vfs);
            storeschema::SetUpConnection(*db);
            if (sqlite3_db_readonly(db->Handle(), "main") == 1)
                throw sqlite::Error(SQLITE_READONLY, "the file cannot be written");
            const int64_t version = sqlite::QueryInt(*db, "PRAGMA user_version").value_or(0);
            if (version > storeschema::kVersion) {
                TellOnce("The survey store " + FileName(m_path) +
                         " was written by a newer Pellorin (store version " +
                         std::to_string(version) + "; this one reads up to version " +
                         std::to_string(storeschema::kVersion) +
                         "). It is left as it is; readings behind the survey points are not "
                         "kept.");
                return Opening::kUnavailable;
            }
            // Small pages: a point's commit writes a few kilobytes, not tens.
            if (version == 0) db->Exec("PRAGMA page_size = 1024");
            Stmt mode(*db, "PRAGMA journal_mode = WAL");
            const bool wal = mode.Step() && mode.Text(0) == "wal";
            mode.Reset();
            if (!wal)
                throw sqlite::Error(SQLITE_CANTOPEN, "the store's write-ahead log cannot be used");
            if (version < storeschema::kVersion) {
                sqlite::Transaction t(*db);
                storeschema::Migrate(*db, version, storeschema::kVersion);
                t.Commit();
            }
            // A damaged page is found here rather than in the middle of the survey.
            storepoints::ReadMeta(*db);
            m_db = std::move(db);
            return Opening::kOpen;
        } catch (const sqlite::Error& e) {
            db.reset();
            if (!e.Damaged() || attempt > 0) {
                TellOnce(kNotKept + FileName(m_path) + ": " + e.what() + ".");
                return Opening::kUnavailable;
            }
            // Kept whole under another name, never written over: with its
            // log and shared memory, so that nothing of it meets the new one.
            std::string aside;
            const JournalStatus moved = SetStoreAside(m_path, Now(), aside);
            if (!moved.ok) {
                TellOnce(kNotKept + FileName(m_path) + " is damaged and cannot be set aside (" +
                         moved.reason + ").");
                return Opening::kUnavailable;
            }
            TellOnce("The survey store beside this site was damaged. It was kept as " +
                     FileName(aside) + " and a new one was begun.");
        }
    }
    return Opening::kUnavailable;
}

void CSurveyStore::Opened(const std::string& sitePath, const StoreBinding& binding,
                          const std::vector<SequencePoint>& filePoints, bool keptPoints,
                          StorePeek* peek) {
    m_told = false;
    const bool peeked = peek && peek->db && peek->path == StorePathFor(sitePath);
    if (OpenFile(sitePath, peeked ? peek : nullptr) != Opening::kOpen) return;
    Guard([&](Db& db) {
        sqlite::Transaction t(db);
        storepoints::Meta meta = storepoints::ReadMeta(db);
        // The peek's rows, while they are still the store's.
        bool peekHolds = peeked && sqlite::QueryInt(db, "PRAGMA data_version") == peek->dataVersion;
        // A save that went through after its SaveStarting and before Saved.
        if (meta.binding && meta.pendingSave && *meta.pendingSave == binding.site) {
            storepoints::Settle(db, binding.site);
            meta = storepoints::ReadMeta(db);
            peekHolds = false;
        }
        std::string told;
        // The survey as it will stand, where it is known without reading it
        // back: a reopened store that matches its file (most Opens).
        std::optional<std::vector<SequencePoint>> survey;
        bool surveyAsIs = false;  // SurveyIsFile would change nothing
        if (!meta.binding) {
            storepoints::AddFilePoints(db, filePoints, keptPoints);
        } else if (meta.binding->site != binding.site || !meta.binding->SamePlan(binding)) {
            const bool samePlan = meta.binding->SamePlan(binding);
            const int64_t aside = storepoints::NewAside(
                db, samePlan ? "another version of the site file" : "another floor plan", Now());
            const bool readings = storepoints::SetPointsAside(db, aside, Which::kAll);
            const bool scale = !samePlan && storepoints::SetScaleAside(db, aside);
            if (readings || scale)
                told = std::string("The survey store beside this site was written for ") +
                       (samePlan ? "another version of this site file" : "another floor plan") +
                       ": " +
                       (readings && scale ? "the readings of its points and its scale were"
                        : readings        ? "the readings of its points were"
                                          : "its scale was") +
                       " set aside" +
                       (samePlan && scale ? ""
                        : samePlan        ? "; the plan's scale was kept"
                                          : "") +
                       ".";
            storepoints::AddFilePoints(db, filePoints, keptPoints);
        } else {
            // The file as the store knows it: the points recorded after its
            // last save are not in this survey (recovery declined or no
            // journal), and the file's points must be the store's.
            storepoints::LiveFilePoints stored =
                peekHolds ? std::move(peek->live) : storepoints::ReadLiveFilePoints(db);
            if (stored.unsaved)
                storepoints::SetPointsAside(
                    db, storepoints::NewAside(db, "not recovered from the journal", Now()),
                    Which::kUnsaved);
            if (!SameChecks(stored.file, filePoints)) {
                if (storepoints::SetPointsAside(
                        db, storepoints::NewAside(db, "points differ from the file's", Now()),
                        Which::kAll))
                    told =
                        "The points of the survey store beside this site are not the points "
                        "of the site file: their readings were set aside.";
                storepoints::AddFilePoints(db, filePoints, keptPoints);
            } else {
                // SurveyIsFile below makes the file's rows the survey, or none
                // (the unsaved ones are aside by now).
                surveyAsIs = keptPoints ? stored.surveyIsFile : stored.surveyIsNone;
                survey = keptPoints ? std::move(stored.file) : std::vector<SequencePoint>{};
            }
        }
        if (!surveyAsIs) storepoints::SurveyIsFile(db, keptPoints);
        // Reopening the same file writes nothing (and waits for no disk).
        const storepoints::Meta now = storepoints::ReadMeta(db);
        if (now.pendingSave) storepoints::WritePendingSave(db, std::nullopt);
        if (now.binding != binding) storepoints::WriteBinding(db, binding);
        t.Commit();
        if (survey) {
            m_sequence.Clear();
            for (const SequencePoint& p : *survey) m_sequence.Append(p);
        } else {
            storepoints::LoadSequence(db, m_sequence);
        }
        if (!told.empty()) TellOnce(told);
    });
}

void CSurveyStore::Recovered(const std::string& sitePath, const StoreBinding& binding,
                             const std::vector<SequencePoint>& filePoints,
                             const JournalContents& journal, size_t applied) {
    // First as an Open without the journal's points, but keeping the
    // unsaved points; then the journal decides which of them are the survey's.
    m_told = false;
    if (OpenFile(sitePath) != Opening::kOpen) return;
    Guard([&](Db& db) {
        sqlite::Transaction t(db);
        storepoints::Meta meta = storepoints::ReadMeta(db);
        const bool bound = meta.binding && meta.binding->site == binding.site &&
                           meta.binding->SamePlan(binding) &&
                           SameChecks(storepoints::FilePoints(db), filePoints);
        std::vector<storepoints::Unsaved> unsaved;
        if (bound) {
            unsaved = storepoints::UnsavedPoints(db);
        } else {
            const bool samePlan = meta.binding && meta.binding->SamePlan(binding);
            const int64_t aside = storepoints::NewAside(db, "not this site file", Now());
            const bool readings = storepoints::SetPointsAside(db, aside, Which::kAll);
            if (!samePlan) storepoints::SetScaleAside(db, aside);
            if (readings && meta.binding)
                TellOnce(
                    "The survey store beside this site was written for another version of "
                    "this site file: the readings of its points were set aside.");
            storepoints::AddFilePoints(db, filePoints, false);
        }
        CSurveySequence seq;
        if (journal.begin.keepPoints)
            for (const SequencePoint& p : storepoints::FilePoints(db)) seq.Append(p);
        std::vector<bool> used(unsaved.size(), false);
        for (size_t c = 0; c < applied && c < journal.changes.size(); ++c) {
            if (const auto* point = std::get_if<JournalPoint>(&journal.changes[c])) {
                SequencePoint p = CheckOf(*point);
                p.id = 0;
                for (size_t u = 0; u < unsaved.size() && p.id == 0; ++u)
                    if (!used[u] && unsaved[u].sequence == point->locationCount &&
                        SameCheck(unsaved[u].check, p)) {
                        used[u] = true;
                        p.id = unsaved[u].id;
                    }
                // A point without its readings (the store was out of use
                // when it was recorded) still holds its place.
                if (p.id == 0) p.id = storepoints::InsertPoint(db, p, -1, point->locationCount, 0);
                seq.Append(p);
            } else {
                const auto& d = std::get<JournalDeletion>(journal.changes[c]);
                const auto run = seq.LocateRun(d.firstIndex, d.removed);
                if (!run) break;
                seq.Erase(*run);
            }
        }
        // Readings committed for a point whose journal record never made
        // it: the point never showed as recorded.
        for (size_t u = 0; u < unsaved.size(); ++u)
            if (!used[u]) storepoints::DeletePoint(db, unsaved[u].id);
        storepoints::WriteOrdinals(db, seq);
        storepoints::WritePendingSave(db, std::nullopt);
        storepoints::WriteBinding(db, binding);
        t.Commit();
        m_sequence = std::move(seq);
    });
}

bool CSurveyStore::PointRecorded(const JournalPoint& point,
                                 const std::vector<ScanReading>& readings,
                                 const std::vector<ScanNoise>& noise) {
    return Guard([&](Db& db) {
        SequencePoint p = CheckOf(point);
        sqlite::Transaction t(db);
        p.id = storepoints::InsertPoint(db, p, static_cast<int64_t>(m_sequence.Size()),
                                        point.locationCount, NowMs());
        storepoints::InsertReadings(db, p.id, readings);
        storepoints::InsertNoise(db, p.id, noise);
        t.Commit();
        m_sequence.Append(p);
    });
}

void CSurveyStore::PointDeleted(const JournalDeletion& deletion) {
    if (!IsOpen()) return;
    const auto run = m_sequence.LocateRun(deletion.firstIndex, deletion.removed);
    if (!run) {
        Failed("the store's points are no longer the survey's.");
        return;
    }
    Guard([&](Db& db) {
        sqlite::Transaction t(db);
        storepoints::RemoveFromSurvey(db, static_cast<int64_t>(run->first),
                                      static_cast<int64_t>(run->count));
        t.Commit();
        m_sequence.Erase(*run);
    });
}

// Save As: the store goes with the survey to the new file. The copy is made
// whole and synced under a name of its own before it takes the store's
// place, so a crash never leaves half a store beside the new file; the store
// beside the old file is only read.
void CSurveyStore::SavedAs(const std::string& sitePath, const StoreBinding& after,
                           const std::function<std::vector<SequencePoint>()>& filePoints) {
    const std::string target = StorePathFor(sitePath);
    struct stat here {
    }, there{};
    if (IsOpen() && ::stat(m_path.c_str(), &here) == 0 && ::stat(target.c_str(), &there) == 0 &&
        here.st_dev == there.st_dev && here.st_ino == there.st_ino) {
        Guard([&](Db& db) {  // Save As onto the open file: a save
            sqlite::Transaction t(db);
            storepoints::WriteBinding(db, after);
            storepoints::Settle(db, after.site);
            t.Commit();
            storepoints::LoadSequence(db, m_sequence);
        });
        return;
    }
    m_told = false;
    const std::string copy = target + ".saving";
    if (IsOpen()) {
        const std::string why = CopyFor(copy, after);
        if (!why.empty()) {
            TellOnce(kNotKept + FileName(target) + " could not be made (" + why +
                     "). The readings taken so far stay in " + FileName(m_path) + ".");
            Close();
            return;
        }
    }
    std::string aside;
    if (StoreIsThere(target)) {
        const JournalStatus moved = SetStoreAside(target, Now(), aside);
        if (!moved.ok) {
            ::unlink(copy.c_str());
            TellOnce(std::string(kNotKept) + "the survey store beside " + FileName(sitePath) +
                     " cannot be set aside (" + moved.reason + ").");
            Close();
            return;
        }
    }
    if (!IsOpen()) {
        // No store to carry: a new one for the new file, as at Open.
        Opened(sitePath, after, filePoints(), true);
    } else {
        PosixFileOps ops;
        const size_t slash = target.rfind('/');
        int err = ops.RenameNoReplace(copy.c_str(), target.c_str()) == 0 ? 0 : errno;
        if (err == 0)
            err = SyncDirectory(ops, slash == std::string::npos ? "." : target.substr(0, slash));
        if (err != 0) {
            const std::string why = std::strerror(err);
            ::unlink(copy.c_str());
            TellOnce(kNotKept + FileName(target) + " could not be made (" + why +
                     "). The readings taken so far stay in " + FileName(m_path) + ".");
            Close();
            return;
        }
        if (OpenFile(sitePath) == Opening::kOpen)
            Guard([&](Db& db) { storepoints::LoadSequence(db, m_sequence); });
    }
    if (!aside.empty())
        TellOnce("The survey store that was beside " + FileName(sitePath) + " was kept as " +
                 FileName(aside) + ".");
}

// The open store copied to `copy`, bound to the file of `after` as a save
// leaves it, and on the disk; "" or why not.
std::string CSurveyStore::CopyFor(const std::string& copy, const StoreBinding& after) {
    // A copy a crash left behind is this program's: the new file's lock is held.
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) ::unlink((copy + suffix).c_str());
    try {
        Stmt into(*m_db, "VACUUM INTO ?");
        into.Bind(1, copy);
        into.Run();
        Db db;
        db.Open(copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                m_vfs.empty() ? nullptr : m_vfs.c_str());
        storeschema::SetUpConnection(db);
        sqlite::Transaction t(db);
        storepoints::WriteBinding(db, after);
        storepoints::Settle(db, after.site);
        t.Commit();
    } catch (const sqlite::Error& e) {
        ::unlink(copy.c_str());
        return e.what();
    } catch (const std::bad_alloc&) {
        ::unlink(copy.c_str());
        return "not enough memory";
    }
    // VACUUM INTO leaves its writes to the system; the copy is flushed
    // before any name points at it.
    PosixFileOps ops;
    const int fd = ops.Open(copy.c_str(), O_RDONLY | O_CLOEXEC, 0);
    const bool synced = fd >= 0 && ops.Fsync(fd) == 0;
    const std::string why = synced ? std::string() : std::strerror(errno);
    if (fd >= 0) ops.Close(fd);
    if (!synced) ::unlink(copy.c_str());
    return why;
}

void CSurveyStore::SaveStarting(const StoreBinding& after) {
    Guard([&](Db& db) {
        sqlite::Transaction t(db);
        storepoints::WritePendingSave(db, after.site);
        t.Commit();
    });
}

void CSurveyStore::Saved() {
    Guard([&](Db& db) {
        sqlite::Transaction t(db);
        const storepoints::Meta meta = storepoints::ReadMeta(db);
        if (!meta.binding || !meta.pendingSave) return;  // SaveStarting did not reach the disk
        storepoints::Settle(db, *meta.pendingSave);
        t.Commit();
        storepoints::LoadSequence(db, m_sequence);
    });
}

std::vector<ApStatistics> CSurveyStore::PointStatistics(size_t ordinal) {
    std::vector<ApStatistics> out;
    Guard([&](Db& db) {
        Stmt s(db,
               "SELECT mac, COUNT(*), MIN(dbm), MAX(dbm), AVG(dbm), AVG(dbm * dbm) FROM readings "
               "WHERE point = (SELECT id FROM points WHERE aside IS NULL AND ordinal = ?) "
               "GROUP BY mac ORDER BY mac");
        s.Bind(1, static_cast<int64_t>(ordinal));
        while (s.Step()) {
            ApStatistics a;
            const std::vector<uint8_t> mac = s.Blob(0);
            if (mac.size() == 6) std::memcpy(a.mac, mac.data(), 6);
            a.readings = s.Int(1);
            a.least = s.Int(2);
            a.most = s.Int(3);
            a.mean = s.Real(4);
            a.spread = std::sqrt(std::max(0.0, s.Real(5) - a.mean * a.mean));
            out.push_back(a);
        }
    });
    return out;
}

std::vector<ScanReading> CSurveyStore::PointReadings(size_t ordinal) {
    std::vector<ScanReading> out;
    Guard([&](Db& db) {
        Stmt s(db,
               "SELECT mac, dbm, source, batch, time_ms FROM readings WHERE point = (SELECT id "
               "FROM points WHERE aside IS NULL AND ordinal = ?) ORDER BY rowid");
        s.Bind(1, static_cast<int64_t>(ordinal));
        while (s.Step()) {
            ScanReading r;
            const std::vector<uint8_t> mac = s.Blob(0);
            if (mac.size() == 6) std::memcpy(r.mac, mac.data(), 6);
            r.dbm = static_cast<int16_t>(s.Int(1));
            r.source = static_cast<ReadingSource>(s.Int(2));
            r.batch = static_cast<uint16_t>(s.Int(3));
            r.timeMs = s.Int(4);
            out.push_back(r);
        }
    });
    return out;
}
