#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <memory>
#include <set>
#include <vector>

#include "DialogTestSupport.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/HelpDlg.h"
#include "dialogs/HelpText.h"
#include "dialogs/LocationInfoDlg.h"
#include "dialogs/ProductAboutDlg.h"
#include "dialogs/RssiColorDlg.h"
#include "dialogs/ScaleDistanceDlg.h"
#include "dialogs/SignOffDlg.h"
#include "platform/DialogScale.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBoxes.h"

namespace {

QLabel* LabelWithText(QWidget& parent, const QString& text) {
    for (QLabel* l : parent.findChildren<QLabel*>())
        if (l->text() == text) return l;
    return nullptr;
}

// One of each of the program's dialogs, made at `scale`; the sign-off second.
std::vector<std::unique_ptr<QDialog>> EveryDialog(int scale = 1) {
    dialogs::SetScale(scale);
    std::vector<std::unique_ptr<QDialog>> all;
    all.push_back(std::make_unique<CLocationInfoDlg>());
    all.push_back(std::make_unique<CSignOffDlg>());
    all.push_back(std::make_unique<CRssiColorDlg>());
    all.push_back(std::make_unique<CHelpDlg>());
    all.push_back(std::make_unique<CProductAboutDlg>());
    dialogs::SetScale(1);
    return all;
}

TEST(DialogUnits, OneFixedConversionAndEveryDialogFitsTheHandheldsWidth) {
    EXPECT_EQ(dlu::ToPixelsX(160), 240);
    EXPECT_EQ(dlu::ToPixels(7, 137, 132, 14), QRect(10, 205, 198, 21));  // truncated toward zero
    for (const auto& d : EveryDialog())
        EXPECT_TRUE(QRect(0, 0, 240, 268).contains(d->rect())) << d->windowTitle().toStdString();
}

// The desktop layout's dialogs: each exactly twice its handheld size, the
// texts in a font twice as large, the signature still the handheld's grid
// (the site file keeps it) under a stylus whose points are halved.
TEST(DialogScale, AtTwoEveryDialogDoublesAndTheSignatureKeepsTheHandheldsGrid) {
    const auto small = EveryDialog(), large = EveryDialog(2);
    for (size_t k = 0; k < small.size(); ++k) {
        EXPECT_EQ(large[k]->size(), small[k]->size() * 2) << k;
        EXPECT_EQ(large[k]->font().pointSize(), 2 * small[k]->font().pointSize()) << k;
    }
    auto& signOff = static_cast<CSignOffDlg&>(*small[1]);
    auto& signOff2 = static_cast<CSignOffDlg&>(*large[1]);
    EXPECT_EQ(signOff2.m_pad.Canvas().size(), signOff.m_pad.Canvas().size());
    const QPointF at = signOff2.m_pad.contentsRect().topLeft() + QPoint(41, 21);
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(&signOff2.m_pad, &press);
    EXPECT_EQ(signOff2.GetSignaturePixel(20, 10), CSignOffDlg::kInk);
    EXPECT_EQ(signOff2.GetSignaturePixel(40, 20), CSignOffDlg::kNoInk);
}

// Qt's dialogs at the same multiple: a question and the distance of "Set
// Scale", their font, icons and buttons' icons twice as large, the question
// still on one line with or without an icon (a short one: the test's screen
// is 800 wide), answered by its button.
TEST(DialogScale, AtTwoTheMessageBoxAndTheDistanceInputDoubleTheirFontAndIcons) {
    struct Seen {
        double points = 0;
        QSize icon, buttonIcon, size;
        int textLines = 0;
    };
    const auto ask = [](int scale, unsigned icon, Seen& seen) {
        platform::SetDialogScale(scale);
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.points = box->font().pointSizeF();
            seen.icon = box->iconPixmap().deviceIndependentSize().toSize();
            seen.buttonIcon = box->button(QMessageBox::No)->iconSize();
            seen.size = box->size();
            const QLabel* text = LabelWithText(*box, box->text());
            seen.textLines = text->height() / QFontMetrics(text->font()).lineSpacing();
            box->button(QMessageBox::No)->click();
        });
        const int answer = platform::QtMessageBoxes().Show(
            nullptr, QStringLiteral("Keep the existing data points?"), QStringLiteral("Pellorin"),
            platform::MB_YESNO | icon);
        platform::SetDialogScale(1);
        EXPECT_EQ(answer, platform::IDNO);
    };
    Seen one, two, plain;
    ask(1, platform::MB_ICONQUESTION, one);
    ask(2, platform::MB_ICONQUESTION, two);
    ask(2, 0, plain);  // the start-up question's kind: no icon
    EXPECT_EQ(plain.textLines, 1);
    EXPECT_EQ(two.points, 2 * one.points);
    EXPECT_EQ(two.icon, 2 * one.icon);
    EXPECT_EQ(two.buttonIcon, 2 * one.buttonIcon);
    EXPECT_EQ(two.textLines, 1);
    EXPECT_GT(two.size.width(), one.size.width() * 3 / 2);
    EXPECT_GT(two.size.height(), one.size.height() * 3 / 2);

    dialogs::SetScale(2);
    double distanceFont = 0;
    QTimer::singleShot(0, [&distanceFont] {
        QWidget* input = QApplication::activeModalWidget();
        ASSERT_NE(input, nullptr);
        distanceFont = input->font().pointSizeF();
        input->close();
    });
    EXPECT_FALSE(AskScaleDistance(nullptr, 120));
    dialogs::SetScale(1);
    EXPECT_EQ(distanceFont, 2 * one.points);
}

