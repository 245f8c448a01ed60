#pragma once
// "iperf3 Server": the server each point's throughput is tested against
// after its scan, HOST[:PORT] (default port 5201). "SET" hands the text to
// `choose`, which answers "" (taken; the dialog closes) or the one line
// that says what is wrong (shown under the field; the dialog stays);
// "CLEAR" hands it nothing: no test after a point. The close control keeps
// the server as it was.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <optional>
#include <string>

class CIperfServerDlg : public QDialog {
    Q_OBJECT
public:
    using Choose = std::function<std::string(const std::optional<std::string>& server)>;

    CIperfServerDlg(const std::string& current, Choose choose, QWidget* parent = nullptr);

    QLineEdit& Server() { return m_server; }
    QLabel& Error() { return m_error; }
    QPushButton& SetButton() { return m_set; }
    QPushButton& ClearButton() { return m_clear; }

private:
    void Answer(const std::optional<std::string>& server);

    Choose m_choose;
    QLabel m_label, m_error;
    QLineEdit m_server;
    QPushButton m_set, m_clear;
};
