#include <gtest/gtest.h>

#include <QPushButton>
#include <cstring>

#include "DialogTestSupport.h"
#include "aplist/ApList.h"
#include "dialogs/LocationInfoDlg.h"
#include "platform/DialogUnits.h"
#include "site/SiteRecord.h"

namespace {

class LocationInfoDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        surveyList.RemoveAll();
        m_saved = g_pSite;
        g_pSite = &m_site;
    }
    void TearDown() override {
        surveyList.RemoveAll();
        g_pSite = m_saved;
    }

    static void AddRecord(int x, int y, const char* name, const char* mac, const char* ssid,
                          int rssi) {
        ApRecord* r = nullptr;
        ASSERT_EQ(surveyList.NewRecord(r), CApList::kOk);
        r->x = x;
        r->y = y;
        std::strncpy(r->pointName, name, sizeof r->pointName - 1);
        std::strncpy(r->macText, mac, sizeof r->macText - 1);
        std::strncpy(r->ssid, ssid, sizeof r->ssid - 1);
        r->rssi = rssi;
        r->channel = std::strcmp(name, "FILL") == 0 ? 0 : 6;
        ASSERT_EQ(surveyList.AddTail(r), CApList::kOk);
    }

    static QStringList Texts() {
        QStringList texts;
        for (const auto& t : CLocationInfoDlg::SummaryTexts(g_pSite)) texts << t.text;
        return texts;
    }

    CSiteRecord m_site;
    CSiteRecord* m_saved = nullptr;
};

bool IsBarBlue(QRgb c) { return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) == 255; }

bool HasInk(const QImage& image, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) return true;
    return false;
}

TEST_F(LocationInfoDlgTest, PlaceholderPointShowsOneRecordWithFillAndRssiZero) {
    AddRecord(120, 80, "FILL", "000000000000", "FILL", 0);
    ASSERT_EQ(m_site.SelectNearestPoint(121, 79), 1);
    EXPECT_EQ(Texts(), QStringList({"LOCATION INFORMATION", "X: 120.00", "Y: 80.00", "INFORMATION",
                                    "AP's: 1", "STRONGEST AP", "MAC Address: 000000000000",
                                    "SSID: FILL", "RSSI: 0"}));
}

TEST_F(LocationInfoDlgTest, StrongestOfThreeRecordsIsTheFirstOfTheEqualBest) {
    AddRecord(40, 200, "TEST", "111111111111", "weak", -70);
    AddRecord(40, 200, "TEST", "0A1B2C3D4E5F", "first-best", -55);
    AddRecord(40, 200, "TEST", "222222222222", "second-best", -55);
    AddRecord(300, 300, "TEST", "333333333333", "elsewhere", -30);
    ASSERT_EQ(m_site.SelectNearestPoint(40, 200), 1);

    EXPECT_EQ(Texts(), QStringList({"LOCATION INFORMATION", "X: 40.00", "Y: 200.00", "INFORMATION",
                                    "AP's: 3", "STRONGEST AP", "MAC Address: 0A1B2C3D4E5F",
                                    "SSID: first-best", "RSSI: -55"}));
    const auto items = CLocationInfoDlg::SummaryTexts(g_pSite);
    const std::pair<size_t, QRect> rects[] = {{1, QRect(7, 25, 70, 14)},
                                              {2, QRect(127, 25, 70, 14)},
                                              {6, QRect(7, 105, 230, 14)},
                                              {8, QRect(7, 145, 230, 24)}};
    for (const auto& [k, rect] : rects) EXPECT_EQ(items[k].rect, rect) << k;

    // The painted dialog: the blue bars at 20, 60 and 100 (two rows each),
    // whole, with the same margin on the right as on the left; text in the
    // value rectangles, white between them. Every text rectangle is inside.
    CLocationInfoDlg dlg;
    EXPECT_EQ(dlg.height(), dlu::ToPixelsY(158));
    EXPECT_GE(dlg.width(), 233 + 7);
    for (const auto& item : items)
        EXPECT_TRUE(dlg.rect().contains(item.rect)) << item.text.toStdString();
    const QImage shot = Render(dlg);
    for (int top : {20, 60, 100}) {
        EXPECT_TRUE(IsBarBlue(shot.pixel(7, top))) << top;
        EXPECT_TRUE(IsBarBlue(shot.pixel(232, top + 1))) << top;
        EXPECT_FALSE(IsBarBlue(shot.pixel(233, top))) << top;
        EXPECT_FALSE(IsBarBlue(shot.pixel(150, top + 2))) << top;
        EXPECT_FALSE(IsBarBlue(shot.pixel(6, top))) << top;
    }
    for (int top : {25, 65, 145}) EXPECT_TRUE(HasInk(shot, QRect(7, top, 70, 14))) << top;
    EXPECT_FALSE(HasInk(shot, QRect(7, 40, 200, 4)));
    EXPECT_EQ(shot.pixel(200, 50), qRgb(255, 255, 255));

    // The fourth bar, at 210, lies under the button; painted alone it shows,
    // 226 pixels wide.
    QImage summary(240, 240, QImage::Format_RGB32);
    summary.fill(Qt::white);
    {
        QPainter p(&summary);
        CLocationInfoDlg::PaintSummary(p, g_pSite);
    }
    EXPECT_TRUE(IsBarBlue(summary.pixel(7, 210)));
    EXPECT_TRUE(IsBarBlue(summary.pixel(232, 211)));
    EXPECT_FALSE(IsBarBlue(summary.pixel(233, 210)));
    EXPECT_FALSE(IsBarBlue(summary.pixel(100, 212)));
}

