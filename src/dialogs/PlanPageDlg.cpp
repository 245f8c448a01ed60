#include "dialogs/PlanPageDlg.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

#include "platform/DialogScale.h"

bool AskPlanPage(QWidget* parent, const QString& planName, int pages, int& page, double& dpi,
                 const std::function<QString(int page, double dpi)>& describe) {
    QDialog dlg(parent);
    dlg.setWindowTitle(QStringLiteral("New Site from Floor Plan"));
    auto* form = new QFormLayout(&dlg);
    form->addRow(new QLabel(planName, &dlg));
    auto* pageBox = new QSpinBox(&dlg);
    pageBox->setRange(1, std::max(pages, 1));
    pageBox->setValue(std::clamp(page, 1, std::max(pages, 1)));
    pageBox->setEnabled(pages > 1);
    form->addRow(QStringLiteral("Page (of %1):").arg(pages), pageBox);
    auto* dpiBox = new QDoubleSpinBox(&dlg);
    dpiBox->setRange(10, 2400);
    dpiBox->setDecimals(0);
    dpiBox->setValue(dpi);
    dpiBox->setSuffix(QStringLiteral(" dpi"));
    form->addRow(QStringLiteral("Resolution:"), dpiBox);
    auto* gives = new QLabel(&dlg);
    gives->setWordWrap(true);
    form->addRow(gives);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    form->addRow(buttons);
    const auto update = [&] { gives->setText(describe(pageBox->value(), dpiBox->value())); };
    QObject::connect(pageBox, &QSpinBox::valueChanged, &dlg, update);
    QObject::connect(dpiBox, &QDoubleSpinBox::valueChanged, &dlg, update);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    update();
    platform::ScaleQtDialog(dlg);
    if (dlg.exec() != QDialog::Accepted) return false;
    page = pageBox->value();
    dpi = dpiBox->value();
    return true;
}
