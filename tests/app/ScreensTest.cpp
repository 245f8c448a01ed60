// The three screens at their pixel positions.

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AppFakes.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "platform/Gdi.h"
#include "screens/ScreenArt.h"
#include "screens/Screens.h"
#include "screens/ViewScreen.h"

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kDarkGreen = 0x008000;
// Left and right edges of the table's columns: channel, MAC, SSID, RSSI.
constexpr int kColumns[4][2] = {{0, 15}, {20, 100}, {110, 180}, {190, 220}};

// How many pixels of `r` have `colour`.
int Count(const QImage& img, const QRect& r, uint32_t colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += Px(img, x, y) == colour;
    return n;
}
bool AnyPixel(const QImage& img, const QRect& r, uint32_t c) { return Count(img, r, c) > 0; }
bool AllPixels(const QImage& img, const QRect& r, uint32_t c) {
    return Count(img, r, c) == r.width() * r.height();
}

QImage ScanScreen(int channel, const CApList& list, int height = 268) {
    QImage img(240, height, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    screens::PaintScanScreen(p, img.rect(), nullptr, ChannelCellBit(channel), list);
    return img;
}

// A channel-6 record for MAC 001122334455 with the given reading sum and count.
void AddRecord(CApList& list, const char* ssid = "lab", int64_t sum = -50, int32_t count = 1) {
    ApRecord* r = nullptr;
    if (list.NewRecord(r) != CApList::kOk) std::abort();  // out of memory
    r->channel = 6;
    std::strncpy(r->macText, "001122334455", sizeof r->macText - 1);
    std::strncpy(r->ssid, ssid, sizeof r->ssid - 1);
    r->rssi = sum;
    r->readingCount = count;
    list.AddTail(r);
}

// Column `c` of the first table row for one record.
QImage FirstRowColumn(int c, const char* ssid, int64_t sum = -50, int32_t count = 1) {
    CApList list;
    AddRecord(list, ssid, sum, count);
    return ScanScreen(0, list).copy(gdi::Rect(kColumns[c][0], 70, kColumns[c][1], 85));
}

// The top-left corner of channel n's cell, inside the cell's fill.
QPoint CellCorner(int n) { return QPoint(51 + 25 * ((n - 1) % 7), n <= 7 ? 2 : 27); }
QRect CellLabel(int n) { return QRect(CellCorner(n) + QPoint(0, 3), QSize(23, 15)); }

}  // namespace

TEST_F(AppTest, ScanScreenShowsCaptionsGridAndBlackBackground) {
    const QImage img = ScanScreen(0, CApList());
    // Captions in white on black, each within its column.
    for (const auto& col : kColumns)
        EXPECT_TRUE(AnyPixel(img, gdi::Rect(col[0], 50, col[1], 65), kWhite)) << col[0];
    EXPECT_TRUE(AllPixels(img, gdi::Rect(100, 50, 110, 65), kBlack));
    EXPECT_TRUE(AllPixels(img, gdi::Rect(220, 50, 240, 65), kBlack));
    // The five frames, one pixel just inside each rectangle.
    for (QPoint p : {QPoint(50, 0), QPoint(224, 0), QPoint(50, 23), QPoint(224, 23), QPoint(50, 25),
                     QPoint(224, 48), QPoint(75, 10), QPoint(199, 10), QPoint(100, 30),
                     QPoint(174, 30), QPoint(125, 40), QPoint(149, 40)}) {
        EXPECT_EQ(Px(img, p.x(), p.y()), kDarkGreen) << p.x() << "," << p.y();
    }
    EXPECT_EQ(Px(img, 225, 10), kBlack);  // right and bottom edges excluded
    EXPECT_EQ(Px(img, 60, 24), kBlack);
    // No rows without records, and nothing but black below the captions.
    EXPECT_TRUE(AllPixels(img, gdi::Rect(0, 66, 240, 268), kBlack));
}

TEST_F(AppTest, ScanScreenHighlightsOnlyTheScannedChannel) {
    for (int scanned : {1, 7, 8, 14, 0, 15}) {
        const QImage img = ScanScreen(scanned, CApList());
        for (int n = 1; n <= 14; ++n) {
            SCOPED_TRACE(testing::Message() << "scanned " << scanned << " cell " << n);
            const bool lit = n == scanned;
            EXPECT_EQ(Px(img, CellCorner(n).x(), CellCorner(n).y()), lit ? kDarkGreen : kBlack);
            // Every label is drawn: green on black, white on the lit cell.
            EXPECT_EQ(AnyPixel(img, CellLabel(n), kWhite), lit);
            EXPECT_TRUE(lit || AnyPixel(img, CellLabel(n), kGreen));
        }
    }
}

