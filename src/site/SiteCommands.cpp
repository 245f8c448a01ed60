// Open a Site and Save a Site of CTambRUMOView. Open first offers to save
// unsaved points, then reads and checks everything into new objects and
// replaces the current site only when the whole file was accepted, so a
// cancelled or failed Open leaves the site, map, path, survey and screen that
// were there before. Save goes ahead only after "SAVE SITE SURVEY".

#include <QDateTime>
#include <QFileInfo>
#include <QScrollBar>
#include <memory>

#include "aplist/ApList.h"
#include "app/TambRUMOView.h"
#include "map/PointCircles.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"
#include "site/SiteFile.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"
#include "site/SiteSave.h"

namespace {

QString Q(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

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

const char* const kSaveBeforeOpening = "Save the survey before opening another site?";

void CTambRUMOView::OnOpenSite() {
    // A scan that ended while the questions are up would record into the
    // survey being left: it ends first, as Escape ends it.
    CancelPoint();
    if (!SaveOrDiscardSurvey(QString::fromLatin1(kSaveBeforeOpening))) return;
    const QString path = platform::FileDialogs().GetOpenSitePath(window());
    if (path.isEmpty()) return;  // cancelled: nothing changes
    OpenSiteFile(path);
}

bool CTambRUMOView::OpenSitePath(const QString& path) {
    CancelPoint();
    return SaveOrDiscardSurvey(QString::fromLatin1(kSaveBeforeOpening)) && OpenSiteFile(path);
}

bool CTambRUMOView::SaveOrDiscardSurvey(const QString& question) {
    if (!m_surveyChanged) return true;
    const int answer =
        platform::MessageBox(window(), question, QStringLiteral("Tamb"), platform::MB_YESNOCANCEL);
    if (answer == platform::IDNO) {
        m_journal.Discarded();
        return true;
    }
    // A save that was cancelled or failed keeps everything, so no point is
    // lost unasked.
    return answer == platform::IDYES && OnSaveSite();
}

bool CTambRUMOView::OpenSiteFile(const QString& path) {
    platform::CWaitCursor wait;
    const auto fail = [this](const SiteStatus& status) {
        platform::MessageBox(window(), Q(status.text), Q(status.caption), platform::MB_ICONHAND);
        return false;
    };

    FileSource file(path.toLocal8Bit().toStdString());
    if (!file.Status().ok) return fail(file.Status());

    auto site = std::make_unique<CSiteRecord>();
    SiteStatus status = ReadSiteHeader(file, *site);
    if (!status.ok) return fail(status);

    MapBitmap bitmap;
    status = ReadMapBitmap(file, site->BitmapOffset(), bitmap);
    if (!status.ok) return fail(status);
    // Save replaces the file only while it is still the one read here.
    SiteFingerprint fingerprint;
    status = TakeSiteFingerprint(file, *site,
                                 sitelayout::kBitmapPrefixBytes + uint64_t{bitmap.bits.size()},
                                 fingerprint, &bitmap);
    if (!status.ok) return fail(status);
    site->m_fileFingerprint = fingerprint;
    // The plan stays as the file gives it; circles go on a layer of their own.
    CCircleLayer layer;
    layer.Reset(bitmap.width, bitmap.height);

    // Points recorded after the last save come back from the survey journal,
    // which knows the keep-points answer that its survey began with.
    const JournalFinding journal = m_journal.Inspect(path.toLocal8Bit().toStdString(), *site);
    const bool recover = AskRecovery(journal);
    const int answer =
        recover ? (journal.contents.begin.keepPoints ? platform::IDYES : platform::IDNO)
                : platform::MessageBox(window(),
                                       QStringLiteral("Do you wish to keep existing data points?"),
                                       QStringLiteral("Tamb"), platform::MB_YESNO);
    CApList loaded;
    CCircleLog circles;
    if (answer == platform::IDYES) {
        const ApRecord* groupStart = loaded.Last();
        status = ReadPoints(file, *site, loaded, [&](int32_t x, int32_t y, int16_t strength) {
            PaintPointCircle(layer, x, y, strength);
            circles.Add(x, y, strength, loaded.CountAfter(groupStart));
            groupStart = loaded.Last();
        });
        if (!status.ok) return fail(status);
    }

    // Everything was accepted: the new site replaces the old one.
    std::unique_ptr<CSiteRecord> previous(g_pSite);
    g_pSite = site.release();
    previous.reset();
    g_pSite->ClearSurvey();
    MoveRecords(loaded, surveyList);
    m_pointPending = false;

    m_strSitePath = path;
    m_plan = std::move(bitmap);  // releases the previous plan
    m_layer = std::move(layer);
    m_circles = std::move(circles);
    // Another site's network means nothing here; the radius stays.
    if (!(m_coverage.Choice() == NetworkChoice::StrongestOfAll())) {
        m_coverage.SetChoice(NetworkChoice::StrongestOfAll());
        if (m_onCoverageChanged) m_onCoverageChanged();
    }
    m_mapWidth = m_plan.width;
    m_mapHeight = m_plan.height;
    m_pViewport->SetWorld(m_mapWidth, m_mapHeight);
    m_pViewport->SetView(m_mapWidth, m_mapHeight);
    {
        const QSignalBlocker hb(m_hBar);
        const QSignalBlocker vb(m_vBar);
        m_vBar->setRange(0, m_mapHeight);
        m_hBar->setRange(0, m_mapWidth);
        m_vBar->setPageStep(ClientRect().height());
        m_hBar->setPageStep(ClientRect().width());
        m_vBar->setSingleStep(kScrollLine);
        m_hBar->setSingleStep(kScrollLine);
    }
    ShowScrollBars(true);
    SetBarsToCenter();
    SetSurveyChanged(false);
    if (recover)
        RecoverSurvey(journal);
    else
        m_journal.Opened(journal, *g_pSite, surveyList, answer == platform::IDYES);
    m_displayMode = 1;
    wait.Release();
    Repaint();
    return true;
}

bool CTambRUMOView::OnSaveSite() {
    // The dialog object lives until the signature has been written.
    const std::unique_ptr<ISignature> signature = Dialogs().SignOff(window());
    if (!signature) return false;  // closed without "SAVE SITE SURVEY": the file stays as it is
    const auto failed = [this](const SiteStatus& status) {
        platform::MessageBox(window(), Q(status.text), Q(status.caption), platform::MB_ICONHAND);
        return false;
    };
    if (m_strSitePath.isEmpty() || g_pSite == nullptr)
        return failed(SiteStatus::Fail(kSiteUpdateCaption, kSiteUpdateText));

    platform::CWaitCursor wait;
    const ISignature* sig = signature.get();
    const SignaturePixelFn pixel = [sig](int x, int y) { return sig->GetSignaturePixel(x, y); };
    const auto now = static_cast<uint32_t>(QDateTime::currentSecsSinceEpoch());
    m_journal.SaveStarting(*g_pSite, surveyList, now);
    const SiteStatus status =
        SaveSiteFile(m_strSitePath.toLocal8Bit().toStdString(), *g_pSite, pixel, surveyList, now);
    wait.Release();
    if (!status.ok) return failed(status);
    m_journal.Saved(*g_pSite, surveyList);
    SetSurveyChanged(false);
    return true;
}

void CTambRUMOView::SetSurveyChanged(bool changed) {
    m_surveyChanged = changed;
    // "office.hss* - Pellorin" while points are unsaved.
    QWidget* top = window();
    if (!m_strSitePath.isEmpty())
        top->setWindowTitle(QFileInfo(m_strSitePath).fileName() + QStringLiteral("[*] - Pellorin"));
    top->setWindowModified(changed);
}
