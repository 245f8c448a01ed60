#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPushButton>

#include "DialogTestSupport.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "dialogs/LocationInfoDlg.h"
#include "platform/Gdi.h"
#include "site/SiteRecord.h"
#include "throughput/ThroughputSummary.h"

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

    static QStringList Texts() {
        QStringList texts;
        for (const auto& t : CLocationInfoDlg::SummaryTexts(g_pSite)) texts << t.text;
        return texts;
    }

    CSiteRecord m_site;
    CSiteRecord* m_saved = nullptr;
};

bool IsBarBlue(QRgb c) { return c == qRgb(0, 0, 255); }

bool HasInk(const QImage& image, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) return true;
    return false;
}

// The placeholder of a point where nothing was heard shows as its one record.
TEST_F(LocationInfoDlgTest, StrongestOfThreeRecordsIsTheFirstOfTheEqualBestAndPaintsInPlace) {
    AddEntry(surveyList, 120, 80, 0, 0, "FILL", "FILL", 0);
    AddEntry(surveyList, 40, 200, 6, -70, "weak", "TEST", 1);
    AddEntry(surveyList, 40, 200, 6, -55, "first-best", "TEST", 2);
    AddEntry(surveyList, 40, 200, 6, -55, "second-best", "TEST", 3);
    AddEntry(surveyList, 300, 300, 6, -30, "elsewhere", "TEST", 4);
    ASSERT_EQ(m_site.SelectNearestPoint(121, 79), 1);
    EXPECT_EQ(Texts(), QStringList({"LOCATION INFORMATION", "X: 120.00", "Y: 80.00", "INFORMATION",
                                    "AP's: 1", "STRONGEST AP", "MAC Address: 001122334400",
                                    "SSID: FILL", "RSSI: 0"}));
    ASSERT_EQ(m_site.SelectNearestPoint(40, 200), 1);
    EXPECT_EQ(Texts(), QStringList({"LOCATION INFORMATION", "X: 40.00", "Y: 200.00", "INFORMATION",
                                    "AP's: 3", "STRONGEST AP", "MAC Address: 001122334402",
                                    "SSID: first-best", "RSSI: -55"}));

    // The painted dialog: the blue bars at 20, 60 and 100 (two rows each),
    // whole, with the same margin on the right as on the left; text in the
    // value rectangles, white between them. Every text rectangle is inside.
    CLocationInfoDlg dlg;
    for (const auto& item : CLocationInfoDlg::SummaryTexts(g_pSite))
        EXPECT_TRUE(dlg.rect().contains(item.rect)) << item.text.toStdString();
    const QImage shot = Render(dlg);
    for (int top : {20, 60, 100}) {
        EXPECT_TRUE(IsBarBlue(shot.pixel(7, top)) && IsBarBlue(shot.pixel(232, top + 1))) << top;
        EXPECT_FALSE(IsBarBlue(shot.pixel(233, top)) || IsBarBlue(shot.pixel(150, top + 2)) ||
                     IsBarBlue(shot.pixel(6, top)))
            << top;
    }
    for (int top : {25, 65, 145}) EXPECT_TRUE(HasInk(shot, QRect(7, top, 70, 14))) << top;
    EXPECT_FALSE(HasInk(shot, QRect(7, 40, 200, 4)));
    EXPECT_EQ(shot.pixel(200, 50), qRgb(255, 255, 255));

    // The fourth bar, at 210, lies under the button; painted alone it shows.
    QImage summary(240, 240, QImage::Format_RGB32);
    summary.fill(Qt::white);
    {
        QPainter p(&summary);
        CLocationInfoDlg::PaintSummary(p, g_pSite);
    }
    EXPECT_TRUE(IsBarBlue(summary.pixel(7, 210)) && IsBarBlue(summary.pixel(232, 211)));
    EXPECT_FALSE(IsBarBlue(summary.pixel(233, 210)) || IsBarBlue(summary.pixel(100, 212)));
}

