// The three screens at their pixel positions.

#include <QPainter>
#include <cstring>

#include "AppFakes.h"
#include "aplist/ApList.h"
#include "board/ScannerBoard.h"
#include "platform/Gdi.h"
#include "screens/ScreenArt.h"
#include "screens/Screens.h"

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kDarkGreen = 0x008000;

bool AnyPixel(const QImage& img, const QRect& r, uint32_t colour) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Px(img, x, y) == colour) return true;
    return false;
}

bool AllPixels(const QImage& img, const QRect& r, uint32_t colour) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Px(img, x, y) != colour) return false;
    return true;
}

QImage ScanScreen(int channel, const CApList& list, int height = 268) {
    QImage img(240, height, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    screens::PaintScanScreen(p, img.rect(), nullptr, channel, list);
    return img;
}

ApRecord* AddRecord(CApList& list, int channel, const char* mac, const char* ssid, int64_t sum,
                    int32_t count) {
    ApRecord* r = nullptr;
    list.NewRecord(r);
    r->channel = static_cast<uint8_t>(channel);
    std::strncpy(r->macText, mac, sizeof r->macText - 1);
    std::strncpy(r->ssid, ssid, sizeof r->ssid - 1);
    r->rssi = sum;
    r->readingCount = count;
    list.AddTail(r);
    return r;
}

// The top-left corner of channel n's cell, inside the cell's fill.
QPoint CellCorner(int n) {
    const int c = (n - 1) % 7;
    const int r = n <= 7 ? 0 : 1;
    return QPoint(51 + 25 * c, 25 * r + 2);
}

}  // namespace

TEST_F(AppTest, ScanScreenShowsCaptionsGridAndBlackBackground) {
    CApList empty;
    const QImage img = ScanScreen(0, empty);
    // Captions in white on black, each within its rectangle.
    EXPECT_TRUE(AnyPixel(img, gdi::Rect(0, 50, 15, 65), kWhite));
    EXPECT_TRUE(AnyPixel(img, gdi::Rect(20, 50, 100, 65), kWhite));
    EXPECT_TRUE(AnyPixel(img, gdi::Rect(110, 50, 180, 65), kWhite));
    EXPECT_TRUE(AnyPixel(img, gdi::Rect(190, 50, 220, 65), kWhite));
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
    // Every channel label is drawn in green.
    for (int n = 1; n <= 14; ++n) {
        const QPoint c = CellCorner(n);
        EXPECT_TRUE(AnyPixel(img, QRect(c.x(), c.y() + 3, 23, 15), kGreen)) << n;
    }
}

TEST_F(AppTest, ScanScreenHighlightsOnlyTheScannedChannel) {
    CApList empty;
    for (int scanned : {1, 7, 8, 14, 0, 15}) {
        const QImage img = ScanScreen(scanned, empty);
        for (int n = 1; n <= 14; ++n) {
            const QPoint c = CellCorner(n);
            const bool lit = n == scanned;
            EXPECT_EQ(Px(img, c.x(), c.y()), lit ? kDarkGreen : kBlack)
                << "scanned " << scanned << " cell " << n;
            // The label of the lit cell is white on green.
            const QRect label(c.x(), c.y() + 3, 23, 15);
            EXPECT_EQ(AnyPixel(img, label, kWhite), lit) << scanned << " " << n;
        }
    }
}

TEST_F(AppTest, ScanScreenTableHasNineRowsOnA268HighView) {
    CApList list;
    for (int i = 0; i < 12; ++i) AddRecord(list, 6, "001122334455", "lab", -50, 1);
    const QImage img = ScanScreen(0, list);
    for (int k = 0; k < 9; ++k) {
        const int t = 70 + 20 * k;
        EXPECT_TRUE(AnyPixel(img, gdi::Rect(0, t, 15, t + 15), kGreen)) << k;
        EXPECT_TRUE(AnyPixel(img, gdi::Rect(20, t, 100, t + 15), kGreen)) << k;
        EXPECT_TRUE(AnyPixel(img, gdi::Rect(110, t, 180, t + 15), kGreen)) << k;
        EXPECT_TRUE(AnyPixel(img, gdi::Rect(190, t, 220, t + 15), kGreen)) << k;
    }
    EXPECT_TRUE(AllPixels(img, gdi::Rect(0, 250, 240, 268), kBlack));

    // Row 0 is drawn even on a view too short for it.
    CApList one;
    AddRecord(one, 6, "001122334455", "lab", -50, 1);
    const QImage low = ScanScreen(0, one, 80);
    EXPECT_TRUE(AnyPixel(low, gdi::Rect(0, 70, 15, 80), kGreen));
}

