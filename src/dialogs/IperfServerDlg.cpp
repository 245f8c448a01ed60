#include "dialogs/IperfServerDlg.h"

#include "dialogs/DialogFrame.h"

CIperfServerDlg::CIperfServerDlg(const std::string& current, Choose choose, QWidget* parent)
    : QDialog(parent),
      m_choose(std::move(choose)),
      m_label(QStringLiteral("Server, HOST[:PORT]:"), this),
      m_error(this),
      m_server(this),
      m_set(QStringLiteral("SET"), this),
      m_clear(QStringLiteral("CLEAR"), this) {
    dialogs::SetUpDialog(*this, QStringLiteral("iperf3 Server"), 160, 76);
    dialogs::PlaceControl(m_label, 4, 4, 152, 10);
    dialogs::PlaceControl(m_server, 4, 16, 152, 13);
    dialogs::PlaceControl(m_error, 4, 32, 152, 22);
    dialogs::PlaceControl(m_set, 4, 58, 74, 14);
    dialogs::PlaceControl(m_clear, 82, 58, 74, 14);
    m_server.setText(QString::fromStdString(current));
    m_server.setPlaceholderText(QStringLiteral("e.g. 10.0.0.5:5201"));
    m_error.setWordWrap(true);
    m_error.setStyleSheet(QStringLiteral("color: #C00000"));
    m_set.setDefault(true);
    connect(&m_set, &QPushButton::clicked, this,
            [this] { Answer(m_server.text().trimmed().toStdString()); });
    connect(&m_clear, &QPushButton::clicked, this, [this] { Answer(std::nullopt); });
}

void CIperfServerDlg::Answer(const std::optional<std::string>& server) {
    const std::string why = m_choose ? m_choose(server) : std::string();
    if (why.empty()) return accept();
    m_error.setText(QString::fromStdString(why));
}
