#pragma once
// The file dialog behind an interface, so that tests choose the file.

#include <QString>

class QWidget;

namespace platform {

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen existing site file, or an empty string when cancelled.
    virtual QString GetOpenSitePath(QWidget* parent) = 0;
    // Where Save As writes, or an empty string when cancelled; a file that
    // is there already was confirmed to be replaced.
    virtual QString GetSaveSitePath(QWidget* parent) = 0;
    // The floor plan a new site is made from (an image, an SVG or a PDF),
    // or an empty string when cancelled. Qt's dialog unless replaced.
    virtual QString GetOpenPlanPath(QWidget* parent);
};

// QFileDialog: existing files only, "Site Files (*.hss)" and "All Files (*)",
// default suffix hss, initial name SITE1.
class QtFileDialogs : public IFileDialogs {
public:
    QString GetOpenSitePath(QWidget* parent) override;
    QString GetSaveSitePath(QWidget* parent) override;  // "Save As", asks before replacing
};

IFileDialogs& FileDialogs();
void SetFileDialogs(IFileDialogs* dialogs);  // not owned; null restores Qt's

}  // namespace platform
