// The survey journal in the view: the recovery question of Open, the
// recovered survey painted change by change as recording and deletion
// painted it, and what the journal has to tell the surveyor.

#include "aplist/ApList.h"
#include "app/TambRUMOView.h"
#include "platform/MessageBoxes.h"
#include "platform/RegisteredMessages.h"
#include "site/SiteRecord.h"

bool CTambRUMOView::AskRecovery(const JournalFinding& found) {
    if (found.kind != JournalFound::Recoverable) return false;
    return platform::MessageBox(window(), QString::fromStdString(found.Question()),
                                QString::fromLatin1(kRecoverCaption),
                                platform::MB_YESNO) == platform::IDYES;
}

void CTambRUMOView::RecoverSurvey(const JournalFinding& found) {
    // The same painting as when the points were recorded and deleted, so the
    // map and the circle log come out as they were.
    const ReplaySink sink{[this](int32_t records) { PaintRecordedPoint(records); },
                          [this](int32_t first, int32_t) { EraseDeletedPoint(first); }};
    m_journal.Recover(found, surveyList, *g_pSite, sink);
    SetSurveyChanged(true);
    QObject* target = m_statusTarget ? m_statusTarget.data() : window();
    platform::PostMessage(target, TalvStatusUpdateMessage(), m_pViewport->GetCenterX(),
                          m_pViewport->GetCenterY());
}

void CTambRUMOView::TellJournal(const std::string& caption, const std::string& text) {
    platform::MessageBox(window(), QString::fromStdString(text), QString::fromStdString(caption),
                         platform::MB_OK | platform::MB_ICONEXCLAMATION);
}