TEST(RssiColorDlg, SixSwatchesPaintTheirWholeClientInTheBandColours) {
    CRssiColorDlg dlg;
    const QRgb expected[6] = {qRgb(255, 0, 0), qRgb(255, 128, 0), qRgb(255, 255, 0),
                              qRgb(0, 255, 0), qRgb(0, 0, 255),   qRgb(0, 0, 0)};
    const char* labels[6] = {"greater than -39 dBm", "-40 thru -49 dBm", "-50 thru -59 dBm",
                             "-60 thru -69 dBm",     "-70 thru -79 dBm", "-80 thru -89 dBm"};
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(labels[k]);
        CColorSwatch& swatch = dlg.m_swatches[k];
        const QImage shot = Render(swatch);
        const QRect client = swatch.contentsRect();
        ASSERT_GT(client.width() * client.height(), 40);
        QImage want(client.size(), QImage::Format_RGB32);
        want.fill(expected[k]);
        EXPECT_EQ(shot.copy(client), want);
        // Each label stands on its swatch's row.
        QLabel* label = LabelWithText(dlg, labels[k]);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->y(), swatch.y());
    }
}

TEST(SunkenAreas, SignatureAreaAndSwatchesShowTheirEdgeOnAllFourSides) {
    CSignOffDlg signOff;
    CRssiColorDlg legend;
    std::vector<std::pair<QDialog*, QWidget*>> areas = {{&signOff, &signOff.m_pad}};
    for (CColorSwatch& swatch : legend.m_swatches) areas.push_back({&legend, &swatch});
    for (const auto& [dialog, area] : areas) {
        const QImage shot = Render(*dialog);
        const QRect r = area->geometry();
        SCOPED_TRACE(dialog->windowTitle().toStdString() + " at y " + std::to_string(r.top()));
        ASSERT_EQ(shot.pixel(r.left() - 2, r.top() - 2), qRgb(255, 255, 255));
        const QPoint middle = r.center();
        for (QPoint side : {QPoint(middle.x(), r.top()), QPoint(middle.x(), r.bottom()),
                            QPoint(r.left(), middle.y()), QPoint(r.right(), middle.y())})
            EXPECT_NE(shot.pixel(side), qRgb(255, 255, 255)) << side.x() << "," << side.y();
    }
}

// The guide's 160 lines, then the topic of the commands added since.
TEST(HelpText, TheGuidesLinesWithTheTopicsAndTheEmptyItemsInPlaceThenTheAddedCommands) {
    const auto& lines = HelpLines();
    ASSERT_EQ(lines.size(), 233u);
    auto line = [&](int n) { return std::string(lines[n - 1]); };
    const std::set<int> empty = {2,   15,  26,  28,  33,  37,  47,  64,  73,  77,  80,  83,  85,
                                 93,  95,  101, 103, 106, 108, 117, 119, 128, 130, 139, 142, 145,
                                 147, 156, 161, 163, 168, 179, 187, 197, 204, 210, 216, 228};
    // clang-format off
    const std::pair<int, const char*> titles[] = {
        {1, "Overview"},         {27, "Quick Start"},         {38, "OPEN A SITE FILE"},
        {48, "START SURVEY"},    {65, "COMPLETE SURVEY"},     {78, "Status Bar (Bottom)"},
        {81, "Menu"},            {94, "Zoom Mode"},           {102, "Scroll Bars"},
        {107, "Joystick"},       {118, "Color Codes"},        {129, "Survey Information Screen"},
        {146, "Surveying Tips"}, {160, "before you start."},  {162, "More Commands"},
        {169, "COVERAGE MAP"},   {180, "NETWORKS"},           {188, "SAVE AS"},
        {198, "SET SCALE"},      {205, "NEW SITE FROM FLOOR PLAN"}, {211, "THROUGHPUT"},
        {217, "MAP SHOWS"},      {229, "IPERF3 SERVER"}};
    // clang-format on
    for (const auto& [n, text] : titles) EXPECT_EQ(line(n), text) << n;
    // Body lines are pre-wrapped for the narrow list (the two long ones of the
    // status bar and the menu excepted); a split word is hyphenated and the
    // wrapped lines keep their trailing space.
    bool hyphenated = false;
    int trailing = 0;
    for (int n = 1; n <= 233; ++n) {
        EXPECT_EQ(line(n).empty(), empty.count(n) == 1) << n;
        EXPECT_TRUE(line(n).size() <= 32 || n == 79 || n == 82) << n;
        trailing += !line(n).empty() && line(n).back() == ' ';
        hyphenated |= line(n).ends_with("informa-") && line(n + 1).starts_with("tion");
    }
    EXPECT_TRUE(hyphenated);
    EXPECT_GT(trailing, 60);
}

