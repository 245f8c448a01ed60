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
// The survey store beside the site (store/SurveyStore.h) follows every
// change as the journal does: bound at Adopt, a recorded point's readings
// committed before the journal's record and before listeners hear of it, a
// deletion and a save carried into it. What the store has to say is told
// after the change is journalled, so a message never stands between a point
// and the disk. The plan's scale lives in the store (SetScale).
//
// Where later work hangs: Save As is Save with another path that then
// becomes Path(); a per-site lock is taken in Adopt and let go when the
// survey is left.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "journal/SurveyJournal.h"
#include "map/PlanScale.h"
#include "site/SiteFile.h"
#include "store/SurveyStore.h"
#include "survey/SurveyCommands.h"

class CSiteLoader;
class CSiteRecord;
class FileOps;

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

    // What lies beside the file `loaded` read (plan and fingerprint): reads
    // only, so a later failure leaves every journal as it was.
    JournalFinding InspectJournal(CSiteLoader& loaded) const;
    // The site `loaded` read (its points read too when they are kept)
    // becomes the open survey. With `recover` the journal `found` is
    // replayed onto it; otherwise `found` is settled and a new journal
    // begins, `keptPoints` being the answer to the keep-points question.
    void Adopt(CSiteLoader& loaded, const JournalFinding& found, bool recover, bool keptPoints);

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
    // The plan's scale from the line (x1, y1)-(x2, y2) in plan pixels that is
    // `metres` long, kept in the store. The why of a refusal otherwise
    // (a line too short, a bad distance, no store to keep it in).
    ScaleResult SetScale(double x1, double y1, double x2, double y2, double metres);
    // Metres per plan pixel; nothing without a scale.
    std::optional<double> MetresPerPixel() const { return m_metresPerPixel; }

    // The surveyor chose not to save: the journal is set aside when the
    // survey is left.
    void Discard();

    bool HasSite() const { return m_site != nullptr; }
    const CSiteRecord* Site() const { return m_site.get(); }
    const std::string& Path() const { return m_path; }
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

    void TellStoreNotes();
    void ScaleFromStore();
    class NoteHold;

    std::unique_ptr<CSiteRecord> m_site;
    std::string m_path;
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
