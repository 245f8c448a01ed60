// The view's side of a survey scan that ends without a point: the surveyor
// cancels it (Escape), or the board gives it up because it went away or fell
// silent. The board reports through "TALV_BOARD_STATE"; the view only reads
// the board's state, so another source of scans could report the same way.

#include <QString>

#include "app/TambRUMOView.h"
#include "board/ScannerBoard.h"

void CTambRUMOView::OnBoardState() {
    // A new scan started since the post has its own gate: only the scan
    // still under way can have been given up.
    if (m_pointPending && theBoard.Gate() == ScanGate::kGivenUp) EndPointUnrecorded();
    Repaint();  // the notice comes or goes, the start-up texts may be new
}

void CTambRUMOView::CancelPoint() {
    if (!m_pointPending) return;
    theBoard.CancelScan();
    EndPointUnrecorded();
}

void CTambRUMOView::EndPointUnrecorded() {
    m_pointPending = false;
    m_displayMode = 1;  // a point is only ever pending over an open map
    Repaint();
}

QString CTambRUMOView::BoardNotice() const { return QString::fromUtf8(theBoard.PresenceText()); }