TEST_F(LocationInfoDlgTest, DeleteButtonRemovesThePointsRunAndEndsWithMinusTwo) {
    AddRecord(10, 10, "TEST", "AAAAAAAAAAAA", "other", -60);
    AddRecord(120, 80, "TEST", "111111111111", "a", -70);
    AddRecord(120, 80, "TEST", "222222222222", "b", -55);
    AddRecord(500, 80, "TEST", "333333333333", "c", -50);
    ASSERT_EQ(m_site.SelectNearestPoint(120, 80), 1);
    m_site.m_locationCount = 4;
    m_site.m_apCount = 7;

    CLocationInfoDlg dlg;
    const auto buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "DELETE THIS POINT");
    EXPECT_EQ(buttons[0]->geometry(), dlu::ToPixels(7, 137, 132, 14));
    EXPECT_EQ(RunModal(dlg, [&] { buttons[0]->click(); }), -2);

    ASSERT_EQ(surveyList.Count(), 2);
    for (ApRecord* r = surveyList.First(); r != nullptr; surveyList.GetNext(r))
        EXPECT_NE(r->x, 120);
    // The counters of the status panes keep their values.
    EXPECT_EQ(m_site.m_locationCount, 4);
    EXPECT_EQ(m_site.m_apCount, 7);
}

TEST_F(LocationInfoDlgTest, ClosingThroughTheWindowIsNotADeletion) {
    AddRecord(120, 80, "TEST", "111111111111", "a", -70);
    ASSERT_EQ(m_site.SelectNearestPoint(120, 80), 1);
    CLocationInfoDlg dlg;
    EXPECT_EQ(RunModal(dlg, [&] { dlg.close(); }), QDialog::Rejected);
    EXPECT_EQ(surveyList.Count(), 1);
}

TEST_F(LocationInfoDlgTest, WithoutASiteRecordOnlyTheCaptionsShowAndNothingIsDeleted) {
    g_pSite = nullptr;
    EXPECT_EQ(Texts(), QStringList({"LOCATION INFORMATION", "INFORMATION", "STRONGEST AP"}));
    CLocationInfoDlg dlg;
    Render(dlg);  // paints without a site record
    EXPECT_NE(RunModal(dlg, [&] { dlg.OnDeletePoint(); }), -2);
}

}  // namespace
