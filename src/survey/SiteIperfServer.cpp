#include "survey/SiteIperfServer.h"

#include <utility>

CSiteIperfServer::CSiteIperfServer(CSurveyDocument& document,
                                   std::optional<ThroughputRequest> session, Apply apply)
    : m_document(document), m_apply(std::move(apply)) {
    m_document.AddListener(this);
    SetSession(std::move(session));
}

CSiteIperfServer::~CSiteIperfServer() { m_document.RemoveListener(this); }

void CSiteIperfServer::SetSession(std::optional<ThroughputRequest> session) {
    m_session = std::move(session);
    m_chosenInWindow = false;
    Use(m_session ? std::optional(m_session->server) : std::nullopt);
}

bool CSiteIperfServer::Set(const std::string& text, std::string& error) {
    Parsed<IperfServer> parsed = ParseIperfServer(text);
    if (!parsed.value) {
        error = parsed.error;
        return false;
    }
    m_chosenInWindow = true;
    Use(std::move(parsed.value));
    // The store tells its own failures once; the tests go on with the server.
    (void)m_document.Store().SetSetting(kIperfServerSetting, Text());
    return true;
}

void CSiteIperfServer::Clear() {
    m_chosenInWindow = true;
    Use(std::nullopt);
    (void)m_document.Store().SetSetting(kIperfServerSetting, "");
}

std::string CSiteIperfServer::Text() const { return m_request ? m_request->server.Text() : ""; }

// The store opens after SiteReplaced: the scale it reports next is the new
// site's, as CSiteCoverage finds it.
void CSiteIperfServer::ScaleChanged() {
    if (!std::exchange(m_restorePending, false)) return;
    if (m_session && !m_chosenInWindow) return;  // --iperf holds for the session
    std::optional<IperfServer> server;
    if (const auto text = m_document.Store().Setting(kIperfServerSetting))
        server = ParseIperfServer(*text).value;  // what it cannot read is none
    Use(std::move(server));
}

void CSiteIperfServer::Use(std::optional<IperfServer> server) {
    if (server) {
        ThroughputRequest request = m_session.value_or(ThroughputRequest{});
        request.server = std::move(*server);
        m_request = std::move(request);
    } else {
        m_request.reset();
    }
    if (m_apply) m_apply(m_request);
}
