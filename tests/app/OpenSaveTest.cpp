// Open and Save as the surveyor meets them: the questions and their order,
// the sign-off, one box for each refusal, the wait cursor always lowered, the
// screen kept when an Open fails, and the recovery question. What the
// document does underneath is tested without a window (tests/survey).

#include <QApplication>
#include <QImage>
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
        PressKey(dialog, Qt::Key_Escape);
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
    // The document tests every refusal of the loader and of the save; one of
    // the loader stands for them here, the save's before any Open. An empty
    // path is the file dialog cancelled.
    for (const std::string& path : {badPath, std::string()}) {
        SCOPED_TRACE(path);
        m_boxes.shown.clear();
        m_boxes.answers = {platform::IDNO};  // do not save the point first
        m_files.next.clear();
        if (path.empty()) {
            view->OnOpenSite();
        } else {
            EXPECT_FALSE(view->OpenSitePath(QString::fromStdString(path)));
        }
        ASSERT_EQ(m_boxes.shown.size(), path.empty() ? 1u : 2u);  // Open asks to save first
        if (!path.empty()) {
            EXPECT_EQ(m_boxes.shown.back().text,
                      QString::fromStdString("Not a Site File.\n" + path));
            EXPECT_EQ(m_boxes.shown.back().caption, "File Error");
            EXPECT_EQ(m_boxes.shown.back().type, unsigned(platform::MB_ICONHAND));
        }
        EXPECT_EQ(view->Document().Path(), good);
        EXPECT_EQ(view->Render(), screen);
        EXPECT_TRUE(view->isWindowModified());
        EXPECT_EQ(platform::WaitCursorDepth(), 0);
    }
}

// Open (from the dialog or by path, as for a site on the command line) and
// Ctrl+N with unsaved points ask to save them before another file is chosen
// or written; the new site from a plan opens without the keep-points question.
TEST_F(AppTest, OpenOrNewSiteWithUnsavedPointsAsksToSaveThemFirst) {
    enum class How { kDialog, kPath, kPlan };
    const struct {
        const char* name;
        How how;
        int answer;
        bool signOffClosed, saved, opened;
    } cases[] = {
        {"Yes", How::kDialog, platform::IDYES, false, true, true},
        {"Yes, sign-off closed", How::kDialog, platform::IDYES, true, false, false},
        {"No", How::kDialog, platform::IDNO, false, false, true},
        {"No, by path", How::kPath, platform::IDNO, false, false, true},
        {"Cancel", How::kDialog, platform::IDCANCEL, false, false, false},
        {"new: Yes", How::kPlan, platform::IDYES, false, true, true},
        {"new: Yes, sign-off closed", How::kPlan, platform::IDYES, true, false, false},
        {"new: No", How::kPlan, platform::IDNO, false, false, true},
        {"new: Cancel", How::kPlan, platform::IDCANCEL, false, false, false},
    };
    const std::string other = MakeSite("other.hss");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        QImage plan(64, 48, QImage::Format_RGB32);
        plan.fill(Qt::white);
        m_files.plan = QString::fromStdString((dir.Path() / "floor.png").string());
        ASSERT_TRUE(plan.save(m_files.plan));
        const std::string made = (dir.Path() / "floor.hss").string();
        const std::string next = c.how == How::kPlan ? made : other;
        auto view = MakeView();
        const std::string path = MakeSite("survey.hss");
        ASSERT_TRUE(Open(*view, path, false));
        RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
        const Bytes before = ReadFileBytes(path);
        m_boxes.shown.clear();
        m_boxes.answers = {c.answer, platform::IDNO};  // then: keep the new site's points? No
        m_dialogs.signOffClosed = c.signOffClosed;
        m_files.next = QString::fromStdString(other);
        m_files.planShown = 0;
        if (c.how == How::kPath) {
            EXPECT_EQ(view->OpenSitePath(m_files.next), c.opened);
        } else if (c.how == How::kPlan) {
            view->OnNewSiteFromPlan();
        } else {
            view->OnOpenSite();
        }

        ASSERT_FALSE(m_boxes.shown.empty());
        EXPECT_EQ(m_boxes.shown[0].text, "Save the survey before opening another site?");
        EXPECT_EQ(m_boxes.shown[0].caption, "Tamb");
        EXPECT_EQ(m_boxes.shown[0].type, unsigned(platform::MB_YESNOCANCEL));
        EXPECT_EQ(ReadFileBytes(path) != before, c.saved);
        EXPECT_EQ(view->Document().Path(), c.opened ? next : path);
        EXPECT_EQ(surveyList.Count(), c.opened ? 0 : 1);
        EXPECT_EQ(view->Document().HasUnsavedChanges(), !c.opened);
        // Then the keep-points question, but not for a new site.
        EXPECT_EQ(m_boxes.shown.size(), c.opened && c.how != How::kPlan ? 2u : 1u);
        EXPECT_EQ(m_files.planShown, c.how == How::kPlan && c.opened ? 1 : 0);
        EXPECT_EQ(std::filesystem::exists(made), c.how == How::kPlan && c.opened);
    }
}

TEST_F(AppTest, SignOffClosedWithoutSavingLeavesTheSurveyedFileByteForByte) {
    // Open a surveyed site, Escape on the keep-points question (No), Save,
    // Escape on the sign-off: the file still holds its survey.
    const auto path = std::filesystem::path(m_dir.filePath("office-surveyed.hss").toStdString());
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
