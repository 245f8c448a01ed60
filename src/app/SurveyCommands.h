#pragma once
// Open a Site and Save a Site as the surveyor meets them: the questions, the
// file dialog, the sign-off, the message boxes and the wait cursor, over the
// survey document that does the work. Open first offers to save unsaved
// points, then reads and checks everything with the site loader and lets the
// document adopt the site only when the whole file was accepted, so a
// cancelled or failed Open leaves the site, map, path, survey and screen that
// were there before. Save goes ahead only after "SAVE SITE SURVEY".

#include <QString>
#include <functional>

class CSurveyDocument;
class IViewDialogs;
class QWidget;
struct SiteStatus;

class CSurveyCommands {
public:
    enum class Opened { kNo, kYes, kRecovered };

    CSurveyCommands(QWidget& view, CSurveyDocument& document,
                    std::function<IViewDialogs&()> dialogs);

    // The question whether to save unsaved points, then the file dialog and
    // the Open of the file chosen.
    Opened OpenChosen();
    // The same for `path` without the file dialog.
    Opened Open(const QString& path);
    // True when the site was written; false also when the sign-off was
    // closed without "SAVE SITE SURVEY".
    bool Save();
    // With points recorded or deleted since the last Open or Save, asks
    // `question` (Yes, No, Cancel) and saves on Yes. True when the caller
    // may go on: nothing to save, saved, or No.
    bool SaveOrDiscard(const QString& question);

private:
    Opened OpenFile(const QString& path);
    bool AskRecovery(const struct JournalFinding& found);
    bool Fail(const SiteStatus& status);
    QWidget* Window() const;

    QWidget& m_view;
    CSurveyDocument& m_document;
    std::function<IViewDialogs&()> m_dialogs;
};
