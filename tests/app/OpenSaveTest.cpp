// Open and Save as the surveyor meets them: the questions and their order,
// the sign-off, one box for each refusal, the wait cursor always lowered, the
// screen kept when an Open fails, and the recovery question. What the
// document does underneath is tested without a window (tests/survey).

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>
#include <filesystem>

#include "AppFakes.h"
#include "ScratchDir.h"
#include "SiteTestSupport.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "app/MainFrame.h"
#include "journal/JournalReader.h"
#include "platform/WaitCursor.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

// Presses Escape on the next modal dialog once it is up.
void PressEscapeOnNextDialog() {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) return;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(dialog, &escape);
        poll->stop();
        poll->deleteLater();
    });
    poll->start(5);
}

}  // namespace

TEST_F(AppTest, OpenAsksToKeepPointsAndSaveSignsOffWritesTheSignatureAndReportsNoSuccess) {
    auto view = MakeView();
    const std::string path = MakeSite("survey.hss");
    m_boxes.shown.clear();
    ASSERT_TRUE(Open(*view, path, false));
    ExpectOneBox("Do you wish to keep existing data points?", "Tamb", platform::MB_YESNO);
    EXPECT_EQ(view->Mode(), DisplayMode::kSiteMap);
    RecordPoint(*view, 40, 50, {{0x01, {-61, -62, -64}, 6, "lab"}});
    EXPECT_TRUE(view->isWindowModified());

    m_boxes.shown.clear();
    ASSERT_TRUE(view->OnSaveSite());
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    EXPECT_TRUE(m_boxes.shown.empty());  // no message reports success
    EXPECT_FALSE(view->isWindowModified());
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
    // The signature went in: the diagonal is ink. Bottom row first, so
    // (x 0, y 0) is the first word of the last row.
    FileSource src(path);
    CSiteRecord site;
    CApList list;
    ASSERT_TRUE(ReadSurvey(src, site, list));
    EXPECT_EQ(list.Count(), 1);
    uint8_t word[8] = {};
    src.ReadAt(site.SignatureOffset() + 99u * 200u * 4u, word, 8);
    EXPECT_EQ(word[0] | word[1] | word[2], 0);
    EXPECT_EQ(word[4], 0xFF);
}

