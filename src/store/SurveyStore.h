#pragma once
// The survey store of the open site: an SQLite file beside the site file
// ("office.hss.survey") with what the site file has no room for: the plan's
// scale and source, every reading behind each point's averages, the
// coverage map's choice and the site's settings (docs/survey-store.md).
//
// It follows the survey as the journal does: a recorded point's readings
// are committed (one transaction, synchronous, WAL) before the point shows
// as recorded, a deletion takes them out of the survey, a save brings the
// store to the file the save wrote, a recovery from the journal gives the
// recovered points their readings back, and a declined one sets them aside.
// Points have no ids in the site file: the store knows a point by its place
// in the survey (SurveySequence.h) and checks it by position and entries.
//
// The store never stops a survey: a store that is missing is made, one that
// cannot be opened, read or written (locked, read-only, a full disk, an
// error of the disk) or that a newer Pellorin wrote is left alone, a damaged
// one is renamed aside and a new one begun. The surveyor is told once per
// Open through `tell`; after a failure the store says nothing more and keeps
// nothing more until the next Open. Qt-free; user-interface thread only.

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aplist/ScanReading.h"
#include "store/StoreBinding.h"
#include "store/SurveySequence.h"
#include "throughput/ThroughputResult.h"

class CApList;
struct JournalContents;
struct JournalDeletion;
struct JournalPoint;
struct LoggedCircle;

namespace sqlite {
class Db;
}
struct StorePeek;

inline constexpr const char* kStoreCaption = "Survey Store";

// The plan's scale: metres per plan pixel, and what it was taken from (a
// line of known length on the plan, or the ratio the plan was printed at).
struct PlanScaleRecord {
    double metresPerPixel = 0;
    bool fromLine = false;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the line, in plan pixels
    double metres = 0;                      // its length
    int64_t printRatio = 0;                 // N of 1:N, else 0
};

// Where the plan came from: the file, its format ("pdf", "svg", "png" ...),
// the page (from 1) and resolution of a PDF or SVG (0 otherwise), the size.
struct PlanSourceRecord {
    std::string file;
    std::string format;
    int64_t page = 0;
    double dpi = 0;
    int64_t width = 0;
    int64_t height = 0;
    bool operator==(const PlanSourceRecord&) const = default;
};

// One access point's readings at one point.
struct ApStatistics {
    uint8_t mac[6] = {};
    int64_t readings = 0;
    int64_t least = 0;  // dBm
    int64_t most = 0;
    double mean = 0;
    double spread = 0;  // standard deviation of the readings, dB
};

// The coverage map's choice for this site (the report takes it unless told
// otherwise): a network (SSID or MAC text) and the radius.
struct CoverageChoice {
    std::string network;
    double radiusMetres = 0;  // 0: not set
    int64_t radiusPixels = 0;
};

// The survey's points as Open left them: the circle log's entries, each with
// the first survey-list record it stands for.
std::vector<SequencePoint> SurveyPointsOf(const CApList& list,
                                          const std::vector<LoggedCircle>& circles);

class CSurveyStore {
public:
    using Tell = std::function<void(const std::string& caption, const std::string& text)>;
    explicit CSurveyStore(Tell tell);
    ~CSurveyStore();
    CSurveyStore(const CSurveyStore&) = delete;
    CSurveyStore& operator=(const CSurveyStore&) = delete;

    // The SQLite VFS to open stores with (empty: the default) and the clock
    // that names stores set aside; for tests, while no store is open.
    void UseVfs(std::string name) { m_vfs = std::move(name); }
    void UseClock(std::function<time_t()> clock) { m_clock = std::move(clock); }

    // Open succeeded without a recovery: the store beside `sitePath` is
    // opened (or made) and bound to the file as read (`binding`, its point
    // groups `filePoints` in file order), `keptPoints` the answer to the
    // keep-points question. Readings of points recorded after the file's
    // last save (a recovery declined, or a journal lost) are set aside.
    // `peek` (StorePeek.h), taken by Peek while the file was read, saves
    // opening the store and reading its file points again.
    void Opened(const std::string& sitePath, const StoreBinding& binding,
                const std::vector<SequencePoint>& filePoints, bool keptPoints,
                StorePeek* peek = nullptr);
    // The store beside `sitePath` looked at for Opened; any thread, while
    // no VFS is being set.
    std::unique_ptr<StorePeek> Peek(const std::string& sitePath) const;
    // Open recovered the journal: the first `applied` changes of `journal`
    // were replayed onto the file's points (kept as its begin says). The
    // recovered points get their readings back; readings the journal does
    // not know were never shown as recorded and go.
    void Recovered(const std::string& sitePath, const StoreBinding& binding,
                   const std::vector<SequencePoint>& filePoints, const JournalContents& journal,
                   size_t applied);
    // Before the point shows as recorded (and before the journal's record
    // of it): its check, its scan's readings and noise floors, in one
    // transaction. False when the store did not keep them.
    bool PointRecorded(const JournalPoint& point, const std::vector<ScanReading>& readings,
                       const std::vector<ScanNoise>& noise = {});
    // After a deletion of the survey (what the journal records of it).
    void PointDeleted(const JournalDeletion& deletion);
    // Just before the save replaces the site file with one of binding `after`.
    void SaveStarting(const StoreBinding& after);
    // After a successful save: the store holds the points as the saved file
    // groups them, bound to it.
    void Saved();
    // Save As wrote the survey into the site file `sitePath` (binding
    // `after`): the store goes with it, as a copy bound to the new file
    // (points grouped as it holds them) that the survey goes on recording
    // into; the store beside the old file stays as it was. A store already
    // beside the new file is set aside first. Without an open store one is
    // begun for the new file's points (`filePoints`, asked only then). A
    // copy that cannot be made is told once; the survey goes on without.
    void SavedAs(const std::string& sitePath, const StoreBinding& after,
                 const std::function<std::vector<SequencePoint>()>& filePoints);
    // The survey is left.
    void Close();

