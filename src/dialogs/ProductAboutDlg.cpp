#include "dialogs/ProductAboutDlg.h"

#include <QFontMetrics>
#include <QPixmap>
#include <algorithm>

#include "dialogs/DialogFrame.h"

const char* const CProductAboutDlg::kLegalNotice =
    "Copyright Tamb.\nAll rights reserved.\nLicensed use only.";

namespace {

int WidestLine(const QLabel& label, const QFont& font) {
    const QFontMetrics fm(font);
    int widest = 0;
    for (const QString& line : label.text().split('\n'))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// The height the label's text takes at the label's width, descenders
// included.
int TextHeight(const QLabel& label) {
    const int wrap = label.wordWrap() ? Qt::TextWordWrap : 0;
    return QFontMetrics(label.font())
        .boundingRect(QRect(0, 0, label.width(), 1 << 16), Qt::AlignLeft | Qt::AlignTop | wrap,
                      label.text())
        .height();
}

// A text wider than its template column (the product line is: 65 dialog
// units hold about 16 characters) would be cut off. Such a label may use the
// room up to the dialog's right edge and, if that is not enough, a smaller
// font, down to 6 points (at the dialogs' scale). A text taller than its column (the three lines of
// the notice lose their descenders in 24 units) grows downwards.
void FitToDialog(QLabel& label, const QWidget& dialog) {
    if (!label.wordWrap()) {
        QFont font = label.font();
        if (WidestLine(label, font) > label.width()) {
            QRect r = label.geometry();
            r.setRight(dialog.width() - 3);
            label.setGeometry(r);
            while (WidestLine(label, font) > label.width() &&
                   font.pointSize() > 6 * dialogs::Scale())
                font.setPointSize(font.pointSize() - 1);
            label.setFont(font);
        }
    }
    label.resize(label.width(), std::max(label.height(), TextHeight(label)));
}

}  // namespace

CProductAboutDlg::CProductAboutDlg(QWidget* parent)
    : QDialog(parent),
      m_icon(this),
      m_product(QStringLiteral("Tamb Pellorin Version 1.0"), this),
      m_hardware(QStringLiteral("for Brindax 802.11bg"), this),
      m_version(QStringLiteral("Version 1.00"), this),
      m_notice(QString::fromLatin1(kLegalNotice), this) {
    dialogs::SetUpDialog(*this, QStringLiteral("About Tamb"), 120, 95);
    // The icon drawn at the size it takes, where there is one (32, 64, 128).
    const int iconSize = 32 * dialogs::Scale();
    QPixmap icon(QStringLiteral(":/res/icon%1.png").arg(iconSize));
    if (icon.isNull())
        icon = QPixmap(QStringLiteral(":/res/icon32.png"))
                   .scaled(iconSize, iconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_icon.setPixmap(icon);
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
    for (QLabel* text : {&m_product, &m_hardware, &m_version, &m_notice}) FitToDialog(*text, *this);
}
