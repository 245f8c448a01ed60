#pragma once
// CSiteIperfServer: the iperf3 server a site's points are tested against,
// kept with the site. The surveyor sets or clears it in the window; it goes
// into the survey store's settings (`throughput.server`: HOST[:PORT] as
// IperfServer::Text() writes it; empty: cleared) and comes back at Open. A
// server named on the command line (--iperf) holds for the whole session
// instead of the store's, until the surveyor sets or clears one in the
// window. Whoever runs the tests is told each change (`apply`). No Qt.

#include <functional>
#include <optional>
#include <string>

#include "survey/SurveyDocument.h"
#include "throughput/ThroughputRequest.h"

inline constexpr const char* kIperfServerSetting = "throughput.server";

class CSiteIperfServer : public ISurveyListener {
public:
    using Apply = std::function<void(const std::optional<ThroughputRequest>& request)>;

    // `session`: the command line's request (its seconds and UDP rate are
    // every test's); nothing: none was given.
    CSiteIperfServer(CSurveyDocument& document, std::optional<ThroughputRequest> session,
                     Apply apply);
    ~CSiteIperfServer() override;
    CSiteIperfServer(const CSiteIperfServer&) = delete;
    CSiteIperfServer& operator=(const CSiteIperfServer&) = delete;

    // The command line's request, given after the window was made.
    void SetSession(std::optional<ThroughputRequest> session);
    // HOST[:PORT] typed in the window: false and `error` (one line) when it
    // is not one; else it holds from now on and is kept with the site.
    bool Set(const std::string& text, std::string& error);
    void Clear();
    // The server tests now run against, as text ("" for none).
    std::string Text() const;
    const std::optional<ThroughputRequest>& Request() const { return m_request; }

    void SiteReplaced(CSiteLoader&) override { m_restorePending = true; }
    void PointRecorded(const RecordedPoint&) override {}
    void PointDeleted(const DeletedPoint&) override {}
    void Saved() override {}
    void ScaleChanged() override;

private:
    void Use(std::optional<IperfServer> server);

    CSurveyDocument& m_document;
    std::optional<ThroughputRequest> m_session;
    bool m_chosenInWindow = false;  // the window's choice replaced --iperf
    Apply m_apply;
    std::optional<ThroughputRequest> m_request;
    bool m_restorePending = false;
};
