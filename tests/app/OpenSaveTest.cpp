// Open and Save: every message box, the keep-points question, a failed or
// cancelled Open leaving everything as it was, a survey read back, and the
// guards that keep unsaved points and the file on disk from being lost.

#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "AppFakes.h"
#include "FifoRescue.h"
#include "ScratchDir.h"
#include "SiteTestSupport.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
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

TEST_F(AppTest, SurveyOfThreePointsIsSavedAndReadBack) {
    auto view = MakeView();
    const std::string path = MakeSite("survey.hss");
    ASSERT_TRUE(Open(*view, path, false));
    RecordPoint(*view, 40, 50, {{0x01, {-61, -62, -64}, 6, "lab"}, {0x02, {-45}, 11, "office"}});
    RecordPoint(*view, 120, 60, {});
    RecordPoint(*view, 200, 200, {{0x03, {-70, -71}, 1, "caf\xC3\xA9"}});
    EXPECT_EQ(g_pSite->m_locationCount, 3);
    EXPECT_EQ(g_pSite->m_apCount, 3);

    m_boxes.shown.clear();
    ASSERT_TRUE(view->OnSaveSite());
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    EXPECT_TRUE(m_boxes.shown.empty());  // no message reports success
    EXPECT_FALSE(view->HasUnsavedChanges());
    EXPECT_EQ(platform::WaitCursorDepth(), 0);

    FileSource src(path);
    CSiteRecord site;
    CApList list;
    int circles = 0;
    ASSERT_TRUE(ReadSurvey(src, site, list, &circles));
    EXPECT_EQ(circles, 3);
    std::vector<ApRecord> back;
    for (ApRecord* r = list.First(); r != nullptr; list.GetNext(r)) back.push_back(*r);
    ASSERT_EQ(back.size(), 4u);
    EXPECT_EQ(back[0].x, 40);
    EXPECT_EQ(back[0].rssi, -62);
    EXPECT_EQ(back[1].rssi, -45);
    EXPECT_EQ(back[2].channel, 0);  // the point without APs
    EXPECT_EQ(back[2].x, 120);
    EXPECT_EQ(back[3].rssi, -70);
    EXPECT_STREQ(back[3].ssid, "caf\xC3\xA9");

    // The signature went in: the diagonal is ink. Bottom row first, so
    // (x 0, y 0) is the first word of the last row.
    uint8_t word[8] = {};
    src.ReadAt(site.SignatureOffset() + 99u * 200u * 4u, word, 8);
    EXPECT_EQ(word[0] | word[1] | word[2], 0);
    EXPECT_EQ(word[4], 0xFF);
}

TEST_F(AppTest, OpenWithYesKeepsTheFilePointsAndWithNoDropsThem) {
    auto view = MakeView();
    const std::string path = MakeSite("keep.hss");
    ASSERT_TRUE(Open(*view, path, false));
    RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
    RecordPoint(*view, 150, 150, {{0x02, {-65}, 6, "lab"}});
    ASSERT_TRUE(view->OnSaveSite());

    m_boxes.shown.clear();
    ASSERT_TRUE(Open(*view, path, true));
    ExpectOneBox("Do you wish to keep existing data points?", "Tamb", platform::MB_YESNO);
    EXPECT_EQ(surveyList.Count(), 2);
    EXPECT_EQ(g_pSite->m_locationCount, 0);  // loading is not recording
    EXPECT_EQ(Px(view->MapPicture(), 40, 50), 0xFF0000u);
    EXPECT_EQ(Px(view->MapPicture(), 150, 150), 0x00FF00u);
    EXPECT_FALSE(view->HasUnsavedChanges());

    ASSERT_TRUE(Open(*view, path, false));
    EXPECT_TRUE(surveyList.IsEmpty());
    EXPECT_NE(Px(view->MapPicture(), 40, 50), 0xFF0000u);  // the previous map was released
    EXPECT_EQ(view->m_displayMode, 1);
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
}