TEST_F(AppTest, EachRefusedOpenOrSaveIsOneBoxAndLeavesTheScreenAsItWas) {
    auto view = MakeView();
    EXPECT_FALSE(view->OnSaveSite());  // before any Open
    ExpectOneBox("Could not update site", "Site Update Error", platform::MB_ICONHAND);
    const std::string good = MakeSite("good.hss");
    ASSERT_TRUE(Open(*view, good, false));
    RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
    const QImage screen = view->Render();
    Bytes bad = ReadFileBytes(good);
    bad[4] = 'X';
    const std::string badPath = m_dir.filePath("bad.hss").toStdString();
    WriteFileBytes(badPath, bad);
    const struct {
        const char* what;
        std::function<bool()> run;
        QString text, caption;
    } cases[] = {
        // The document tests every refusal of the loader and of the save; one
        // of the loader stands for them here, the save's before any Open.
        {"a file that is not a site",
         [&] { return view->OpenSitePath(QString::fromStdString(badPath)); },
         QString::fromStdString("Not a Site File.\n" + badPath), "File Error"},
        {"the file dialog cancelled",
         [&] {
             m_files.next.clear();
             view->OnOpenSite();
             return false;
         },
         "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_boxes.shown.clear();
        m_boxes.answers = {platform::IDNO};  // do not save the point first
        EXPECT_FALSE(c.run());
        const bool asked = c.caption != "Site Update Error";  // Open asks to save first
        ASSERT_EQ(m_boxes.shown.size(), (asked ? 1u : 0u) + (c.text.isEmpty() ? 0u : 1u));
        if (!c.text.isEmpty()) {
            EXPECT_EQ(m_boxes.shown.back().text, c.text);
            EXPECT_EQ(m_boxes.shown.back().caption, c.caption);
            EXPECT_EQ(m_boxes.shown.back().type, unsigned(platform::MB_ICONHAND));
        }
        EXPECT_EQ(view->Document().Path(), good);
        EXPECT_EQ(view->Render(), screen);
        EXPECT_TRUE(view->isWindowModified());
        EXPECT_EQ(platform::WaitCursorDepth(), 0);
    }
}

TEST_F(AppTest, OpenWithUnsavedPointsAsksToSaveThemFirst) {
    const struct {
        const char* name;
        int answer;
        bool signOffClosed;
        bool viaPath;  // OpenSitePath, as for a site on the command line
        bool saved, opened;
    } cases[] = {
        {"Yes", platform::IDYES, false, false, true, true},
        {"Yes, sign-off closed", platform::IDYES, true, false, false, false},
        {"No", platform::IDNO, false, false, false, true},
        {"No, by path", platform::IDNO, false, true, false, true},
        {"Cancel", platform::IDCANCEL, false, false, false, false},
    };
    const std::string other = MakeSite("other.hss");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = MakeView();
        const std::string path = MakeSite("survey.hss");
        ASSERT_TRUE(Open(*view, path, false));
        RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
        const Bytes before = ReadFileBytes(path);
        m_boxes.shown.clear();
        m_boxes.answers = {c.answer, platform::IDNO};  // then: keep the new site's points? No
        m_dialogs.signOffClosed = c.signOffClosed;
        m_files.next = QString::fromStdString(other);
        if (c.viaPath) {
            EXPECT_EQ(view->OpenSitePath(m_files.next), c.opened);
        } else {
            view->OnOpenSite();
        }

        ASSERT_FALSE(m_boxes.shown.empty());
        EXPECT_EQ(m_boxes.shown[0].text, "Save the survey before opening another site?");
        EXPECT_EQ(m_boxes.shown[0].caption, "Tamb");
        EXPECT_EQ(m_boxes.shown[0].type, unsigned(platform::MB_YESNOCANCEL));
        EXPECT_EQ(ReadFileBytes(path) != before, c.saved);
        EXPECT_EQ(view->Document().Path(), c.opened ? other : path);
        EXPECT_EQ(surveyList.Count(), c.opened ? 0 : 1);
        EXPECT_EQ(view->Document().HasUnsavedChanges(), !c.opened);
        EXPECT_EQ(m_boxes.shown.size(), c.opened ? 2u : 1u);  // then the keep-points question
    }
}

