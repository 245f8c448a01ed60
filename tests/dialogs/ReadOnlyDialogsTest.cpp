#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <cstring>
#include <set>

#include "DialogTestSupport.h"
#include "dialogs/HelpDlg.h"
#include "dialogs/HelpText.h"
#include "dialogs/LocationInfoDlg.h"
#include "dialogs/ProductAboutDlg.h"
#include "dialogs/RssiColorDlg.h"
#include "dialogs/SignOffDlg.h"
#include "platform/DialogUnits.h"

namespace {

QLabel* LabelWithText(QWidget& parent, const QString& text) {
    for (QLabel* l : parent.findChildren<QLabel*>())
        if (l->text() == text) return l;
    return nullptr;
}

TEST(DialogUnits, OneFixedConversionAndEveryDialogFitsTheHandheldsWidth) {
    EXPECT_EQ(dlu::ToPixelsX(160), 240);
    EXPECT_EQ(dlu::ToPixelsY(8), 12);
    EXPECT_EQ(dlu::ToPixelsX(7), 10);  // truncated toward zero
    EXPECT_EQ(dlu::ToPixels(7, 137, 132, 14), QRect(10, 205, 198, 21));

    CLocationInfoDlg location;
    CSignOffDlg signOff;
    CRssiColorDlg legend;
    CHelpDlg help;
    CProductAboutDlg about;
    for (QDialog* d :
         std::initializer_list<QDialog*>{&location, &signOff, &legend, &help, &about}) {
        EXPECT_LE(d->width(), 240) << d->windowTitle().toStdString();
        EXPECT_LE(d->height(), 268) << d->windowTitle().toStdString();
        EXPECT_TRUE(d->findChildren<QPushButton*>().size() <= 2);
    }
}

TEST(RssiColorDlg, SixSwatchesPaintTheirWholeClientInTheBandColours) {
    CRssiColorDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Color of RSSI Values");
    EXPECT_EQ(dlg.size(), dlu::ToPixels(160, 161));
    EXPECT_TRUE(dlg.findChildren<QPushButton*>().isEmpty());

    const QRgb expected[6] = {qRgb(255, 0, 0), qRgb(255, 128, 0), qRgb(255, 255, 0),
                              qRgb(0, 255, 0), qRgb(0, 0, 255),   qRgb(0, 0, 0)};
    const char* labels[6] = {"greater than -39 dBm", "-40 thru -49 dBm", "-50 thru -59 dBm",
                             "-60 thru -69 dBm",     "-70 thru -79 dBm", "-80 thru -89 dBm"};
    const int rowY[6] = {14, 36, 58, 80, 102, 124};
    for (int k = 0; k < 6; ++k) {
        CColorSwatch& swatch = dlg.m_swatches[k];
        SCOPED_TRACE(labels[k]);
        EXPECT_EQ(swatch.geometry(), dlu::ToPixels(19, rowY[k], 26, 8));
        const QImage shot = Render(swatch);
        const QRect client = swatch.contentsRect();
        ASSERT_GT(client.width(), 10);
        ASSERT_GT(client.height(), 4);
        QImage want(client.size(), QImage::Format_RGB32);
        want.fill(expected[k]);
        EXPECT_EQ(shot.copy(client), want);
        // The sunken edge is not the swatch colour (except on black).
        EXPECT_TRUE(k == 5 || shot.pixel(0, 0) != expected[k]);
        QLabel* label = LabelWithText(dlg, labels[k]);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->geometry(), dlu::ToPixels(63, rowY[k], k == 0 ? 70 : 55, 8));
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

TEST(HelpText, HundredSixtyLinesWithTheQuotedLinesAndTheEmptyItemsInPlace) {
    const auto& lines = HelpLines();
    ASSERT_EQ(lines.size(), 160u);
    auto line = [&](int n) { return std::string(lines[n - 1]); };

    const std::set<int> empty = {2,   15,  26,  28,  33,  37,  47,  64,  73,  77,
                                 80,  83,  85,  93,  95,  101, 103, 106, 108, 117,
                                 119, 128, 130, 139, 142, 145, 147, 156};
    for (int n = 1; n <= 160; ++n) EXPECT_EQ(line(n).empty(), empty.count(n) == 1) << n;

    const std::pair<int, const char*> titles[] = {
        {1, "Overview"},        {27, "Quick Start"},     {38, "OPEN A SITE FILE"},
        {48, "START SURVEY"},   {65, "COMPLETE SURVEY"}, {78, "Status Bar (Bottom)"},
        {81, "Menu"},           {94, "Zoom Mode"},       {102, "Scroll Bars"},
        {107, "Joystick"},      {118, "Color Codes"},    {129, "Survey Information Screen"},
        {146, "Surveying Tips"}};
    for (const auto& [n, text] : titles) EXPECT_EQ(line(n), text) << n;
    // Topic titles are followed by an empty item, except the two whose text
    // follows at once.
    for (int n : {1, 27, 94, 102, 107, 118, 129, 146}) EXPECT_TRUE(line(n + 1).empty()) << n;

    EXPECT_EQ(line(79),
              "On the bottom (above the menu) of the screen are different statistics. They "
              "include (from left to right): L is the number of location (points) stored. P is "
              "the number of AP's total that were found (cumulative). X and Y cursor position in "
              "pixels for the last point are also shown.");
    EXPECT_EQ(line(82),
              "There are 6 menu items located in the main menu at the bottom of the screen.");
    EXPECT_EQ(line(84), "From left to right: ");
    const char* menu[] = {
        "Open a site file", "Save a site file",   "View color codes for points    ",
        "surveyed",         "Zoom into the site", "Zoom away from the site",
        "Help information"};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(line(86 + k), menu[k]) << 86 + k;

    // Body lines are pre-wrapped for the narrow list; a split word is
    // hyphenated and the wrapped lines keep their trailing space.
    bool hyphenated = false;
    int trailing = 0;
    for (int n = 1; n <= 160; ++n) {
        if (n == 79 || n == 82) continue;
        EXPECT_LE(line(n).size(), 32u) << n;
        if (!line(n).empty() && line(n).back() == ' ') ++trailing;
        if (line(n).ends_with("informa-") && line(n + 1).rfind("tion", 0) == 0) hyphenated = true;
    }
    EXPECT_TRUE(hyphenated);
    EXPECT_GT(trailing, 60);
}

TEST(HelpDlg, ListHolds160ItemsAsStoredAndFillingAgainDoesNotDouble) {
    CHelpDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Pellorin Help");
    EXPECT_EQ(dlg.size(), dlu::ToPixels(136, 157));
    EXPECT_EQ(dlg.m_list.geometry(), dlu::ToPixels(7, 7, 122, 135));
    ASSERT_EQ(dlg.m_list.count(), 160);
    for (int n = 1; n <= 160; ++n)
        EXPECT_EQ(dlg.m_list.item(n - 1)->text().toStdString(), HelpLines()[n - 1]) << n;

    // Opened twice (the same object run twice, or a second object).
    EXPECT_EQ(RunModal(dlg, [&] { dlg.close(); }), QDialog::Rejected);
    EXPECT_EQ(RunModal(dlg, [&] { dlg.close(); }), QDialog::Rejected);
    dlg.FillList();
    EXPECT_EQ(dlg.m_list.count(), 160);
    CHelpDlg second;
    EXPECT_EQ(second.m_list.count(), 160);

    // Long lines are cut at the list's edge: no horizontal scrolling.
    dlg.show();
    EXPECT_EQ(dlg.m_list.horizontalScrollBar()->maximum(), 0);
    EXPECT_FALSE(dlg.m_list.horizontalScrollBar()->isEnabled());
    EXPECT_EQ(dlg.m_list.textElideMode(), Qt::ElideNone);
    dlg.hide();
}

TEST(ProductAboutDlg, ShowsIconNameHardwareVersionAndNotice) {
    CProductAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "About Tamb");
    EXPECT_EQ(dlg.size(), dlu::ToPixels(120, 95));
    EXPECT_TRUE(dlg.findChildren<QPushButton*>().isEmpty());
    const struct {
        const char* text;
        QRect where;
    } texts[] = {{"Tamb Pellorin Version 1.0", dlu::ToPixels(40, 10, 65, 8)},
                 {"for Brindax 802.11bg", dlu::ToPixels(39, 21, 65, 19)},
                 {"Version 1.00", dlu::ToPixels(40, 44, 65, 8)},
                 {CProductAboutDlg::kLegalNotice, dlu::ToPixels(39, 57, 65, 24)}};
    // At their template places; a label only ever grows to hold its text.
    for (const auto& t : texts) {
        QLabel* label = LabelWithText(dlg, t.text);
        ASSERT_NE(label, nullptr) << t.text;
        EXPECT_EQ(label->geometry().topLeft(), t.where.topLeft()) << t.text;
        EXPECT_GE(label->height(), t.where.height()) << t.text;
        EXPECT_GE(label->width(), t.where.width()) << t.text;
    }
    // Every text fits its label, descenders included, within the dialog:
    // nothing is cut off (the product line is wider than its template
    // column, the notice's three lines taller than theirs).
    for (QLabel* l : dlg.findChildren<QLabel*>()) {
        if (l->text().isEmpty()) continue;
        const QFontMetrics fm(l->font());
        const int wrap = l->wordWrap() ? Qt::TextWordWrap : 0;
        const QRect text = fm.boundingRect(QRect(0, 0, l->width(), 1000), wrap, l->text());
        EXPECT_LE(text.width(), l->width()) << l->text().toStdString();
        EXPECT_LE(text.height(), l->height()) << l->text().toStdString();
        EXPECT_TRUE(dlg.rect().contains(l->geometry())) << l->text().toStdString();
        EXPECT_GE(l->font().pointSize(), 6);
    }
    EXPECT_EQ(QString(CProductAboutDlg::kLegalNotice).count('\n'), 2);  // three lines

    bool iconShown = false;
    for (QLabel* l : dlg.findChildren<QLabel*>()) {
        if (l->pixmap().isNull()) continue;
        EXPECT_EQ(l->pixmap().size(), QSize(32, 32));
        EXPECT_EQ(l->geometry(), dlu::ToPixels(7, 7, 21, 20));
        iconShown = true;
    }
    EXPECT_TRUE(iconShown);
}

}  // namespace
