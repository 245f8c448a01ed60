#pragma once
// "iperf3 Server" (Ctrl+I): the surveyor sets or clears the server of the
// points' throughput tests in CIperfServerDlg; it is kept with the site
// (CSiteIperfServer), and the tests after each scan (CPointThroughput) run
// against it.

#include <functional>
#include <optional>

#include "app/PointThroughput.h"
#include "app/ViewDialogs.h"
#include "survey/SiteIperfServer.h"

class CIperfServerFlow {
public:
    CIperfServerFlow(CSurveyDocument& document, CPointThroughput& throughput,
                     std::function<IViewDialogs&()> dialogs);
    void Run(QWidget* parent);
    // --iperf and its test options, for the whole session.
    void SetSession(std::optional<ThroughputRequest> request) {
        m_server.SetSession(std::move(request));
    }
    CSiteIperfServer& Server() { return m_server; }

private:
    CSiteIperfServer m_server;
    std::function<IViewDialogs&()> m_dialogs;
};
