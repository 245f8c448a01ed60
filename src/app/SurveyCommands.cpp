#include "app/SurveyCommands.h"

#include <QDateTime>
#include <QFileInfo>
#include <QWidget>
#include <memory>

#include "app/NewSiteFlow.h"
#include "app/ViewDialogs.h"
#include "map/SurveyMap.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"
#include "site/SiteSave.h"
#include "survey/SiteLoader.h"
#include "survey/SurveyDocument.h"

namespace {
const char* const kSaveBeforeOpening = "Save the survey before opening another site?";
const char* const kOfferSaveAs = "Save the survey as another site file?";
const char* const kOfferViewing = "Open it for viewing only (no recording, no save)?";
QString Q(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
uint32_t Now() { return static_cast<uint32_t>(QDateTime::currentSecsSinceEpoch()); }
}  // namespace

CSurveyCommands::CSurveyCommands(QWidget& view, CSurveyDocument& document, const CSurveyMap& map,
                                 std::function<IViewDialogs&()> dialogs)
    : m_view(view), m_document(document), m_map(map), m_dialogs(std::move(dialogs)) {}

QWidget* CSurveyCommands::Window() const { return m_view.window(); }

bool CSurveyCommands::Ask(const QString& text, const QString& caption) {
    return platform::MessageBox(Window(), text, caption, platform::MB_YESNO) == platform::IDYES;
}

bool CSurveyCommands::Refused(const SiteStatus& status, bool offerSaveAs) {
    if (!offerSaveAs) {
        platform::MessageBox(Window(), Q(status.text), Q(status.caption), platform::MB_ICONHAND);
        return false;
    }
    return platform::MessageBox(Window(), Q(status.text) + "\n\n" + kOfferSaveAs, Q(status.caption),
                                platform::MB_YESNO | platform::MB_ICONHAND) == platform::IDYES;
}

bool CSurveyCommands::MayEdit() {
    if (!m_document.ViewOnly()) return true;
    Refused(m_document.ViewOnlyRefusal(), false);
    return false;
}

CSurveyCommands::Opened CSurveyCommands::OpenChosen() {
    if (!SaveOrDiscard(QString::fromLatin1(kSaveBeforeOpening))) return Opened::kNo;
    const QString path = platform::FileDialogs().GetOpenSitePath(Window());
    if (path.isEmpty()) return Opened::kNo;  // cancelled: nothing changes
    return OpenFile(path);
}

CSurveyCommands::Opened CSurveyCommands::Open(const QString& path) {
    if (!SaveOrDiscard(QString::fromLatin1(kSaveBeforeOpening))) return Opened::kNo;
    return OpenFile(path);
}

CSurveyCommands::Opened CSurveyCommands::NewSiteFromPlan() {
    if (!SaveOrDiscard(QString::fromLatin1(kSaveBeforeOpening))) return Opened::kNo;
    const QString site = NewSiteFromFloorPlan(Window());
    return site.isEmpty() ? Opened::kNo : OpenFile(site, false);
}

bool CSurveyCommands::SaveOrDiscard(const QString& question) {
    if (!m_document.HasUnsavedChanges()) return true;
    const int answer =
        platform::MessageBox(Window(), question, QStringLiteral("Tamb"), platform::MB_YESNOCANCEL);
    if (answer == platform::IDNO) {
        m_document.Discard();
        return true;
    }
    // A save that was cancelled or failed keeps everything, so no point is
    // lost unasked.
    return answer == platform::IDYES && Save();
}

// The journal beside the file first (points recorded after its last save),
// then the journals set aside of this very version, newest first; the
// first Yes is the one recovered.
bool CSurveyCommands::AskRecovery(const SiteOpening& opening, OpenChoice& choice) {
    const QString caption = QString::fromLatin1(kRecoverCaption);
    if (opening.journal.kind == JournalFound::Recoverable &&
        Ask(Q(opening.journal.Question()), caption)) {
        choice.recover = OpenChoice::Recover::kJournal;
        choice.keptPoints = opening.journal.contents.begin.keepPoints;
        return true;
    }
    for (size_t i = 0; i < opening.setAside.size(); ++i) {
        if (!Ask(Q(opening.setAside[i].Question()), caption)) continue;
        choice.recover = OpenChoice::Recover::kSetAside;
        choice.setAside = i;
        choice.keptPoints = opening.setAside[i].contents.begin.keepPoints;
        return true;
    }
    return false;
}

CSurveyCommands::Opened CSurveyCommands::OpenFile(const QString& path, bool askKeepPoints) {
    platform::CWaitCursor wait;
    CSiteLoader loader(path.toLocal8Bit().toStdString());
    // The store is looked at on the points thread too, off the plan's way.
    std::unique_ptr<StorePeek> store;
    if (const SiteStatus status =
            loader.ReadPlan(CSiteLoader::kTakeFingerprint, CSiteLoader::kPointsAlongside,
                            [&] { store = m_document.PeekStore(loader.Path()); });
        !status.ok) {
        Refused(status, false);
        return Opened::kNo;
    }
    SiteOpening opening = m_document.Prepare(loader, std::move(store));
    OpenChoice choice;
    bool recover = false;
    if (opening.ViewOnly()) {
        // Viewing shows the file as it is: its points, nothing asked.
        const QString held = Q(opening.lock.Message() + "\n" + loader.Path());
        if (!Ask(held + "\n\n" + kOfferViewing, QString::fromLatin1(kSiteInUseCaption)))
            return Opened::kNo;
        choice.keptPoints = true;
    } else {
        recover = AskRecovery(opening, choice);
        if (!recover)
            choice.keptPoints =
                !askKeepPoints ||
                Ask(QStringLiteral("Do you wish to keep existing data points?"), "Tamb");
    }
    if (choice.keptPoints) {
        if (const SiteStatus status = loader.ReadPoints(); !status.ok) {
            Refused(status, false);
            return Opened::kNo;
        }
    }
    // Everything was accepted: the new site replaces the old one.
    m_document.Adopt(loader, opening, choice);
    return recover ? Opened::kRecovered : Opened::kYes;
}

bool CSurveyCommands::Save() {
    if (!MayEdit()) return false;
    // The dialog object lives until the signature has been written.
    const std::unique_ptr<ISignature> signature = m_dialogs().SignOff(Window());
    if (!signature) return false;  // closed without "SAVE SITE SURVEY": the file stays as it is
    if (m_document.Path().empty() || !m_document.HasSite())
        return Refused(SiteStatus::Fail(kSiteUpdateCaption, kSiteUpdateText), false);

    platform::CWaitCursor wait;
    const ISignature* sig = signature.get();
    const SignaturePixelFn pixel = [sig](int x, int y) { return sig->GetSignaturePixel(x, y); };
    const SiteStatus status = m_document.Save(pixel, Now());
    wait.Release();
    if (status.ok) return true;
    // The survey can still go into another file, signed as it was.
    return Refused(status, true) && SaveAsWith(*signature, QString());
}

bool CSurveyCommands::SaveAs() {
    if (!m_document.HasSite() || !MayEdit()) return false;
    const QString path = platform::FileDialogs().GetSaveSitePath(Window());
    if (path.isEmpty()) return false;
    const std::unique_ptr<ISignature> signature = m_dialogs().SignOff(Window());
    if (!signature) return false;
    return SaveAsWith(*signature, path);
}

bool CSurveyCommands::SaveAsWith(const ISignature& signature, QString path) {
    const SignaturePixelFn pixel = [&signature](int x, int y) {
        return signature.GetSignaturePixel(x, y);
    };
    for (;;) {
        if (path.isEmpty()) path = platform::FileDialogs().GetSaveSitePath(Window());
        if (path.isEmpty()) return false;  // given up: the survey stays as it was
        // The dialog asked before it gave a file that is there; one that
        // turns up since is never replaced.
        const ReplaceExisting replace =
            QFileInfo::exists(path) ? ReplaceExisting::Yes : ReplaceExisting::No;
        platform::CWaitCursor wait;
        const SiteStatus status = m_document.SaveAs(path.toLocal8Bit().toStdString(), m_map.Plan(),
                                                    pixel, Now(), replace);
        wait.Release();
        if (status.ok) return true;
        if (!Refused(status, true)) return false;
        path.clear();
    }
}
