#pragma once
// CSurveyDocument: the open survey. It owns the current site record (g_pSite
// points at it while it is open), the contents of surveyList, the site's
// path, the unsaved state and the survey journal, and it is the only thing
// that changes them: Adopt replaces the site with one a CSiteLoader read,
// Apply carries out the edit commands, Save writes the survey back. The
// unsaved state follows from the edits applied since the last Adopt or Save.
// Listeners hear of every change in the order it happened; the window paints
// and asks from there. No Qt, user-interface thread only.
//
// One Pellorin per site: Prepare takes the site's lock (CSiteLock) before
// anything is asked, and the document keeps it while the site is open; a site
// that another Pellorin holds is only ever adopted for viewing (nothing
// recorded, deleted or saved, no journal touched). Save As writes the survey
// into another file, which then is the open site (its lock, its journal, and
// a copy of the store bound to it; the old file keeps its store as it was).
//
// The survey store beside the site (store/SurveyStore.h) follows every
// change as the journal does: bound at Adopt, a recorded point's readings
// committed before the journal's record and before listeners hear of it, a
// deletion and a save carried into it. What the store has to say is told
// after the change is journalled, so a message never stands between a point
// and the disk. The plan's scale lives in the store (SetScale).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "journal/SetAsideJournals.h"
#include "journal/SurveyJournal.h"
#include "map/PlanScale.h"
#include "site/SiteFile.h"
#include "site/SiteLock.h"
#include "site/SiteSave.h"
#include "store/StorePeek.h"
#include "store/SurveyStore.h"
#include "survey/SurveyCommands.h"

class CSiteLoader;
class CSiteRecord;
class FileOps;

inline constexpr const char* kViewOnlyText = "This site is open for viewing only.";

// What Open finds before it asks anything: who holds the site, the journal
// beside it and the journals set aside of this very version of the file.
// Only reads; holds the lock it took until the site is adopted or the Open is
// given up.
struct SiteOpening {
    SiteLockResult lock;                    // HeldByOther: the site can only be viewed
    JournalFinding journal;                 // not looked at while another holds the site
    std::vector<SetAsideJournal> setAside;  // newest first
    std::unique_ptr<CSiteLock> taken;       // null: the lock held already serves, or there is none
    std::unique_ptr<StorePeek> store;       // the store looked at while the file was read, or null
    bool ViewOnly() const { return lock.kind == SiteLockResult::Kind::HeldByOther; }
};

// The surveyor's answers to Open's questions.
struct OpenChoice {
    enum class Recover { kNone, kJournal, kSetAside };
    Recover recover = Recover::kNone;
    size_t setAside = 0;      // with kSetAside: which of SiteOpening::setAside
    bool keptPoints = false;  // the keep-points answer (a recovery's own is taken from its journal)
};

class ISurveyListener {
public:
    virtual ~ISurveyListener() = default;
    // Another site is open; `loaded` still holds its plan, layer and circles
    // for the map to take. Told before a recovered journal is replayed.
    virtual void SiteReplaced(CSiteLoader& loaded) = 0;
    virtual void PointRecorded(const RecordedPoint& point) = 0;
    virtual void PointDeleted(const DeletedPoint& point) = 0;
    virtual void Saved() = 0;
    // The plan's scale changed (set, or another site opened with or without
    // one). Not every listener cares.
    virtual void ScaleChanged() {}
};

class CSurveyDocument {
public:
    // `tell` shows what the journal has to say (caption, text).
    explicit CSurveyDocument(CSurveyJournal::Tell tell);
    ~CSurveyDocument();
    CSurveyDocument(const CSurveyDocument&) = delete;
    CSurveyDocument& operator=(const CSurveyDocument&) = delete;

    void AddListener(ISurveyListener* listener);
    void RemoveListener(ISurveyListener* listener);

    // What lies beside the file `loaded` read (plan and fingerprint); takes
    // the site's lock when it is free. Reads only, so a later failure leaves
    // every journal as it was.
    // `store`: PeekStore's look at the store, for Adopt to take.
    SiteOpening Prepare(CSiteLoader& loaded, std::unique_ptr<StorePeek> store = nullptr) const;
    // A look at the store beside `sitePath` (StorePeek.h), for Open to take
    // on its points thread while the plan is read; reads only.
    std::unique_ptr<StorePeek> PeekStore(const std::string& sitePath) const {
        return m_store.Peek(sitePath);
    }
    // The site `loaded` read (its points read too when they are kept)
    // becomes the open survey, as `choice` says: a journal recovered, or a
    // new one begun. A site another Pellorin holds is adopted for viewing
    // only, whatever `choice` says.
    void Adopt(CSiteLoader& loaded, SiteOpening& opening, const OpenChoice& choice);