TEST_F(AppTest, FailedOrCancelledOpenLeavesTheOpenSiteAsItWas) {
    auto view = MakeView();
    const std::string good = MakeSite("good.hss");
    ASSERT_TRUE(Open(*view, good, false));
    RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
    CSiteRecord* site = g_pSite;
    const QImage map = view->MapPicture().copy();
    const auto damaged = [&](const char* name, const std::function<void(Bytes&)>& damage) {
        Bytes bytes = ReadFileBytes(good);
        damage(bytes);
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        WriteFileBytes(path.toStdString(), bytes);
        return path;
    };

    const QString fifo = m_dir.filePath("pipe.hss");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0644), 0);
    FifoRescue rescue(fifo.toStdString());
    const QString huge = m_dir.filePath("huge.hss");  // a sparse 1 GB map of 32767 x 32767
    WriteSparseSite(huge.toStdString(), SmallSiteFile(), 32767, 32767, 32768u * 32767u);
    const auto hugeSize = std::filesystem::file_size(huge.toStdString());

    const struct {
        QString path, text, caption;
    } cases[] = {
        // The reader's every message is SiteDefects'; one stands for them here.
        {damaged("bad.hss", [](Bytes& b) { b[4] = 'X'; }), "Not a Site File.", "File Error"},
        {m_dir.filePath("none.hss"), QString::fromStdString(std::system_category().message(ENOENT)),
         "File Open Error"},
        {fifo, "This is a named pipe (FIFO), not a file.", "File Open Error"},
        {"/dev/null", "This is a device, not a file.", "File Open Error"},
        {huge, "Not enough memory for the site map.", "File Error"},
        {"", "", ""},  // cancelled: no question at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        m_boxes.shown.clear();
        m_boxes.answers = {platform::IDNO};  // do not save the point first
        m_files.next = c.path;
        view->OnOpenSite();
        if (c.path.isEmpty()) {
            EXPECT_EQ(m_boxes.shown.size(), 1u);  // only the save question
        } else {
            ASSERT_EQ(m_boxes.shown.size(), 2u);
            EXPECT_EQ(m_boxes.shown[1].text, c.text + "\n" + c.path);  // the file named below
            EXPECT_EQ(m_boxes.shown[1].caption, c.caption);
            EXPECT_EQ(m_boxes.shown[1].type, unsigned(platform::MB_ICONHAND));
        }
        EXPECT_EQ(g_pSite, site);
        EXPECT_EQ(view->SitePath(), QString::fromStdString(good));
        EXPECT_EQ(view->MapPicture(), map);
        EXPECT_EQ(surveyList.Count(), 1);
        EXPECT_EQ(view->m_displayMode, 1);
        EXPECT_TRUE(view->HasUnsavedChanges());
        EXPECT_EQ(platform::WaitCursorDepth(), 0);
    }
    EXPECT_FALSE(rescue.Rescued()) << "Open blocked on the FIFO";
    EXPECT_EQ(std::filesystem::file_size(huge.toStdString()), hugeSize);
}

TEST_F(AppTest, SaveBeforeAnyOpenOrOfAVanishedFileSaysCouldNotUpdate) {
    auto view = MakeView();
    EXPECT_FALSE(view->OnSaveSite());
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    ExpectOneBox("Could not update site", "Site Update Error", platform::MB_ICONHAND);

    const std::string path = MakeSite("gone.hss");
    ASSERT_TRUE(Open(*view, path, false));
    RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
    ASSERT_TRUE(QFile::remove(QString::fromStdString(path)));
    m_boxes.shown.clear();
    EXPECT_FALSE(view->OnSaveSite());
    ExpectOneBox(QString::fromStdString("Could not update site\n" + path +
                                        ": The file was removed or renamed since it was opened"),
                 "Site Update Error", platform::MB_ICONHAND);
    EXPECT_TRUE(view->HasUnsavedChanges());
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
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
        EXPECT_EQ(view->SitePath().toStdString(), c.opened ? other : path);
        EXPECT_EQ(surveyList.Count(), c.opened ? 0 : 1);
        EXPECT_EQ(view->HasUnsavedChanges(), !c.opened);
        EXPECT_EQ(m_boxes.shown.size(), c.opened ? 2u : 1u);  // then the keep-points question
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

TEST_F(AppTest, SaveRefusesASiteFileReplacedOnDiskAndSavesAgainAfterItsOwnSave) {
    auto view = MakeView();
    const std::string path = MakeSite("survey.hss");
    ASSERT_TRUE(Open(*view, path, false));
    RecordPoint(*view, 40, 50, {{0x01, {-30}, 6, "lab"}});
    ASSERT_TRUE(view->OnSaveSite());
    RecordPoint(*view, 90, 50, {{0x02, {-60}, 6, "lab"}});
    ASSERT_TRUE(view->OnSaveSite());  // the fingerprint follows the file's own saves

    // Another program puts a different site where this one was.
    const std::string photo = MakeSite("photo.hss", 300, 200);
    ASSERT_TRUE(QFile::remove(QString::fromStdString(path)));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(photo), QString::fromStdString(path)));
    RecordPoint(*view, 140, 50, {{0x03, {-50}, 6, "lab"}});
    m_boxes.shown.clear();
    EXPECT_FALSE(view->OnSaveSite());
    ExpectOneBox(QString::fromStdString("Could not update site\n" + path +
                                        ": The file changed on disk since it was opened"),
                 "Site Update Error", platform::MB_ICONHAND);
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(photo));
    EXPECT_TRUE(view->HasUnsavedChanges());
}
