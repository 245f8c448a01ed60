#include <gtest/gtest.h>

#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "DialogTestSupport.h"
#include "dialogs/SignOffDlg.h"

namespace {

constexpr uint32_t kInk = CSignOffDlg::kInk;
constexpr uint32_t kNoInk = CSignOffDlg::kNoInk;

// The grid as Save reads it: y 99 down to 0, x 0 up to 199.
std::vector<uint32_t> ReadGrid(const CSignOffDlg& dlg) {
    std::vector<uint32_t> words;
    for (int y = 99; y >= 0; --y)
        for (int x = 0; x < 200; ++x) words.push_back(dlg.GetSignaturePixel(x, y));
    return words;
}

int InkCount(const CSignOffDlg& dlg) {
    const std::vector<uint32_t> grid = ReadGrid(dlg);
    return static_cast<int>(std::count(grid.begin(), grid.end(), kInk));
}

QPushButton* Button(QDialog& dlg, const char* text) {
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

// Pad client (canvas) coordinates to pad widget coordinates.
QPoint OnPad(const CSignaturePad& pad, int x, int y) {
    return pad.contentsRect().topLeft() + QPoint(x, y);
}

TEST(SignOffDlg, CanvasIsTheBlankClientAreaOnlyPureBlackIsInkAndTheGridBeyondItIsWhite) {
    CSignOffDlg dlg;
    // The client area is inside the sunken frame, and the canvas matches it.
    const QRect client = dlg.m_pad.contentsRect();
    EXPECT_LT(client.width(), dlg.m_pad.width());
    QImage& canvas = dlg.m_pad.Canvas();
    EXPECT_EQ(canvas.size(), client.size());
    EXPECT_EQ(InkCount(dlg), 0);

    const QRgb shades[] = {qRgb(0, 0, 1), qRgb(1, 0, 0), qRgb(0, 1, 0), qRgb(0, 0, 0)};
    for (int k = 0; k < 4; ++k) {
        canvas.setPixel(20 + k, 20, shades[k]);
        EXPECT_EQ(dlg.GetSignaturePixel(20 + k, 20), k == 3 ? kInk : kNoInk) << k;
    }

    // The pad from 125 x 46 dialog units is smaller than the 200 x 100 grid.
    // Ink along the canvas's last column and row; the grid beyond is white.
    const int w = canvas.width(), h = canvas.height();
    ASSERT_LT(w, 200);
    ASSERT_LT(h, 100);
    dlg.m_pad.OnLButtonDown(QPoint(w - 1, 0));
    dlg.m_pad.OnMouseMove(QPoint(w - 1, h - 1));
    dlg.m_pad.OnMouseMove(QPoint(0, h - 1));
    EXPECT_EQ(dlg.GetSignaturePixel(w - 1, h / 2), kInk);
    EXPECT_EQ(dlg.GetSignaturePixel(w / 2, h - 1), kInk);
    for (int x = w; x < 200; ++x) EXPECT_EQ(dlg.GetSignaturePixel(x, h / 2), kNoInk) << x;
    for (int y = h; y < 100; ++y) EXPECT_EQ(dlg.GetSignaturePixel(w / 2, y), kNoInk) << y;
    EXPECT_EQ(dlg.GetSignaturePixel(-1, 5), kNoInk);
    EXPECT_EQ(dlg.GetSignaturePixel(5, -1), kNoInk);
    EXPECT_EQ(dlg.m_pad.GetPixel(w, 0), CSignaturePad::kInvalidColor);
}

TEST(SignOffDlg, StylusStrokesAreInkAndMovesWithoutTheButtonDrawNothing) {
    CSignOffDlg dlg;
    CSignaturePad& pad = dlg.m_pad;
    // Qt drops button-less moves of a widget without tracking; with tracking
    // on they arrive, and the pad must still ignore them.
    pad.setMouseTracking(true);
    SendPress(pad, OnPad(pad, 10, 10));
    SendMove(pad, OnPad(pad, 50, 10), true);
    SendMove(pad, OnPad(pad, 50, 40), true);
    SendRelease(pad, OnPad(pad, 50, 40));
    // A mouse moving with the button up: no ink between (50, 40) and (90, 20).
    SendMove(pad, OnPad(pad, 90, 20), false);

    for (int x = 10; x <= 50; ++x) EXPECT_EQ(dlg.GetSignaturePixel(x, 10), kInk) << x;
    for (int y = 10; y <= 40; ++y) EXPECT_EQ(dlg.GetSignaturePixel(50, y), kInk) << y;
    for (const QPoint& p : {QPoint(70, 30), QPoint(90, 20), QPoint(30, 25)})
        EXPECT_EQ(dlg.GetSignaturePixel(p.x(), p.y()), kNoInk) << p.x() << "," << p.y();

    // The next press starts a new stroke where it lands.
    SendPress(pad, OnPad(pad, 90, 20));
    EXPECT_EQ(dlg.GetSignaturePixel(90, 20), kInk);
    EXPECT_EQ(dlg.GetSignaturePixel(70, 30), kNoInk);

    // What is inked is also what the pad shows.
    const QImage shown = Render(pad);
    EXPECT_EQ(shown.pixel(OnPad(pad, 30, 10)), qRgb(0, 0, 0));
    EXPECT_NE(shown.pixel(OnPad(pad, 70, 30)), qRgb(0, 0, 0));
}

TEST(SignOffDlg, ATapMarksADotInkOnTheOuterRingIsStoredButNotShownAndClearLeavesOnlyNewInk) {
    CSignOffDlg dlg;
    CSignaturePad& pad = dlg.m_pad;
    pad.OnLButtonDown(QPoint(100, 30));
    EXPECT_EQ(dlg.GetSignaturePixel(100, 30), kInk);
    const int dot = InkCount(dlg);
    EXPECT_TRUE(dot >= 1 && dot <= 4) << dot;  // a dot of the 2-pixel pen

    pad.OnLButtonDown(QPoint(0, 2));  // the 2-pixel dot covers column 0 only at x -1 .. 0
    EXPECT_EQ(dlg.GetSignaturePixel(0, 2), kInk);
    EXPECT_NE(Render(pad).pixel(OnPad(pad, 0, 2)), qRgb(0, 0, 0));
    EXPECT_EQ(pad.GetPixel(0, pad.Canvas().height() - 1), 0x00FFFFFFu);

    // Clear, then new strokes: only the new ones are kept.
    QPushButton* clear = Button(dlg, "CLEAR SIGNATURE");
    ASSERT_NE(clear, nullptr);
    pad.OnMouseMove(QPoint(60, 40));
    ASSERT_GT(InkCount(dlg), 50);
    clear->click();
    EXPECT_EQ(InkCount(dlg), 0);
    pad.OnLButtonDown(QPoint(100, 50));
    pad.OnMouseMove(QPoint(120, 50));
    EXPECT_EQ(dlg.GetSignaturePixel(30, 22), kNoInk);
    EXPECT_EQ(dlg.GetSignaturePixel(110, 50), kInk);
    const int ink = InkCount(dlg);
    EXPECT_TRUE(ink > 20 && ink < 60) << ink;
}

TEST(SignOffDlg, GridStaysReadableAfterTheDialogHasEndedAndItsWindowIsGone) {
    CSignOffDlg dlg;
    std::vector<uint32_t> before;
    const int saved = RunModal(dlg, [&] {
        SendPress(dlg.m_pad, OnPad(dlg.m_pad, 20, 20));
        SendMove(dlg.m_pad, OnPad(dlg.m_pad, 80, 30), true);
        before = ReadGrid(dlg);
        Button(dlg, "SAVE SITE SURVEY")->click();
    });
    EXPECT_EQ(saved, QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
    if (dlg.windowHandle()) dlg.windowHandle()->destroy();
    EXPECT_EQ(ReadGrid(dlg), before);
    EXPECT_EQ(dlg.GetSignaturePixel(50, 25), kInk);

    // Ending through the window's close control keeps the signature too.
    CSignOffDlg closed;
    const int result = RunModal(closed, [&] {
        closed.m_pad.OnLButtonDown(QPoint(40, 40));
        closed.close();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(closed.GetSignaturePixel(40, 40), kInk);
}

}  // namespace
