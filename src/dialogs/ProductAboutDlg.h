#pragma once
// "About Tamb": the application icon, product name and version, the scanner
// hardware it serves and the maker's notice. Closed through the window's
// close control.

#include <QDialog>
#include <QLabel>

class CProductAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProductAboutDlg(QWidget* parent = nullptr);

    static const char* const kLegalNotice;

private:
    QLabel m_icon;
    QLabel m_product;
    QLabel m_hardware;
    QLabel m_version;
    QLabel m_notice;
};
