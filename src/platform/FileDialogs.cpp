#include "platform/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace platform {

QString QtFileDialogs::GetOpenSitePath(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        QStringList{QStringLiteral("Site Files (*.hss)"), QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("hss"));
    dialog.selectFile(QStringLiteral("SITE1"));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

namespace {
IFileDialogs* g_fileDialogs = nullptr;  // user-interface thread only
}

IFileDialogs& FileDialogs() {
    static QtFileDialogs qtDialogs;
    return g_fileDialogs != nullptr ? *g_fileDialogs : qtDialogs;
}

void SetFileDialogs(IFileDialogs* dialogs) { g_fileDialogs = dialogs; }

}  // namespace platform