// The dialog only answers; the survey document deletes.
TEST_F(LocationInfoDlgTest, DeleteButtonAnswersKDeletedAndClosingDoesNotAndNeitherEditsTheSurvey) {
    AddEntry(surveyList, 120, 80, 6, -70);
    ASSERT_EQ(m_site.SelectNearestPoint(120, 80), 1);
    CLocationInfoDlg deleting;
    const auto buttons = deleting.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "DELETE THIS POINT");
    EXPECT_EQ(RunModal(deleting, [&] { buttons[0]->click(); }), CLocationInfoDlg::kDeleted);
    CLocationInfoDlg closing;
    EXPECT_EQ(RunModal(closing, [&] { closing.close(); }), QDialog::Rejected);
    EXPECT_EQ(surveyList.Count(), 1);
}

TEST_F(LocationInfoDlgTest, WithoutASiteRecordOnlyTheCaptionsShowAndNothingIsDeleted) {
    g_pSite = nullptr;
    EXPECT_EQ(Texts(), QStringList({"LOCATION INFORMATION", "INFORMATION", "STRONGEST AP"}));
    CLocationInfoDlg dlg;
    Render(dlg);  // paints without a site record
    EXPECT_NE(RunModal(dlg, [&] { dlg.OnDeletePoint(); }), CLocationInfoDlg::kDeleted);
}

}  // namespace

// A point's throughput lines go under the RSSI, wrapped to the bars' width
// and at most three rows, its noise line in a row above them; the dialog
// grows only as far as the rows need and the button stays below them.
TEST_F(LocationInfoDlgTest, ThroughputRowsFitUnderTheRssiAndTheButtonMovesBelowThem) {
    AddEntry(surveyList, 40, 200, 6, -70, "ap", "TEST", 1);
    ASSERT_EQ(m_site.SelectNearestPoint(40, 200), 1);
    const int plain = CLocationInfoDlg().height();
    const std::string longReason =
        "the iperf3 server 192.168.100.200:5201 went away during the test (unable to read "
        "from stream socket: Connection reset by peer) and more words than three rows hold";
    const std::string noise = "Noise -92 dBm on 6:233, SNR 22 dB";
    const struct {
        ThroughputOutcome outcome;
        std::string noise;  // the noise row comes first, above the throughput's
        int rows;
        bool grows;
    } cases[] = {
        {{ThroughputFault::kRefused, "nothing answers", {}}, "", 1, false},
        {{ThroughputFault::kGone, longReason, {}}, "", 3, true},
        {{ThroughputFault::kGone, longReason, {}}, noise, 4, true},
    };
    for (const auto& c : cases) {
        CLocationInfoDlg dlg(nullptr, c.outcome, c.noise);
        const std::vector<std::string> lines = ThroughputSummaryLines(c.outcome);
        const auto texts = CLocationInfoDlg::SummaryTexts(g_pSite, lines, c.noise);
        ASSERT_EQ(texts.size(), 9u + c.rows) << c.rows;
        const QFontMetrics fm(gdi::PointFont(8));
        for (size_t i = 9; i < texts.size(); ++i) {
            EXPECT_TRUE(dlg.rect().contains(texts[i].rect));
            EXPECT_LE(fm.horizontalAdvance(texts[i].text), texts[i].rect.width());
            EXPECT_LT(texts[i].rect.bottom(), dlg.findChild<QPushButton*>()->geometry().top());
        }
        if (!c.noise.empty()) {
            EXPECT_EQ(texts[9].text.toStdString(), c.noise);
        }
        EXPECT_TRUE(texts[c.noise.empty() ? 9 : 10].text.startsWith("throughput not measured: "));
        if (c.rows == 3) {
            EXPECT_TRUE(texts.back().text.endsWith(QChar(0x2026)));
        }
        EXPECT_EQ(dlg.height() > plain, c.grows) << c.rows;
    }
}
