#include "survey/SurveyDocument.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "aplist/ApList.h"
#include "coverage/SurveyPoints.h"
#include "journal/JournalCapture.h"
#include "journal/JournalFormat.h"
#include "site/PointRun.h"
#include "site/SiteRecord.h"
#include "site/SiteSave.h"
#include "store/StoreBinding.h"
#include "survey/SiteLoader.h"

namespace {

// The noise floors of every point of a run (points recorded one after
// another at one place), in the order they were kept.
std::vector<ScanNoise> NoiseOfRun(CSurveyStore& store, const CSurveySequence::Range& run) {
    std::vector<ScanNoise> noise;
    for (size_t i = run.first; i < run.first + run.count; ++i) {
        const std::vector<ScanNoise> more = store.PointNoise(i);
        noise.insert(noise.end(), more.begin(), more.end());
    }
    return noise;
}

// Moves every record of `from` to the end of `to`, in order.
void MoveRecords(CApList& from, CApList& to) {
    for (ApRecord* r = from.First(); r != nullptr; r = from.First()) {
        ApRecord* copy = nullptr;
        if (to.NewRecord(copy) == CApList::kOk) {
            ApRecord* prev = copy->prev;
            ApRecord* next = copy->next;
            *copy = *r;
            copy->prev = prev;
            copy->next = next;
            to.AddTail(copy);
        }
        from.Remove(r);
    }
}

}  // namespace

// Holds what the store has to say until the change under way is journalled
// and shown; then tells it.
class CSurveyDocument::NoteHold {
public:
    explicit NoteHold(CSurveyDocument& d) : m_d(d), m_outer(d.m_holdStoreNotes) {
        d.m_holdStoreNotes = true;
    }
    ~NoteHold() {
        m_d.m_holdStoreNotes = m_outer;
        if (!m_outer) m_d.TellStoreNotes();
    }
    NoteHold(const NoteHold&) = delete;
    NoteHold& operator=(const NoteHold&) = delete;

private:
    CSurveyDocument& m_d;
    bool m_outer;
};

DeletePointCommand DeletePointCommand::OfSelection(const CSiteRecord& site) {
    // The selection is only ever made from int32 positions.
    return {site.m_selFirstIndex, static_cast<int32_t>(site.m_selX),
            static_cast<int32_t>(site.m_selY)};
}

CSurveyDocument::CSurveyDocument(CSurveyJournal::Tell tell)
    : m_tell(std::move(tell)),
      m_journal(m_tell),
      m_store([this](const std::string& caption, const std::string& text) {
          m_storeNotes.emplace_back(caption, text);
          if (!m_holdStoreNotes) TellStoreNotes();
      }) {}

CSurveyDocument::~CSurveyDocument() {
    m_journal.Leave();
    m_store.Close();
    if (g_pSite == m_site.get()) g_pSite = nullptr;
}

void CSurveyDocument::AddListener(ISurveyListener* listener) { m_listeners.push_back(listener); }

void CSurveyDocument::RemoveListener(ISurveyListener* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                      m_listeners.end());
}

template <typename Event>
void CSurveyDocument::Tell(void (ISurveyListener::*event)(const Event&), const Event& what) {
    for (ISurveyListener* l : m_listeners) (l->*event)(what);
}

SiteOpening CSurveyDocument::Prepare(CSiteLoader& loaded, std::unique_ptr<StorePeek> store) const {
    SiteOpening opening;
    if (!(m_lock && m_lock->Holds(loaded.Path()))) {
        opening.taken = std::make_unique<CSiteLock>();
        opening.lock = opening.taken->Take(loaded.Path());
        if (opening.lock.kind != SiteLockResult::Kind::Taken) opening.taken.reset();
        // The other Pellorin's journal is its own: not even looked at; the
        // look its store had while the file was read goes unused.
        if (opening.ViewOnly()) return opening;
    }
    opening.store = std::move(store);
    opening.journal = m_journal.Inspect(loaded.Path(), loaded.Site());
    opening.setAside = FindSetAsideJournals(loaded.Path(), loaded.Site());
    return opening;
}

void CSurveyDocument::TellStoreNotes() {
    std::vector<std::pair<std::string, std::string>> notes;
    notes.swap(m_storeNotes);
    if (m_tell)
        for (const auto& [caption, text] : notes) m_tell(caption, text);
}

