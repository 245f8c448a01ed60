#include "app/SurveyCommands.h"

#include <QDateTime>
#include <QFile>
#include <QWidget>
#include <memory>

#include "app/ViewDialogs.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/WaitCursor.h"
#include "site/SiteSave.h"
#include "survey/SiteLoader.h"
#include "survey/SurveyDocument.h"

namespace {
const char* const kSaveBeforeOpening = "Save the survey before opening another site?";
QString Q(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
}  // namespace

CSurveyCommands::CSurveyCommands(QWidget& view, CSurveyDocument& document,
                                 std::function<IViewDialogs&()> dialogs)
    : m_view(view), m_document(document), m_dialogs(std::move(dialogs)) {}

QWidget* CSurveyCommands::Window() const { return m_view.window(); }

bool CSurveyCommands::Fail(const SiteStatus& status) {
    platform::MessageBox(Window(), Q(status.text), Q(status.caption), platform::MB_ICONHAND);
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

bool CSurveyCommands::AskRecovery(const JournalFinding& found) {
    if (found.kind != JournalFound::Recoverable) return false;
    return platform::MessageBox(Window(), QString::fromStdString(found.Question()),
                                QString::fromLatin1(kRecoverCaption),
                                platform::MB_YESNO) == platform::IDYES;
}

CSurveyCommands::Opened CSurveyCommands::OpenFile(const QString& path) {
    platform::CWaitCursor wait;
    CSiteLoader loader(path.toLocal8Bit().toStdString());
    if (const SiteStatus status = loader.ReadPlan(); !status.ok) {
        Fail(status);
        return Opened::kNo;
    }
    // Points recorded after the last save come back from the survey journal,
    // which knows the keep-points answer that its survey began with.
    const JournalFinding journal = m_document.InspectJournal(loader);
    const bool recover = AskRecovery(journal);
    const bool keep =
        recover ? journal.contents.begin.keepPoints
                : platform::MessageBox(
                      Window(), QStringLiteral("Do you wish to keep existing data points?"),
                      QStringLiteral("Tamb"), platform::MB_YESNO) == platform::IDYES;
    if (keep) {
        if (const SiteStatus status = loader.ReadPoints(); !status.ok) {
            Fail(status);
            return Opened::kNo;
        }
    }
    // Everything was accepted: the new site replaces the old one.
    m_document.Adopt(loader, journal, recover, keep);
    return recover ? Opened::kRecovered : Opened::kYes;
}

bool CSurveyCommands::Save() {
    // The dialog object lives until the signature has been written.
    const std::unique_ptr<ISignature> signature = m_dialogs().SignOff(Window());
    if (!signature) return false;  // closed without "SAVE SITE SURVEY": the file stays as it is
    if (m_document.Path().empty() || !m_document.HasSite())
        return Fail(SiteStatus::Fail(kSiteUpdateCaption, kSiteUpdateText));

    platform::CWaitCursor wait;
    const ISignature* sig = signature.get();
    const SignaturePixelFn pixel = [sig](int x, int y) { return sig->GetSignaturePixel(x, y); };
    const auto now = static_cast<uint32_t>(QDateTime::currentSecsSinceEpoch());
    const SiteStatus status = m_document.Save(pixel, now);
    wait.Release();
    return status.ok || Fail(status);
}
