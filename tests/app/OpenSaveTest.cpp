// Open and Save: every message box, the keep-points question, a failed or
// cancelled Open leaving everything as it was, and a survey read back.

#include <QFile>
#include <QProcess>
#include <system_error>

#include "AppFakes.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "platform/WaitCursor.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

namespace {

struct ReadBack {
    std::vector<ApRecord> entries;
    int circles = 0;
};

ReadBack ReadSite(const std::string& path) {
    ReadBack out;
    FileSource src(path);
    EXPECT_TRUE(src.Status().ok);
    CSiteRecord site;
    EXPECT_TRUE(ReadSiteHeader(src, site).ok);
    CApList list;
    EXPECT_TRUE(ReadPoints(src, site, list, [&](int32_t, int32_t, int16_t) { ++out.circles; }).ok);
    for (ApRecord* r = list.First(); r != nullptr; list.GetNext(r)) out.entries.push_back(*r);
    return out;
}

QByteArray FileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

TEST_F(AppTest, SurveyOfThreePointsIsSavedAndReadBack) {
    auto view = MakeView();
    const std::string path = MakeSite("survey.hss", 240, 268);
    ASSERT_TRUE(Open(*view, path, false));
    TapWorld(*view, 40, 50);
    FinishScan(*view, {{0x01, {-61, -62, -64}, 6, "lab"}, {0x02, {-45}, 11, "office"}});
    TapWorld(*view, 120, 60);
    FinishScan(*view, {});
    TapWorld(*view, 200, 200);
    FinishScan(*view, {{0x03, {-70, -71}, 1, "caf\xC3\xA9"}});
    EXPECT_EQ(g_pSite->m_locationCount, 3);
    EXPECT_EQ(g_pSite->m_apCount, 3);

    m_boxes.shown.clear();
    ASSERT_TRUE(view->OnSaveSite());
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    EXPECT_TRUE(m_boxes.shown.empty());  // no message reports success
    EXPECT_FALSE(view->HasUnsavedChanges());
    EXPECT_EQ(platform::WaitCursorDepth(), 0);

    const ReadBack back = ReadSite(path);
    EXPECT_EQ(back.circles, 3);
    ASSERT_EQ(back.entries.size(), 4u);
    EXPECT_EQ(back.entries[0].x, 40);
    EXPECT_EQ(back.entries[0].rssi, -62);
    EXPECT_EQ(back.entries[1].rssi, -45);
    EXPECT_EQ(back.entries[2].channel, 0);  // the point without APs
    EXPECT_EQ(back.entries[2].x, 120);
    EXPECT_EQ(back.entries[3].rssi, -70);
    EXPECT_STREQ(back.entries[3].ssid, "caf\xC3\xA9");

    // The signature went in: the diagonal is ink.
    FileSource src(path);
    CSiteRecord site;
    ASSERT_TRUE(ReadSiteHeader(src, site).ok);
    uint8_t word[4] = {};
    // Bottom row first: (x 0, y 0) is the first word of the last row.
    src.ReadAt(site.SignatureOffset() + 99u * 200u * 4u, word, 4);
    EXPECT_EQ(word[0] | word[1] | word[2], 0);
    src.ReadAt(site.SignatureOffset() + 99u * 200u * 4u + 4u, word, 4);
    EXPECT_EQ(word[0], 0xFF);

#ifdef PELLORIN_SITE_TOOL
    QProcess tool;
    tool.start(QStringLiteral(PELLORIN_SITE_TOOL),
               {QStringLiteral("points"), QString::fromStdString(path)});
    ASSERT_TRUE(tool.waitForFinished(15000));
    const QString out = QString::fromUtf8(tool.readAllStandardOutput());
    EXPECT_EQ(tool.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("001122334401"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("-62"))) << out.toStdString();
#endif
}

TEST_F(AppTest, OpenWithYesKeepsTheFilePointsAndWithNoDropsThem) {
    auto view = MakeView();
    const std::string path = MakeSite("keep.hss", 240, 268);
    ASSERT_TRUE(Open(*view, path, false));
    TapWorld(*view, 40, 50);
    FinishScan(*view, {{0x01, {-30}, 6, "lab"}});
    TapWorld(*view, 150, 150);
    FinishScan(*view, {{0x02, {-65}, 6, "lab"}});
    ASSERT_TRUE(view->OnSaveSite());

    ASSERT_TRUE(Open(*view, path, true));
    ASSERT_EQ(m_boxes.shown.back().text,
              QStringLiteral("Do you wish to keep existing data points?"));
    EXPECT_EQ(m_boxes.shown.back().caption, QStringLiteral("Tamb"));
    EXPECT_EQ(m_boxes.shown.back().type, unsigned(platform::MB_YESNO));
    EXPECT_EQ(surveyList.Count(), 2);
    EXPECT_EQ(g_pSite->m_locationCount, 0);  // loading is not recording
    EXPECT_EQ(Px(view->MapImage(), 40, 50), 0xFF0000u);
    EXPECT_EQ(Px(view->MapImage(), 150, 150), 0x00FF00u);
    EXPECT_FALSE(view->HasUnsavedChanges());

    ASSERT_TRUE(Open(*view, path, false));
    EXPECT_TRUE(surveyList.IsEmpty());
    EXPECT_NE(Px(view->MapImage(), 40, 50), 0xFF0000u);  // the previous map was released
    EXPECT_EQ(view->m_displayMode, 1);
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
}

TEST_F(AppTest, FailedOrCancelledOpenLeavesTheOpenSiteAsItWas) {
    auto view = MakeView();
    const std::string good = MakeSite("good.hss", 240, 268);
    ASSERT_TRUE(Open(*view, good, false));
    TapWorld(*view, 40, 50);
    FinishScan(*view, {{0x01, {-30}, 6, "lab"}});
    CSiteRecord* site = g_pSite;
    const QImage map = view->MapImage().copy();
    m_boxes.shown.clear();

    // Not a site file.
    QByteArray bytes = FileBytes(good);
    bytes[4] = 'X';
    const std::string bad = m_dir.filePath(QStringLiteral("bad.hss")).toStdString();
    {
        QFile f(QString::fromStdString(bad));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // Obsolete version.
    QByteArray old = FileBytes(good);
    old[8] = 1;
    old[9] = 0;
    const std::string obsolete = m_dir.filePath(QStringLiteral("old.hss")).toStdString();
    {
        QFile f(QString::fromStdString(obsolete));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    // A bitmap section cut short.
    const std::string cut = m_dir.filePath(QStringLiteral("cut.hss")).toStdString();
    {
        QFile f(QString::fromStdString(cut));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(FileBytes(good).left(400));
    }
    const std::string missing = m_dir.filePath(QStringLiteral("none.hss")).toStdString();

    struct Case {
        std::string path;
        QString text;
        QString caption;
    } cases[] = {
        {bad, QStringLiteral("Not a Site File."), QStringLiteral("File Error")},
        {obsolete, QStringLiteral("Obsolete Site File, recreate using Quendle"),
         QStringLiteral("File Error")},
        {missing, QString::fromStdString(std::system_category().message(ENOENT)),
         QStringLiteral("File Open Error")},
        {cut, QString(), QStringLiteral("File Error")},
    };
    for (const Case& c : cases) {
        m_boxes.shown.clear();
        m_files.next = QString::fromStdString(c.path);
        view->OnOpenSite();
        ASSERT_EQ(m_boxes.shown.size(), 1u) << c.path;
        if (!c.text.isEmpty()) {
            EXPECT_EQ(m_boxes.shown[0].text, c.text);
        }
        EXPECT_EQ(m_boxes.shown[0].caption, c.caption) << c.path;
        EXPECT_EQ(m_boxes.shown[0].type, unsigned(platform::MB_ICONHAND));
        EXPECT_EQ(g_pSite, site);
        EXPECT_EQ(view->SitePath(), QString::fromStdString(good));
        EXPECT_EQ(view->MapImage(), map);
        EXPECT_EQ(surveyList.Count(), 1);
        EXPECT_EQ(view->m_displayMode, 1);
        EXPECT_TRUE(view->HasUnsavedChanges());
        EXPECT_EQ(platform::WaitCursorDepth(), 0);
    }

    // Cancelled: no question, nothing changes.
    m_boxes.shown.clear();
    m_files.next.clear();
    view->OnOpenSite();
    EXPECT_TRUE(m_boxes.shown.empty());
    EXPECT_EQ(g_pSite, site);
    EXPECT_EQ(view->SitePath(), QString::fromStdString(good));
}

TEST_F(AppTest, SaveBeforeAnyOpenOrOfAVanishedFileSaysCouldNotUpdate) {
    auto view = MakeView();
    EXPECT_FALSE(view->OnSaveSite());
    EXPECT_EQ(m_dialogs.signOffShown, 1);
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, QStringLiteral("Could not update site"));
    EXPECT_EQ(m_boxes.shown[0].caption, QStringLiteral("Site Update Error"));
    EXPECT_EQ(m_boxes.shown[0].type, unsigned(platform::MB_ICONHAND));

    const std::string path = MakeSite("gone.hss", 240, 268);
    ASSERT_TRUE(Open(*view, path, false));
    TapWorld(*view, 40, 50);
    FinishScan(*view, {{0x01, {-30}, 6, "lab"}});
    ASSERT_TRUE(QFile::remove(QString::fromStdString(path)));
    m_boxes.shown.clear();
    EXPECT_FALSE(view->OnSaveSite());
    ASSERT_EQ(m_boxes.shown.size(), 1u);
    EXPECT_EQ(m_boxes.shown[0].text, QStringLiteral("Could not update site"));
    EXPECT_TRUE(view->HasUnsavedChanges());
    EXPECT_EQ(platform::WaitCursorDepth(), 0);
}