// Ctrl+N with unsaved points asks to save them before a plan is chosen or a
// file written; the new site opens without the keep-points question.
TEST_F(AppTest, NewSiteWithUnsavedPointsAsksToSaveThemBeforeAnythingIsWritten) {
    const struct {
        const char* name;
        int answer;
        bool signOffClosed;
        bool opened;
    } cases[] = {
        {"Yes", platform::IDYES, false, true},
        {"Yes, sign-off closed", platform::IDYES, true, false},
        {"No", platform::IDNO, false, true},
        {"Cancel", platform::IDCANCEL, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        QImage plan(64, 48, QImage::Format_RGB32);
        plan.fill(Qt::white);
        ASSERT_TRUE(plan.save(QString::fromStdString((dir.Path() / "floor.png").string())));
        const std::string made = (dir.Path() / "floor.hss").string();
        auto view = MakeView();
        const std::string path = MakeSite("survey.hss");
        ASSERT_TRUE(Open(*view, path, false));
        RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
        m_boxes.shown.clear();
        m_boxes.answers = {c.answer};
        m_dialogs.signOffClosed = c.signOffClosed;
        m_files.plan = QString::fromStdString((dir.Path() / "floor.png").string());
        m_files.planShown = 0;
        view->OnNewSiteFromPlan();
        ASSERT_EQ(m_boxes.shown.size(), 1u);
        EXPECT_EQ(m_boxes.shown[0].text, "Save the survey before opening another site?");
        EXPECT_EQ(m_files.planShown, c.opened ? 1 : 0);
        EXPECT_EQ(std::filesystem::exists(made), c.opened);
        EXPECT_EQ(view->Document().Path(), c.opened ? made : path);
        EXPECT_EQ(surveyList.Count(), c.opened ? 0 : 1);
    }
}

TEST_F(AppTest, SignOffClosedWithoutSavingLeavesTheSurveyedFileByteForByte) {
    // Open a surveyed site, Escape on the keep-points question (No), Save,
    // Escape on the sign-off: the file still holds its survey.
    ScratchDir dir;
    const auto path = dir.Path() / "office-surveyed.hss";
    std::filesystem::copy_file(std::filesystem::path(PELLORIN_SAMPLES) / "office-surveyed.hss",
                               path);
    const Bytes before = ReadFileBytes(path);
    auto view = MakeView();
    ASSERT_TRUE(Open(*view, path.string(), false));
    view->SetDialogs(nullptr);  // the real "Sign Off On Survey"
    PressEscapeOnNextDialog();
    m_boxes.shown.clear();
    EXPECT_FALSE(view->OnSaveSite());
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
}

TEST_F(AppTest, OpenAsksToRecoverAJournalledSurveyAndShowsItRecoveredOrDeclined) {
    // A survey whose program died: two points in the journal beside the site.
    std::string path;
    {
        auto view = MakeView();
        path = MakeSite("crashed.hss");
        ASSERT_TRUE(Open(*view, path, false));
        RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
        RecordPoint(*view, 100, 50, {{0x02, {-60}, 6, "lab"}});
    }  // the journal stays: its points are unsaved
    const Bytes journal = ReadFileBytes(JournalPathFor(path));
    // The journal declined is set aside, and the next Open offers it after
    // the live one.
    const QString live = "Recover 2 survey points recorded after the last save?";
    const QString aside = "Recover 2 survey points kept aside on ";
    const struct {
        const char* what;
        std::deque<int> answers;
        std::vector<QString> boxes;  // the set-aside one by its beginning
        bool recovered;
        long setAside;  // journals set aside afterwards
    } cases[] = {
        {"recovered", {platform::IDYES}, {live}, true, 0},
        {"declined",
         {platform::IDNO, platform::IDNO},
         {live, "Do you wish to keep existing data points?"},
         false,
         1},
        // The live one is set aside now, the one set aside before is live again.
        {"the one kept aside recovered", {platform::IDNO, platform::IDYES}, {live, aside}, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(JournalPathFor(path), journal);
        CMainFrame frame;  // its panes show what the view posts
        CTambRUMOView& view = *frame.View();
        view.SetDialogs(&m_dialogs);
        m_boxes.shown.clear();
        m_boxes.answers = c.answers;
        ASSERT_TRUE(view.OpenSitePath(QString::fromStdString(path)));
        ASSERT_EQ(m_boxes.shown.size(), c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); ++i)
            EXPECT_TRUE(m_boxes.shown[i].text.startsWith(c.boxes[i]))
                << m_boxes.shown[i].text.toStdString();
        EXPECT_EQ(m_boxes.shown[0].caption, "Recover Survey");
        EXPECT_EQ(surveyList.Count(), c.recovered ? 2 : 0);
        EXPECT_EQ(frame.isWindowModified(), c.recovered);
        if (c.recovered) {
            EXPECT_TRUE(PumpUntil([&] { return frame.PaneText(0) == "L: 2"; }));
        }
        const auto dir = std::filesystem::path(path).parent_path();
        EXPECT_EQ(std::count_if(std::filesystem::directory_iterator(dir), {},
                                [](const auto& e) {
                                    return e.path().filename().string().rfind(
                                               "crashed.hss.journal.", 0) == 0;
                                }),
                  c.setAside);
        m_boxes.answers = {platform::IDNO};  // closing: do not save
    }
}