    bool IsOpen() const;
    // The survey's points as the store has them (ordinal order).
    const CSurveySequence& Sequence() const { return m_sequence; }
    // The readings of the point at `ordinal`, per access point (MAC order);
    // empty for a point without them.
    std::vector<ApStatistics> PointStatistics(size_t ordinal);
    std::vector<ScanReading> PointReadings(size_t ordinal);
    // The noise floors measured at the point at `ordinal` (every scan's,
    // channel by channel); empty where none were. FilePointNoise: the same for
    // the point group at `fileIndex` of the bound site file.
    std::vector<ScanNoise> PointNoise(size_t ordinal);
    std::vector<ScanNoise> FilePointNoise(size_t fileIndex);
    // PointNoise of every point that has noise floors, by ordinal, in one
    // query: the window's metric maps want all of them at every change.
    std::map<size_t, std::vector<ScanNoise>> EveryPointNoise();

    // The throughput test run at the point of store row `pointId` after its
    // readings were kept (a point's row: Sequence().Points().back().id right
    // after PointRecorded): its figures, or why it measured nothing. Its own
    // transaction, so a crash between the two keeps the point's readings.
    bool ThroughputTested(int64_t pointId, const ThroughputOutcome& outcome);
    // The latest test at the point at `ordinal`; nothing where none was run.
    std::optional<ThroughputOutcome> PointThroughput(size_t ordinal);
    // The same for the point group at `fileIndex` of the bound site file
    // (tools reading a store opened with OpenToRead).
    std::optional<ThroughputOutcome> FilePointThroughput(size_t fileIndex);
    // PointThroughput of every point that has a test, by ordinal, in one query.
    std::map<size_t, ThroughputOutcome> EveryPointThroughput();

    std::optional<PlanScaleRecord> Scale();
    bool SetScale(const PlanScaleRecord& scale);
    std::optional<PlanSourceRecord> PlanSource();
    bool SetPlanSource(const PlanSourceRecord& source);
    std::optional<CoverageChoice> Coverage();
    bool SetCoverage(const CoverageChoice& choice);
    std::optional<std::string> Setting(const std::string& key);
    bool SetSetting(const std::string& key, const std::string& value);

    // For tools that set what belongs to the plan (scale, source) without a
    // survey: opens the store and binds it to the plan of `binding` only;
    // points and their readings stay as they are.
    bool OpenForPlan(const std::string& sitePath, const StoreBinding& binding);
    // Opens an existing store read-only (pellorin-site info); false when
    // there is none or it cannot be read. Nothing is written or told.
    bool OpenToRead(const std::string& sitePath, StoreBinding* bound = nullptr);

private:
    enum class Opening { kOpen, kUnavailable };
    // With `peek` (one of this very store file, its connection still held)
    // that connection is taken as it is.
    Opening OpenFile(const std::string& sitePath, StorePeek* peek = nullptr);
    bool Guard(const std::function<void(sqlite::Db&)>& work);
    void Failed(const std::string& why);
    std::string CopyFor(const std::string& copy, const StoreBinding& after);
    // The latest test / the noise floors of the live point whose `column`
    // (ordinal or file_index, each unique among live points) is `place`, or
    // of every live point, keyed by `column`.
    std::map<size_t, ThroughputOutcome> TestsAt(const char* column, std::optional<size_t> place);
    std::map<size_t, std::vector<ScanNoise>> NoiseAt(const char* column,
                                                     std::optional<size_t> place);
    void TellOnce(const std::string& text);
    time_t Now() const { return m_clock(); }

    Tell m_tell;
    std::string m_vfs;
    std::function<time_t()> m_clock;
    std::unique_ptr<sqlite::Db> m_db;
    std::string m_path;
    CSurveySequence m_sequence;
    bool m_told = false;
};

class IByteSource;
class CSiteRecord;
// The point groups of the site file `site` was read from (header read), as
// the store checks them, whether or not Open keeps them in the survey.
std::vector<SequencePoint> FilePointsOf(IByteSource& src, const CSiteRecord& site);
