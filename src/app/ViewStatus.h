#pragma once
// The window's title ("office.hss* - Pellorin" while points are unsaved,
// "(view only)" for a site another Pellorin has open) and the status message
// "TALV_STATUS_UPDATE" with the cursor, from which the frame's panes show it.

#include <QObject>
#include <QPointer>

class CSurveyDocument;
class CSurveyMap;
class QWidget;

class CViewStatus {
public:
    CViewStatus(QWidget& view, const CSurveyDocument& document, const CSurveyMap& map)
        : m_view(view), m_document(document), m_map(map) {}

    // Where the status message goes (the frame); the view's window if unset.
    void SetTarget(QObject* target) { m_target = target; }
    void ShowTitle();
    void PostStatus();

private:
    QWidget& m_view;
    const CSurveyDocument& m_document;
    const CSurveyMap& m_map;
    QPointer<QObject> m_target;
};