void CSurveyDocument::Adopt(CSiteLoader& loaded, SiteOpening& opening, const OpenChoice& choice) {
    const NoteHold hold(*this);
    // What the store checks its points against, taken while the loader
    // still holds the file: the points read, or the file's groups when the
    // survey begins without them.
    StoreBinding binding;
    const bool bound = StoreBindingOf(loaded.Site(), binding);
    const std::vector<SequencePoint> filePoints =
        choice.keptPoints ? SurveyPointsOf(loaded.Entries(), loaded.Circles().Circles())
                          : FilePointsOf(loaded.Bytes(), loaded.Site());
    std::unique_ptr<CSiteRecord> previous = std::move(m_site);
    m_site = loaded.TakeSite();
    g_pSite = m_site.get();
    previous.reset();
    m_site->ClearSurvey();
    MoveRecords(loaded.Entries(), surveyList);
    m_path = loaded.Path();
    m_edits = 0;
    m_viewOnlyWhy = opening.ViewOnly() ? opening.lock.Message() : std::string();
    if (opening.taken)
        m_lock = std::move(opening.taken);
    else if (!(m_lock && m_lock->Holds(m_path)))
        m_lock.reset();  // viewing another's site, or no lock to be had there
    for (ISurveyListener* l : m_listeners) l->SiteReplaced(loaded);
    m_store.Close();
    m_binding = binding;
    if (ViewOnly()) {
        m_journal.Leave();  // the survey left; no journal of this one, nor its store
        ScaleFromStore();
        return;
    }
    if (choice.recover == OpenChoice::Recover::kNone) {
        m_journal.Opened(opening.journal, *m_site, choice.keptPoints);
        if (bound)
            m_store.Opened(m_path, binding, filePoints, choice.keptPoints, opening.store.get());
        ScaleFromStore();
        return;
    }
    Replay(opening, choice, bound ? &filePoints : nullptr);
}

// The recovered changes reach the listeners as recording and deletion
// reached them, so the map and its circle log come out as they were.
void CSurveyDocument::Replay(SiteOpening& opening, const OpenChoice& choice,
                             const std::vector<SequencePoint>* filePoints) {
    const ReplaySink sink{
        [this](int32_t records) {
            const int32_t count = surveyList.Count();
            Tell(&ISurveyListener::PointRecorded,
                 RecordedPoint{m_site->m_pendingX, m_site->m_pendingY, m_site->m_bestRssi,
                               count - records + 1, records, true});
        },
        [this](int32_t first, int32_t removed) {
            Tell(&ISurveyListener::PointDeleted, DeletedPoint{first, removed, 0, 0});
        }};
    JournalReplay replay;
    const JournalContents* replayed = &opening.journal.contents;
    if (choice.recover == OpenChoice::Recover::kSetAside &&
        choice.setAside < opening.setAside.size()) {
        const SetAsideJournal& aside = opening.setAside[choice.setAside];
        replayed = &aside.contents;
        replay = m_journal.RecoverAside(opening.journal, aside.path, aside.contents, surveyList,
                                        *m_site, sink);
    } else {
        replay = m_journal.Recover(opening.journal, surveyList, *m_site, sink);
    }
    m_edits = static_cast<int64_t>(std::max<size_t>(replay.applied, 1));
    if (filePoints) m_store.Recovered(m_path, m_binding, *filePoints, *replayed, replay.applied);
    ScaleFromStore();
}

void CSurveyDocument::ScaleFromStore() {
    const std::optional<PlanScaleRecord> scale = m_store.Scale();
    m_metresPerPixel.reset();
    if (scale && scale->metresPerPixel > 0) m_metresPerPixel = scale->metresPerPixel;
    for (ISurveyListener* l : m_listeners) l->ScaleChanged();
}

ScaleResult CSurveyDocument::SetScale(double x1, double y1, double x2, double y2, double metres) {
    ScaleResult result = ScaleFromLine(x1, y1, x2, y2, metres);
    if (!result.metresPerPixel) return result;
    if (!m_site) return ScaleResult{std::nullopt, "No site is open."};
    const NoteHold hold(*this);
    PlanScaleRecord record;
    record.metresPerPixel = *result.metresPerPixel;
    record.fromLine = true;
    record.x1 = x1, record.y1 = y1, record.x2 = x2, record.y2 = y2;
    record.metres = metres;
    // Without a store the scale still serves this survey, and the surveyor
    // knows it goes with the site.
    if (!m_store.SetScale(record))
        result.why =
            "The scale holds until the site is closed: the survey store beside the "
            "site cannot keep it.";
    m_metresPerPixel = result.metresPerPixel;
    for (ISurveyListener* l : m_listeners) l->ScaleChanged();
    return result;
}

