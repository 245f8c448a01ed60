#include <gtest/gtest.h>

#include <QPushButton>
#include <QWindow>
#include <vector>

#include "DialogTestSupport.h"
#include "dialogs/SignOffDlg.h"
#include "platform/DialogUnits.h"

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
    int n = 0;
    for (uint32_t w : ReadGrid(dlg)) {
        EXPECT_TRUE(w == kInk || w == kNoInk);
        n += w == kInk;
    }
    return n;
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

TEST(SignOffDlg, LayoutAndABlankCanvasOfThePadsClientSize) {
    CSignOffDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Sign Off On Survey");
    EXPECT_EQ(dlg.size(), dlu::ToPixels(139, 111));
    EXPECT_EQ(dlg.m_pad.geometry(), dlu::ToPixels(7, 7, 125, 46));
    for (const auto& [text, top] : {std::pair{"CLEAR SIGNATURE", 69}, {"SAVE SITE SURVEY", 90}}) {
        ASSERT_NE(Button(dlg, text), nullptr) << text;
        EXPECT_EQ(Button(dlg, text)->geometry(), dlu::ToPixels(7, top, 125, 14)) << text;
    }
    // The client area is inside the sunken frame, and the canvas matches it.
    const QRect client = dlg.m_pad.contentsRect();
    EXPECT_LT(client.width(), dlg.m_pad.width());
    EXPECT_EQ(dlg.m_pad.Canvas().size(), client.size());
    EXPECT_EQ(InkCount(dlg), 0);
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
    EXPECT_EQ(dlg.GetSignaturePixel(70, 30), kNoInk);
    EXPECT_EQ(dlg.GetSignaturePixel(90, 20), kNoInk);
    EXPECT_EQ(dlg.GetSignaturePixel(30, 25), kNoInk);

    // The next press starts a new stroke where it lands.
    SendPress(pad, OnPad(pad, 90, 20));
    EXPECT_EQ(dlg.GetSignaturePixel(90, 20), kInk);
    EXPECT_EQ(dlg.GetSignaturePixel(70, 30), kNoInk);

    // What is inked is also what the pad shows.
    const QImage shown = Render(pad);
    const QPoint origin = pad.contentsRect().topLeft();
    EXPECT_EQ(shown.pixel(origin + QPoint(30, 10)), qRgb(0, 0, 0));
    EXPECT_NE(shown.pixel(origin + QPoint(70, 30)), qRgb(0, 0, 0));
}

TEST(SignOffDlg, OnlyPureBlackIsInkAndPointsBeyondTheCanvasAreWhite) {
    CSignOffDlg dlg;
    QImage& canvas = dlg.m_pad.Canvas();
    const QSize size = canvas.size();
    // The pad from 125 x 46 dialog units is smaller than the 200 x 100 grid.
    ASSERT_LT(size.width(), 200);
    ASSERT_LT(size.height(), 100);

    const QRgb shades[] = {qRgb(0, 0, 1), qRgb(1, 0, 0), qRgb(0, 1, 0), qRgb(0, 0, 0)};
    for (int k = 0; k < 4; ++k) {
        canvas.setPixel(20 + k, 20, shades[k]);
        EXPECT_EQ(dlg.GetSignaturePixel(20 + k, 20), k == 3 ? kInk : kNoInk) << k;
    }

    // Ink along the canvas's last column and row; the grid beyond is white.
    const int w = size.width();
    const int h = size.height();
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

TEST(SignOffDlg, ATapMarksADotAndInkOnTheOuterRingIsStoredButNotShown) {
    CSignOffDlg dlg;
    CSignaturePad& pad = dlg.m_pad;
    pad.OnLButtonDown(QPoint(100, 30));
    EXPECT_EQ(dlg.GetSignaturePixel(100, 30), kInk);
    EXPECT_GE(InkCount(dlg), 1);
    EXPECT_LE(InkCount(dlg), 4);  // a dot of the 2-pixel pen

    const int h = pad.Canvas().height();
    pad.OnLButtonDown(QPoint(0, 2));  // the 2-pixel dot covers column 0 only at x -1 .. 0
    EXPECT_EQ(dlg.GetSignaturePixel(0, 2), kInk);
    const QImage shown = Render(pad);
    EXPECT_NE(shown.pixel(pad.contentsRect().topLeft() + QPoint(0, 2)), qRgb(0, 0, 0));
    EXPECT_EQ(pad.GetPixel(0, h - 1), 0x00FFFFFFu);
}

TEST(SignOffDlg, ClearThenNewStrokesKeepsOnlyTheNewOnes) {
    CSignOffDlg dlg;
    QPushButton* clear = Button(dlg, "CLEAR SIGNATURE");
    ASSERT_NE(clear, nullptr);
    dlg.m_pad.OnLButtonDown(QPoint(5, 5));
    dlg.m_pad.OnMouseMove(QPoint(60, 40));
    ASSERT_GT(InkCount(dlg), 50);
    clear->click();
    EXPECT_EQ(InkCount(dlg), 0);
    dlg.m_pad.OnLButtonDown(QPoint(100, 50));
    dlg.m_pad.OnMouseMove(QPoint(120, 50));
    EXPECT_EQ(dlg.GetSignaturePixel(30, 22), kNoInk);
    EXPECT_EQ(dlg.GetSignaturePixel(110, 50), kInk);
    EXPECT_GT(InkCount(dlg), 20);
    EXPECT_LT(InkCount(dlg), 60);
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