TEST_F(AppTest, ScanScreenShowsTheAverageRssiTruncatedTowardZero) {
    const auto rssiColumn = [](int64_t sum, int32_t count) {
        CApList list;
        AddRecord(list, 6, "001122334455", "lab", sum, count);
        return ScanScreen(0, list).copy(gdi::Rect(190, 70, 220, 85));
    };
    EXPECT_EQ(rssiColumn(-121, 2), rssiColumn(-60, 1));
    EXPECT_NE(rssiColumn(-121, 2), rssiColumn(-61, 1));
    EXPECT_EQ(rssiColumn(-187, 3), rssiColumn(-62, 1));
}

TEST_F(AppTest, ScanScreenShowsUtf8AndLatin1SsidsAlike) {
    const auto ssidColumn = [](const char* ssid) {
        CApList list;
        AddRecord(list, 6, "001122334455", ssid, -50, 1);
        return ScanScreen(0, list).copy(gdi::Rect(110, 70, 180, 85));
    };
    EXPECT_EQ(ssidColumn("caf\xC3\xA9"), ssidColumn("caf\xE9"));  // "café" both ways
    EXPECT_NE(ssidColumn("caf\xC3\xA9"), ssidColumn("cafe"));
}

TEST_F(AppTest, RadarFramesRunFrom140Through139) {
    auto view = MakeView();
    ScreenArt art;
    const QRgb colours[4] = {qRgb(10, 0, 0), qRgb(20, 0, 0), qRgb(30, 0, 0), qRgb(40, 0, 0)};
    for (int i = 0; i < 4; ++i) {
        art.radar[i] = QImage(104, 104, QImage::Format_RGB32);
        art.radar[i].fill(colours[i]);
    }
    view->SetArt(art);
    view->m_displayMode = 2;
    std::vector<int> shown;
    for (int paint = 0; paint < 8; ++paint) {
        const QImage img = view->Render();
        const QRgb c = img.pixel(25, 25) & 0xFFFFFF;
        int id = 0;
        for (int i = 0; i < 4; ++i)
            if (c == (colours[i] & 0xFFFFFF)) id = 139 + i;
        shown.push_back(id);
        EXPECT_EQ(Px(img, 49, 49), colours[id - 139] & 0xFFFFFF);  // stretched to 50 x 50
        EXPECT_NE(Px(img, 50, 49), colours[id - 139] & 0xFFFFFF);
    }
    EXPECT_EQ(shown, (std::vector<int>{140, 141, 142, 139, 140, 141, 142, 139}));

    // A missing radar picture is skipped; the rest of the screen is painted.
    view->SetArt(ScreenArt());
    const QImage bare = view->Render();
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
    EXPECT_TRUE(AnyPixel(img, gdi::Rect(5, 183, 115, 198), kBlack));
    EXPECT_TRUE(AnyPixel(img, gdi::Rect(5, 183, 115, 198), kWhite));
    EXPECT_TRUE(AnyPixel(img, gdi::Rect(125, 183, 235, 198), kBlack));
    EXPECT_TRUE(AllPixels(img, gdi::Rect(116, 183, 124, 198), 0x0000C8u));
    // Centred: the text leaves splash at both ends of its rectangle.
    EXPECT_EQ(Px(img, 5, 190), 0x0000C8u);
    EXPECT_EQ(Px(img, 114, 190), 0x0000C8u);
}

TEST_F(AppTest, DisplayModeThreePaintsNothing) {
    auto view = MakeView();
    view->m_displayMode = 3;
    QImage img(240, 268, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    QPainter p(&img);
    view->OnDraw(p, img.rect());
    p.end();
    EXPECT_TRUE(AllPixels(img, img.rect(), 0x010203));
}