TEST_F(AppTest, ScanScreenTableHasNineRowsOnA268HighView) {
    CApList list;
    for (int i = 0; i < 12; ++i) AddRecord(list);
    const QImage img = ScanScreen(0, list);
    for (int k = 0; k < 9; ++k) {
        const int t = 70 + 20 * k;
        for (const auto& col : kColumns)
            EXPECT_TRUE(AnyPixel(img, gdi::Rect(col[0], t, col[1], t + 15), kGreen))
                << "row " << k << " column " << col[0];
    }
    EXPECT_TRUE(AllPixels(img, gdi::Rect(0, 250, 240, 268), kBlack));

    // Row 0 is drawn even on a view too short for it.
    CApList one;
    AddRecord(one);
    EXPECT_TRUE(AnyPixel(ScanScreen(0, one, 80), gdi::Rect(0, 70, 15, 80), kGreen));
}

TEST_F(AppTest, ScanScreenShowsTheAverageRssiTruncatedTowardZeroAndAnySsidEncoding) {
    EXPECT_EQ(FirstRowColumn(3, "lab", -121, 2), FirstRowColumn(3, "lab", -60));
    EXPECT_NE(FirstRowColumn(3, "lab", -121, 2), FirstRowColumn(3, "lab", -61));
    EXPECT_EQ(FirstRowColumn(3, "lab", -187, 3), FirstRowColumn(3, "lab", -62));
    // "café" in UTF-8 and in Latin-1 look alike.
    EXPECT_EQ(FirstRowColumn(2, "caf\xC3\xA9"), FirstRowColumn(2, "caf\xE9"));
    EXPECT_NE(FirstRowColumn(2, "caf\xC3\xA9"), FirstRowColumn(2, "cafe"));
}

TEST(ScanScreen, RadarFramesRunFrom140Through139AndAMissingOneIsSkipped) {
    ScreenArt art;
    for (int i = 0; i < 4; ++i) {
        art.radar[i] = QImage(104, 104, QImage::Format_RGB32);
        art.radar[i].fill(qRgb(10 * (i + 1), 0, 0));  // frame 139 + i
    }
    CRadarAnimation radar;
    ScreenContent content;
    content.mode = DisplayMode::kScanScreen;
    const auto paint = [&content] {
        QImage img(240, 268, QImage::Format_RGB32);
        QPainter p(&img);
        screens::PaintScreen(p, img.rect(), content);
        return img;
    };
    std::vector<int> shown;
    content.art = &art;
    for (int i = 0; i < 8; ++i) {
        content.radarBitmap = radar.Advance();
        const QImage img = paint();
        const uint32_t c = Px(img, 25, 25);
        shown.push_back(139 + int(c >> 16) / 10 - 1);
        EXPECT_EQ(Px(img, 49, 49), c);  // stretched to 50 x 50
        EXPECT_NE(Px(img, 50, 49), c);
    }
    EXPECT_EQ(shown, (std::vector<int>{140, 141, 142, 139, 140, 141, 142, 139}));

    // A missing radar picture is skipped; the rest of the screen is painted.
    const ScreenArt none;
    content.art = &none;
    const QImage bare = paint();
    EXPECT_EQ(Px(bare, 25, 25), kBlack);
    EXPECT_EQ(Px(bare, 50, 0), kDarkGreen);
}

TEST_F(AppTest, StartupScreenShowsFirmwareAndSerialCentred) {
    auto view = MakeView();
    ScreenArt art;
    art.splash = QImage(240, 290, QImage::Format_RGB32);
    art.splash.fill(qRgb(0, 0, 200));
    view->SetArt(art);
    const QImage img = view->Render();
    // The splash covers the client area; the texts sit on white.
    EXPECT_EQ(Px(img, 2, 2), 0x0000C8u);
    EXPECT_EQ(Px(img, 239, 267), 0x0000C8u);
    for (QRect text : {gdi::Rect(5, 183, 115, 198), gdi::Rect(125, 183, 235, 198)}) {
        EXPECT_TRUE(AnyPixel(img, text, kBlack));
        EXPECT_TRUE(AnyPixel(img, text, kWhite));
    }
    EXPECT_TRUE(AllPixels(img, gdi::Rect(116, 183, 124, 198), 0x0000C8u));
    // Centred: the text leaves splash at both ends of its rectangle.
    EXPECT_EQ(Px(img, 5, 190), 0x0000C8u);
    EXPECT_EQ(Px(img, 114, 190), 0x0000C8u);
}

TEST(ScreenText, LettersAdvanceByWholePixelsAtScaleOne) {
    // Unsmoothed letters at fractional advances land unevenly ("M AC Addr").
    for (int points : {8, 10}) {
        const QFontMetricsF fm(gdi::PointFont(points));
        for (QChar c : QStringLiteral("MAC Addr RSSI (Firmware 0.0.0) warehouse -25536")) {
            const qreal advance = fm.horizontalAdvance(c);
            EXPECT_EQ(advance, std::round(advance)) << points << " pt '" << c.toLatin1() << "'";
        }
    }
}
