#include "platform/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace platform {

namespace {

QString RunSiteDialog(QFileDialog& dialog) {
    dialog.setNameFilters(
        QStringList{QStringLiteral("Site Files (*.hss)"), QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("hss"));
    dialog.selectFile(QStringLiteral("SITE1"));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace

QString IFileDialogs::GetOpenPlanPath(QWidget* parent) {
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("New Site from Floor Plan"), QString(),
        QStringLiteral("Floor Plans (*.pdf *.svg *.png *.jpg *.jpeg *.bmp *.gif *.tif *.tiff "
                       "*.webp);;All Files (*)"));
}

QString QtFileDialogs::GetOpenSitePath(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return RunSiteDialog(dialog);
}

QString QtFileDialogs::GetSaveSitePath(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    return RunSiteDialog(dialog);
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