bool CSurveyDocument::KeepThroughput(const ThroughputOutcome& outcome) {
    if (ViewOnly() || !m_store.IsOpen() || m_store.Sequence().Points().empty()) return false;
    const NoteHold hold(*this);
    return m_store.ThroughputTested(m_store.Sequence().Points().back().id, outcome);
}

void CSurveyDocument::BeginPoint(int32_t x, int32_t y) {
    if (m_site) m_site->BeginPoint(x, y, "TEST");
}

bool CSurveyDocument::SelectNearestPoint(int32_t x, int32_t y) {
    return m_site && m_site->SelectNearestPoint(x, y) != 0;
}

std::optional<ThroughputOutcome> CSurveyDocument::SelectedThroughput() {
    if (!m_site || !m_store.IsOpen()) return std::nullopt;
    const auto run = m_store.Sequence().LocateRun(m_site->m_selFirstIndex, m_site->m_selApCount);
    if (!run) return std::nullopt;
    for (size_t i = run->first + run->count; i-- > run->first;)
        if (auto outcome = m_store.PointThroughput(i)) return outcome;
    return std::nullopt;
}

std::vector<CSurveyDocument::StoredAtPoint> CSurveyDocument::PointsStored() {
    std::vector<StoredAtPoint> out;
    if (!m_store.IsOpen()) return out;
    // Two queries for the whole survey: this runs at every change while a
    // metric map is shown.
    std::map<size_t, std::vector<ScanNoise>> noise = m_store.EveryPointNoise();
    const std::map<size_t, ThroughputOutcome> tests = m_store.EveryPointThroughput();
    int32_t index = 1;            // the run's first entry, as the journal counts them
    CSurveySequence::Range last;  // the run found last, and its first entry
    int32_t lastIndex = 1;
    ForEachPoint(surveyList, [&](const ApRecord& first, const ApRecord* end) {
        int32_t entries = 0;
        for (const ApRecord* e = &first; e != end; e = e->next) ++entries;
        StoredAtPoint stored;
        if (const auto run = m_store.Sequence().LocateRun(index, entries, last, lastIndex)) {
            last = *run;
            lastIndex = index + entries;
            for (size_t i = run->first; i < run->first + run->count; ++i)
                if (auto n = noise.find(i); n != noise.end())
                    stored.noise.insert(stored.noise.end(), n->second.begin(), n->second.end());
            for (size_t i = run->first + run->count; i-- > run->first && !stored.throughput;)
                if (auto t = tests.find(i); t != tests.end() && t->second.Measured())
                    stored.throughput = t->second.figures;
        }
        out.push_back(std::move(stored));
        index += entries;
    });
    return out;
}

std::vector<ScanNoise> CSurveyDocument::SelectedNoise() {
    if (!m_site || !m_store.IsOpen()) return {};
    const auto run = m_store.Sequence().LocateRun(m_site->m_selFirstIndex, m_site->m_selApCount);
    return run ? NoiseOfRun(m_store, *run) : std::vector<ScanNoise>{};
}

RecordedPoint CSurveyDocument::Apply(const RecordScanCommand&) {
    RecordedPoint point;
    if (!m_site || ViewOnly()) return point;
    const NoteHold hold(*this);
    std::vector<ScanReading> readings;
    std::vector<ScanNoise> noise;
    if (m_store.IsOpen()) {
        const std::lock_guard<std::mutex> lock(scanListLock);
        readings = scanList.Readings();
        noise = scanList.Noise();
    }
    const ApRecord* before = surveyList.Last();
    point.firstRecord = surveyList.Count() + 1;
    point.heard = m_site->RecordPoint() != 0;
    // The readings are on the disk before the journal's record (a store row
    // that no journal point claims goes at recovery) and before it shows.
    if (JournalPoint captured;
        m_store.IsOpen() && CapturePoint(surveyList, before, *m_site, captured))
        m_store.PointRecorded(captured, readings, noise);
    point.records = surveyList.CountAfter(before);
    point.x = m_site->m_pendingX;
    point.y = m_site->m_pendingY;
    point.bestRssi = m_site->m_bestRssi;
    m_journal.PointRecorded(surveyList, before, *m_site);  // on the disk before it shows
    ++m_edits;
    Tell(&ISurveyListener::PointRecorded, point);
    return point;
}