TEST(HelpDlg, ListHoldsTheItemsAsStoredAndFillingAgainDoesNotDouble) {
    CHelpDlg dlg;
    const auto expectAsStored = [](const CHelpDlg& d) {
        ASSERT_EQ(d.m_list.count(), static_cast<int>(HelpLines().size()));
        for (int n = 0; n < d.m_list.count(); ++n)
            EXPECT_EQ(d.m_list.item(n)->text().toStdString(), HelpLines()[n]) << n;
    };
    expectAsStored(dlg);
    // Opened twice (the same object run twice, or a second object).
    EXPECT_EQ(RunModal(dlg, [&] { dlg.close(); }), QDialog::Rejected);
    EXPECT_EQ(RunModal(dlg, [&] { dlg.close(); }), QDialog::Rejected);
    dlg.FillList();
    expectAsStored(dlg);
    expectAsStored(CHelpDlg());

    // Long lines are cut at the list's edge, not elided: no horizontal scrolling.
    EXPECT_EQ(dlg.m_list.textElideMode(), Qt::ElideNone);
    dlg.show();
    EXPECT_EQ(dlg.m_list.horizontalScrollBar()->maximum(), 0);
    EXPECT_FALSE(dlg.m_list.horizontalScrollBar()->isEnabled());
    dlg.hide();
}

// At the desktop's multiples the guide is wrapped again to the list: every
// line inside the text's room, a split word whole, the titles and the menu's
// items lines of their own, the long status bar text over several lines.
TEST(HelpDlg, AtTheDesktopsMultiplesEveryLineFitsTheListAndNoPhraseIsBroken) {
    for (int scale : {2, 3, 5}) {
        SCOPED_TRACE(scale);
        dialogs::SetScale(scale);
        CHelpDlg dlg;
        dialogs::SetScale(1);
        dlg.show();
        const QListWidget& list = dlg.m_list;
        const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list);
        const int room = list.viewport()->width() - 2 * (margin + 1);
        const QFontMetrics metrics(list.font());
        QStringList items;
        for (int n = 0; n < list.count(); ++n) {
            items << list.item(n)->text();
            EXPECT_LE(metrics.horizontalAdvance(items.back()), room) << items.back().toStdString();
        }
        const QString text = items.join(QLatin1Char(' '));
        for (const char* whole :
             {"the point information of a recorded point", "channel being scanned highlighted",
              "pass or fail against a requirement (data", "View color codes for points surveyed"})
            EXPECT_TRUE(text.contains(QLatin1String(whole))) << whole;
        for (const char* own : {"Overview", "OPEN A SITE FILE", "Open a site file",
                                "Zoom away from the site", "IPERF3 SERVER"})
            EXPECT_TRUE(items.contains(QLatin1String(own))) << own;
        // The status bar's one stored line runs on over the next ones.
        const qsizetype status = items.indexOf(
            QRegularExpression(QStringLiteral("^On the bottom \\(above the menu\\).*")));
        ASSERT_GE(status, 0);
        EXPECT_FALSE(items[status + 1].isEmpty());
        dlg.hide();
    }
}

TEST(ProductAboutDlg, ShowsIconNameHardwareVersionAndNoticeWithNothingCutOff) {
    CProductAboutDlg dlg;
    for (const char* text : {"Tamb Pellorin Version 1.0", "for Brindax 802.11bg", "Version 1.00",
                             CProductAboutDlg::kLegalNotice})
        EXPECT_NE(LabelWithText(dlg, text), nullptr) << text;
    // Every text fits its label, descenders included, within the dialog (the
    // product line is wider than its template column, the notice's three
    // lines taller than theirs).
    int icons = 0;
    for (QLabel* l : dlg.findChildren<QLabel*>()) {
        icons += l->pixmap().size() == QSize(32, 32);
        if (l->text().isEmpty()) continue;
        const int wrap = l->wordWrap() ? Qt::TextWordWrap : 0;
        const QRect text =
            QFontMetrics(l->font()).boundingRect(QRect(0, 0, l->width(), 1000), wrap, l->text());
        EXPECT_LE(text.width(), l->width()) << l->text().toStdString();
        EXPECT_LE(text.height(), l->height()) << l->text().toStdString();
        EXPECT_TRUE(dlg.rect().contains(l->geometry())) << l->text().toStdString();
        EXPECT_GE(l->font().pointSize(), 6);
    }
    EXPECT_EQ(icons, 1);
}

}  // namespace
