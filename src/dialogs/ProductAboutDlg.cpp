#include "dialogs/ProductAboutDlg.h"

#include <QPixmap>

#include "dialogs/DialogFrame.h"

const char* const CProductAboutDlg::kLegalNotice =
    "Copyright (C) Tamb.\nAll rights reserved.\nLicensed use only.";

CProductAboutDlg::CProductAboutDlg(QWidget* parent)
    : QDialog(parent),
      m_icon(this),
      m_product(QStringLiteral("Tamb Pellorin Version 1.0"), this),
      m_hardware(QStringLiteral("for Brindax 802.11bg"), this),
      m_version(QStringLiteral("Version 1.00"), this),
      m_notice(QString::fromLatin1(kLegalNotice), this) {
    dialogs::SetUpDialog(*this, QStringLiteral("About Tamb"), 120, 95);
    m_icon.setPixmap(QPixmap(QStringLiteral(":/res/icon32.png")));
    m_icon.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    dialogs::PlaceControl(m_icon, 7, 7, 21, 20);
    for (QLabel* text : {&m_product, &m_hardware, &m_version, &m_notice}) {
        text->setTextFormat(Qt::PlainText);
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    m_hardware.setWordWrap(true);
    dialogs::PlaceControl(m_product, 40, 10, 65, 8);
    dialogs::PlaceControl(m_hardware, 39, 21, 65, 19);
    dialogs::PlaceControl(m_version, 40, 44, 65, 8);
    dialogs::PlaceControl(m_notice, 39, 57, 65, 24);
}
