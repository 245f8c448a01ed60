#pragma once
// Open a Site, Save a Site and Save As as the surveyor meets them: the
// questions, the file dialog, the sign-off, the message boxes and the wait
// cursor, over the survey document that does the work. Open first offers to
// save unsaved points, then reads and checks everything with the site loader
// and lets the document adopt the site only when the whole file was
// accepted, so a cancelled or failed Open leaves the site, map, path, survey
// and screen that were there before. A site that another Pellorin has open
// is opened for viewing only, or not at all, as the surveyor chooses. Save
// goes ahead only after "SAVE SITE SURVEY"; a save that is refused names the
// file and the reason, and offers Save As.

#include <QString>
#include <functional>

class CSurveyDocument;
class CSurveyMap;
class IViewDialogs;
class ISignature;
class QWidget;
struct SiteStatus;
struct SiteOpening;
struct OpenChoice;

class CSurveyCommands {
public:
    enum class Opened { kNo, kYes, kRecovered };

    CSurveyCommands(QWidget& view, CSurveyDocument& document, const CSurveyMap& map,
                    std::function<IViewDialogs&()> dialogs);

    // The question whether to save unsaved points, then the file dialog and
    // the Open of the file chosen.
    Opened OpenChosen();
    // The same for `path` without the file dialog.
    Opened Open(const QString& path);
    // "New Site from Floor Plan" (Ctrl+N): the question whether to save
    // unsaved points before anything is written, then the new site made
    // (NewSiteFlow.h) and opened, nothing asked of its points (it has none).
    Opened NewSiteFromPlan();
    // True when the site was written; false also when the sign-off was
    // closed without "SAVE SITE SURVEY".
    bool Save();
    // Save As (Ctrl+Shift+S): the file dialog, the sign-off, then the survey
    // into the file chosen, which becomes the open site.
    bool SaveAs();
    // With points recorded or deleted since the last Open or Save, asks
    // `question` (Yes, No, Cancel) and saves on Yes. True when the caller
    // may go on: nothing to save, saved, or No.
    bool SaveOrDiscard(const QString& question);
    // Whether points may be recorded or deleted; a site open for viewing
    // only says why not.
    bool MayEdit();

private:
    Opened OpenFile(const QString& path, bool askKeepPoints = true);
    bool AskRecovery(const SiteOpening& opening, OpenChoice& choice);
    bool Ask(const QString& text, const QString& caption);
    // Writes with `signature` to the file the dialog gives (`path` first
    // when given) until it is written or the surveyor gives up.
    bool SaveAsWith(const ISignature& signature, QString path);
    // The refusal's box; with `offerSaveAs` it asks whether to write the
    // survey to another site file instead, true on Yes.
    bool Refused(const SiteStatus& status, bool offerSaveAs);
    QWidget* Window() const;

    QWidget& m_view;
    CSurveyDocument& m_document;
    const CSurveyMap& m_map;
    std::function<IViewDialogs&()> m_dialogs;
};
