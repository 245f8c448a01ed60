#pragma once
// The survey store's tables of points and of the binding, as the store
// itself uses them (SurveyStore.cpp). Every function runs inside the
// caller's transaction and throws sqlite::Error.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "aplist/ScanReading.h"
#include "store/StoreBinding.h"
#include "store/SurveySequence.h"

namespace sqlite {
class Db;
}

namespace storepoints {

struct Meta {
    std::optional<StoreBinding> binding;        // none in a new store
    std::optional<JournalBinding> pendingSave;  // a save begun and not settled
};
Meta ReadMeta(sqlite::Db& db);
void WriteBinding(sqlite::Db& db, const StoreBinding& b);
void WritePendingSave(sqlite::Db& db, const std::optional<JournalBinding>& pending);

// A new row of `asides`; its id.
int64_t NewAside(sqlite::Db& db, const std::string& reason, time_t now);
// Sets aside the live points that `which` selects ("all", "unsaved"); true
// when any of them had readings.
enum class Which { kAll, kUnsaved };
bool SetPointsAside(sqlite::Db& db, int64_t aside, Which which);
// Sets aside the plan's scale; true when there was one.
bool SetScaleAside(sqlite::Db& db, int64_t aside);

// The points the bound file holds, in file order.
std::vector<SequencePoint> FilePoints(sqlite::Db& db);
// What a reopened store holds of its file, read in one pass over the live
// points: the file's points (in file order), whether points recorded since
// the last save are there, and whether SurveyIsFile would find anything to
// change among the file's points.
struct LiveFilePoints {
    std::vector<SequencePoint> file;
    bool unsaved = false;
    bool surveyIsFile = true;  // each file point's ordinal is its file index
    bool surveyIsNone = true;  // no file point has an ordinal
};
LiveFilePoints ReadLiveFilePoints(sqlite::Db& db);
// Rows without readings for the file's points, in file order; with
// `inSurvey` already the survey's (ordinal = file index), as SurveyIsFile
// would make them, so that a new store's rows are written once.
void AddFilePoints(sqlite::Db& db, const std::vector<SequencePoint>& points, bool inSurvey);
// The points of the survey (ordinal order).
void LoadSequence(sqlite::Db& db, CSurveySequence& out);
// The survey is the file's points, or none of them.
void SurveyIsFile(sqlite::Db& db, bool keptPoints);
// The ordinals of `seq`; every other live point leaves the survey.
void WriteOrdinals(sqlite::Db& db, const CSurveySequence& seq);

// Points recorded since the last save: row id by the journal's counter L.
struct Unsaved {
    int64_t id = 0;
    int64_t sequence = 0;
    SequencePoint check;
};
std::vector<Unsaved> UnsavedPoints(sqlite::Db& db);
void DeletePoint(sqlite::Db& db, int64_t id);

int64_t InsertPoint(sqlite::Db& db, const SequencePoint& p, int64_t ordinal,
                    std::optional<int64_t> sequence, int64_t recordedMs);
void InsertReadings(sqlite::Db& db, int64_t point, const std::vector<ScanReading>& readings);
void InsertNoise(sqlite::Db& db, int64_t point, const std::vector<ScanNoise>& noise);
// Takes the points [first, first + count) out of the survey and closes the gap.
void RemoveFromSurvey(sqlite::Db& db, int64_t first, int64_t count);

// The survey (as its ordinals say) becomes the saved file's points: points
// the save writes as one group become one, points outside the survey go,
// the binding becomes the pending save's.
void Settle(sqlite::Db& db, const JournalBinding& saved);

}  // namespace storepoints
