#include "app/ViewStatus.h"

#include <QFileInfo>
#include <QWidget>

#include "map/SurveyMap.h"
#include "platform/RegisteredMessages.h"
#include "survey/SurveyDocument.h"

void CViewStatus::ShowTitle() {
    QWidget* top = m_view.window();
    if (!m_document.Path().empty())
        top->setWindowTitle(
            QFileInfo(QString::fromLocal8Bit(m_document.Path().c_str())).fileName() +
            (m_document.ViewOnly() ? QStringLiteral(" (view only)") : QString()) +
            QStringLiteral("[*] - Pellorin"));
    top->setWindowModified(m_document.HasUnsavedChanges());
}

void CViewStatus::PostStatus() {
    QObject* target = m_target ? m_target.data() : m_view.window();
    platform::PostMessage(target, TalvStatusUpdateMessage(), m_map.Center(MapAxis::kX),
                          m_map.Center(MapAxis::kY));
}
