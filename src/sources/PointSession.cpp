#include "sources/PointSession.h"

namespace {
const char* const kClosingText = "Closing when this scan has ended\xE2\x80\xA6";
}

CPointSession::CPointSession(IPointSessionOwner& owner, std::unique_ptr<IMeasurementSource> source)
    : m_owner(owner), m_source(std::move(source)) {}

CPointSession::~CPointSession() { m_source->SetNotifier(nullptr); }

void CPointSession::SetSource(std::unique_ptr<IMeasurementSource> source, IDrawNotifier* notifier) {
    Cancel();  // its scan belongs to the source that goes
    m_source->SetNotifier(nullptr);
    m_source = std::move(source);
    m_source->SetNotifier(notifier);
}

bool CPointSession::Start(int32_t x, int32_t y, ScanTrigger trigger) {
    if (m_pending) return false;
    m_source->StartScan(x, y, trigger);
    m_pending = true;
    return true;
}

void CPointSession::Cancel() {
    if (!m_pending) return;
    m_source->CancelScan();
    m_pending = false;
    Ended();
    m_owner.PointUnrecorded({});
}

void CPointSession::OnDraw() {
    // A scan that no point asked for records nothing.
    if (!m_source->TakeFinishedScan() || !m_pending) return;
    m_pending = false;
    m_owner.PointFinished();
    Ended();
}

void CPointSession::OnSourceState() {
    // A new scan started since the post has its own state: only the scan
    // still under way can have been given up.
    if (m_pending && m_source->ScanGivenUp()) {
        const std::string why = m_source->ScanLossText();
        m_pending = false;
        Ended();
        m_owner.PointUnrecorded(why);
    }
    m_owner.SourceChanged(m_source->State());
}

std::string CPointSession::NoticeText() const {
    if (m_afterPoint) return kClosingText;
    return m_source->NoticeText();
}

void CPointSession::Ended() {
    if (!m_afterPoint) return;
    m_owner.RunLater(std::move(m_afterPoint));
    m_afterPoint = nullptr;
}