    // The tap or centre press: the point to be measured at (x, y).
    void BeginPoint(int32_t x, int32_t y);
    // The tap-and-hold: true when a recorded point lies near (x, y); its
    // summary is then in Site()'s selected-point fields.
    bool SelectNearestPoint(int32_t x, int32_t y);

    RecordedPoint Apply(const RecordScanCommand& command);
    DeletedPoint Apply(const DeletePointCommand& command);

    // Writes the survey with the signature `pixel` into Path(), the header
    // saying `now`. A failure leaves the file and the survey as they were.
    [[nodiscard]] SiteStatus Save(const SignaturePixelFn& pixel, uint32_t now);
    // Save As: the survey into the site file `path` (another Pellorin's
    // site is refused), which then is the open site. `plan` is the map as
    // the open file's was read.
    [[nodiscard]] SiteStatus SaveAs(const std::string& path, const MapBitmap& plan,
                                    const SignaturePixelFn& pixel, uint32_t now,
                                    ReplaceExisting replace);
    // The plan's scale from the line (x1, y1)-(x2, y2) in plan pixels that is
    // `metres` long, kept in the store. The why of a refusal otherwise
    // (a line too short, a bad distance, no store to keep it in).
    ScaleResult SetScale(double x1, double y1, double x2, double y2, double metres);
    // The throughput test's outcome of the point recorded last, kept in the
    // store beside its readings; false without a store to keep it.
    bool KeepThroughput(const ThroughputOutcome& outcome);
    // The throughput test of the point SelectNearestPoint selected, as the
    // store keeps it; nothing where no test ran (or there is no store).
    // Points recorded one after another at one place are selected together:
    // the latest of their tests answers.
    std::optional<ThroughputOutcome> SelectedThroughput();
    // What the store keeps of each point of the survey (a run of
    // ForEachPoint, in list order): the noise floors of all its scans and
    // the latest measured throughput; empty where nothing was measured or
    // the store does not know the point (or there is no store).
    struct StoredAtPoint {
        std::vector<ScanNoise> noise;
        std::optional<ThroughputFigures> throughput;
    };
    std::vector<StoredAtPoint> PointsStored();

    // The noise floors the store keeps for the selected point (of all the
    // points selected together); empty where none were measured.
    std::vector<ScanNoise> SelectedNoise();
    // Metres per plan pixel; nothing without a scale.
    std::optional<double> MetresPerPixel() const { return m_metresPerPixel; }

    // The surveyor chose not to save: the journal is set aside when the
    // survey is left.
    void Discard();

    bool HasSite() const { return m_site != nullptr; }
    const CSiteRecord* Site() const { return m_site.get(); }
    const std::string& Path() const { return m_path; }
    // Another Pellorin holds the site: no edit and no save is applied.
    bool ViewOnly() const { return !m_viewOnlyWhy.empty(); }
    // "This site is open for viewing only." and the path with the holder.
    SiteStatus ViewOnlyRefusal() const;
    // Points recorded or deleted since the last Adopt or Save (a recovered
    // survey counts its replayed changes).
    bool HasUnsavedChanges() const { return m_edits > 0; }
    int32_t LocationCount() const;
    int32_t ApCount() const;

    // The file calls of the save and the journal (null: the real ones), for tests.
    void UseFileOps(FileOps* ops);
    CSurveyJournal& Journal() { return m_journal; }
    CSurveyStore& Store() { return m_store; }

private:
    template <typename Event>
    void Tell(void (ISurveyListener::*event)(const Event&), const Event& what);
    void Replay(SiteOpening& opening, const OpenChoice& choice,
                const std::vector<SequencePoint>* filePoints);

    void TellStoreNotes();
    void ScaleFromStore();
    class NoteHold;

    std::unique_ptr<CSiteRecord> m_site;
    std::string m_path;
    std::string m_viewOnlyWhy;  // who holds the site viewed
    std::unique_ptr<CSiteLock> m_lock;
    int64_t m_edits = 0;
    FileOps* m_ops = nullptr;
    CSurveyJournal::Tell m_tell;
    CSurveyJournal m_journal;
    CSurveyStore m_store;
    StoreBinding m_binding;  // of the file as last read or saved
    std::optional<double> m_metresPerPixel;
    // The store's messages held while a change is under way.
    std::vector<std::pair<std::string, std::string>> m_storeNotes;
    bool m_holdStoreNotes = false;
    std::vector<ISurveyListener*> m_listeners;
};
