#include "app/IperfServerFlow.h"

#include <utility>

CIperfServerFlow::CIperfServerFlow(CSurveyDocument& document, CPointThroughput& throughput,
                                   std::function<IViewDialogs&()> dialogs)
    : m_server(document, std::nullopt,
               [&throughput](const std::optional<ThroughputRequest>& request) {
                   throughput.SetRequest(request);
               }),
      m_dialogs(std::move(dialogs)) {}

void CIperfServerFlow::Run(QWidget* parent) {
    m_dialogs().IperfServer(parent, m_server.Text(),
                            [this](const std::optional<std::string>& text) {
                                std::string why;
                                if (!text || text->empty())
                                    m_server.Clear();
                                else
                                    m_server.Set(*text, why);
                                return why;
                            });
}
