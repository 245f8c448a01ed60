// The view's side of a survey scan that ends without a point: the surveyor
// cancels it (Escape, Open, closing twice), or the source gives it up because
// it went away, fell silent or refused. The source reports through
// "TALV_BOARD_STATE"; the view only reads its state.

#include <QString>
#include <QTimer>

#include "app/TambRUMOView.h"
#include "platform/MessageBoxes.h"

namespace {
const char* const kClosingText = "Closing when this scan has ended\xE2\x80\xA6";
}

void CTambRUMOView::OnBoardState() {
    // A new scan started since the post has its own state: only the scan
    // still under way can have been given up.
    if (m_pointPending && m_source->ScanGivenUp()) {
        const QString why = QString::fromStdString(m_source->ScanLossText());
        EndPointUnrecorded();
        // A lost source says so in the notice; a refusal needs its reason.
        if (!why.isEmpty())
            platform::MessageBox(window(), why, QStringLiteral("TambRUMO"),
                                 platform::MB_ICONEXCLAMATION | platform::MB_OK);
    }
    Repaint();  // the notice comes or goes, the start-up texts may be new
}

void CTambRUMOView::CancelPoint() {
    if (!m_pointPending) return;
    m_source->CancelScan();
    EndPointUnrecorded();
}

void CTambRUMOView::EndPointUnrecorded() {
    m_pointPending = false;
    m_displayMode = 1;  // a point is only ever pending over an open map
    Repaint();
    PointEnded();
}

void CTambRUMOView::AfterPoint(std::function<void()> fn) {
    m_afterPoint = std::move(fn);
    Repaint();
}

void CTambRUMOView::PointEnded() {
    if (!m_afterPoint) return;
    // From the event loop: the caller finishes with this view first.
    QTimer::singleShot(0, this, std::move(m_afterPoint));
    m_afterPoint = nullptr;
}

QString CTambRUMOView::BoardNotice() const {
    if (m_afterPoint) return QString::fromUtf8(kClosingText);
    return QString::fromStdString(m_source->NoticeText());
}
