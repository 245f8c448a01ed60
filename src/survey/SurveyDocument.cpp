#include "survey/SurveyDocument.h"

#include <algorithm>
#include <utility>

#include "aplist/ApList.h"
#include "journal/JournalFormat.h"
#include "site/PointRun.h"
#include "site/SiteRecord.h"
#include "site/SiteSave.h"
#include "survey/SiteLoader.h"

namespace {

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

DeletePointCommand DeletePointCommand::OfSelection(const CSiteRecord& site) {
    // The selection is only ever made from int32 positions.
    return {site.m_selFirstIndex, static_cast<int32_t>(site.m_selX),
            static_cast<int32_t>(site.m_selY)};
}

CSurveyDocument::CSurveyDocument(CSurveyJournal::Tell tell) : m_journal(std::move(tell)) {}

CSurveyDocument::~CSurveyDocument() {
    m_journal.Leave();
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

SiteOpening CSurveyDocument::Prepare(CSiteLoader& loaded) const {
    SiteOpening opening;
    if (!(m_lock && m_lock->Holds(loaded.Path()))) {
        opening.taken = std::make_unique<CSiteLock>();
        opening.lock = opening.taken->Take(loaded.Path());
        if (opening.lock.kind != SiteLockResult::Kind::Taken) opening.taken.reset();
        // The other Pellorin's journal is its own: not even looked at.
        if (opening.ViewOnly()) return opening;
    }
    opening.journal = m_journal.Inspect(loaded.Path(), loaded.Site());
    opening.setAside = FindSetAsideJournals(loaded.Path(), loaded.Site());
    return opening;
}

void CSurveyDocument::Adopt(CSiteLoader& loaded, SiteOpening& opening, const OpenChoice& choice) {
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
    if (ViewOnly()) {
        m_journal.Leave();  // the survey left; no journal of this one
        return;
    }
    if (choice.recover == OpenChoice::Recover::kNone) {
        m_journal.Opened(opening.journal, *m_site, choice.keptPoints);
        return;
    }
    Replay(opening, choice);
}

// The recovered changes reach the listeners as recording and deletion
// reached them, so the map and its circle log come out as they were.
void CSurveyDocument::Replay(SiteOpening& opening, const OpenChoice& choice) {
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
    if (choice.recover == OpenChoice::Recover::kSetAside &&
        choice.setAside < opening.setAside.size()) {
        const SetAsideJournal& aside = opening.setAside[choice.setAside];
        replay = m_journal.RecoverAside(opening.journal, aside.path, aside.contents, surveyList,
                                        *m_site, sink);
    } else {
        replay = m_journal.Recover(opening.journal, surveyList, *m_site, sink);
    }
    m_edits = static_cast<int64_t>(std::max<size_t>(replay.applied, 1));
}

void CSurveyDocument::BeginPoint(int32_t x, int32_t y) {
    if (m_site) m_site->BeginPoint(x, y, "TEST");
}

bool CSurveyDocument::SelectNearestPoint(int32_t x, int32_t y) {
    return m_site && m_site->SelectNearestPoint(x, y) != 0;
}

RecordedPoint CSurveyDocument::Apply(const RecordScanCommand&) {
    RecordedPoint point;
    if (!m_site || ViewOnly()) return point;
    const ApRecord* before = surveyList.Last();
    point.firstRecord = surveyList.Count() + 1;
    point.heard = m_site->RecordPoint() != 0;
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
    m_journal.PointDeleted(deletion);
    ++m_edits;
    Tell(&ISurveyListener::PointDeleted, point);
    return point;
}

SiteStatus CSurveyDocument::Save(const SignaturePixelFn& pixel, uint32_t now) {
    if (m_path.empty() || !m_site) return SiteStatus::Fail(kSiteUpdateCaption, kSiteUpdateText);
    if (ViewOnly()) return ViewOnlyRefusal();
    m_journal.SaveStarting(*m_site, surveyList, now);
    PosixFileOps posix;
    const SiteStatus status =
        SaveSiteFile(m_path, *m_site, pixel, surveyList, now, m_ops != nullptr ? *m_ops : posix);
    if (!status.ok) return status;
    m_journal.Saved(*m_site);
    m_edits = 0;
    for (ISurveyListener* l : m_listeners) l->Saved();
    return status;
}

SiteStatus CSurveyDocument::SaveAs(const std::string& path, const MapBitmap& plan,
                                   const SignaturePixelFn& pixel, uint32_t now,
                                   ReplaceExisting replace) {
    if (!m_site) return SiteStatus::Fail(kSiteUpdateCaption, kSiteWriteText);
    if (ViewOnly()) return ViewOnlyRefusal();
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