DeletedPoint CSurveyDocument::Apply(const DeletePointCommand& command) {
    DeletedPoint point{command.firstRecord, 0, command.x, command.y};
    if (!m_site || ViewOnly()) return point;
    point.records = RemovePointRun(surveyList, command.firstRecord, command.x, command.y);
    if (point.records == 0) return point;  // not there: nothing changed
    JournalDeletion deletion;
    deletion.firstIndex = command.firstRecord;
    deletion.x = command.x;
    deletion.y = command.y;
    deletion.removed = point.records;
    const NoteHold hold(*this);
    m_journal.PointDeleted(deletion);
    m_store.PointDeleted(deletion);
    ++m_edits;
    Tell(&ISurveyListener::PointDeleted, point);
    return point;
}

SiteStatus CSurveyDocument::Save(const SignaturePixelFn& pixel, uint32_t now) {
    if (m_path.empty() || !m_site) return SiteStatus::Fail(kSiteUpdateCaption, kSiteUpdateText);
    if (ViewOnly()) return ViewOnlyRefusal();
    const NoteHold hold(*this);
    const StoreBinding after = StoreBindingAfterSave(m_binding, *m_site, surveyList, now);
    m_store.SaveStarting(after);
    m_journal.SaveStarting(*m_site, surveyList, now);
    PosixFileOps posix;
    const SiteStatus status =
        SaveSiteFile(m_path, *m_site, pixel, surveyList, now, m_ops != nullptr ? *m_ops : posix);
    if (!status.ok) return status;
    m_journal.Saved(*m_site);
    m_store.Saved();
    m_binding = after;
    m_edits = 0;
    for (ISurveyListener* l : m_listeners) l->Saved();
    return status;
}

SiteStatus CSurveyDocument::SaveAs(const std::string& path, const MapBitmap& plan,
                                   const SignaturePixelFn& pixel, uint32_t now,
                                   ReplaceExisting replace) {
    if (!m_site) return SiteStatus::Fail(kSiteUpdateCaption, kSiteWriteText);
    if (ViewOnly()) return ViewOnlyRefusal();
    const NoteHold hold(*this);
    // The new file is this program's before anything is written to it.
    std::unique_ptr<CSiteLock> lock;
    if (!(m_lock && m_lock->Holds(path))) {
        lock = std::make_unique<CSiteLock>();
        const SiteLockResult taken = lock->Take(path);
        if (taken.kind == SiteLockResult::Kind::HeldByOther)
            return SiteStatus::Fail(kSiteUpdateCaption,
                                    SaveFailureText(kSiteWriteText, path, taken.Message()));
        if (taken.kind != SiteLockResult::Kind::Taken) lock.reset();
    }
    m_journal.SaveStarting(*m_site, surveyList, now);
    PosixFileOps posix;
    const SiteStatus status = SaveSiteAs(path, *m_site, plan, pixel, surveyList, now, replace,
                                         m_ops != nullptr ? *m_ops : posix);
    if (!status.ok) return status;
    m_journal.SavedAs(path, *m_site);
    if (lock || !(m_lock && m_lock->Holds(path))) m_lock = std::move(lock);
    // The store goes with the survey; the old file keeps its own as it was.
    StoreBinding after;
    if (StoreBindingOf(*m_site, after)) {
        m_store.SavedAs(path, after, [&] {
            FileSource src(path);
            return FilePointsOf(src, *m_site);
        });
    } else {
        m_store.Close();
    }
    m_binding = after;
    m_path = path;
    m_edits = 0;
    for (ISurveyListener* l : m_listeners) l->Saved();
    return status;
}

SiteStatus CSurveyDocument::ViewOnlyRefusal() const {
    return SiteStatus::Fail(kSiteInUseCaption,
                            SaveFailureText(kViewOnlyText, m_path, m_viewOnlyWhy));
}

void CSurveyDocument::Discard() { m_journal.Discarded(); }

int32_t CSurveyDocument::LocationCount() const { return m_site ? m_site->m_locationCount : 0; }
int32_t CSurveyDocument::ApCount() const { return m_site ? m_site->m_apCount : 0; }

void CSurveyDocument::UseFileOps(FileOps* ops) {
    m_ops = ops;
    m_journal.UseFileOps(ops);
}
