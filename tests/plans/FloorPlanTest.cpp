// New sites from floor plans: a PDF line measures what it should at the
// resolution asked for and the print ratio gives the scale; every format
// comes through with its colours; thin lines survive the palette and paper
// stays white; and the plans that cannot be used are refused by name, with
// nothing written.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <cmath>
#include <filesystem>

#include "PlanFiles.h"
#include "ScratchDir.h"
#include "plans/FloorPlan.h"
#include "plans/NewSite.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"
#include "store/SurveyStore.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Map : MapBitmap {
    uint32_t At(int x, int y) const { return colorTable[IndexAt(x, y)]; }
    bool Dark(int x, int y) const {
        const uint32_t c = At(x, y);
        return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 3 * 128;
    }
};

class FloorPlanTest : public ::testing::Test {
protected:
    QString In(const char* name) const {
        return QString::fromStdString((dir.Path() / name).string());
    }
    QString Site() const { return In("new.hss"); }
    plans::NewSiteResult Create(const QString& plan, int page = 1, double dpi = 150,
                                std::optional<int64_t> ratio = std::nullopt) {
        plans::NewSiteRequest q;
        q.plan = plan, q.site = Site(), q.page = page, q.dpi = dpi, q.printRatio = ratio;
        q.dpiGiven = true;
        return plans::CreateSiteFromPlan(q);
    }
    Map Read() const {
        Map m;
        FileSource src(Site().toStdString());
        CSiteRecord site;
        EXPECT_TRUE(ReadSiteHeader(src, site).ok);
        EXPECT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), m).ok);
        return m;
    }
    ScratchDir dir;
};

TEST_F(FloorPlanTest, APdfLineMeasuresRightAndThePrintRatioGivesTheScale) {
    // A4; a 100 mm line 50 mm from the top, 0.5 mm wide.
    WritePdf(In("line.pdf"), 210, 297, 1, [](QPainter& p, int) {
        p.setPen(QPen(Qt::black, 0.5, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(40, 50), QPointF(140, 50));
    });
    for (const double dpi : {72.0, 150.0, 300.0}) {
        SCOPED_TRACE(dpi);
        fs::remove(Site().toStdString());
        const plans::NewSiteResult r = Create(In("line.pdf"), 1, dpi, 100);
        ASSERT_TRUE(r.ok) << r.why;
        const Map m = Read();
        // The page as the PDF gives it, in whole points.
        EXPECT_NEAR(m.width, 210 / 25.4 * dpi, 1.5);
        EXPECT_NEAR(m.height, 297 / 25.4 * dpi, 1.5);
        // The line's row: the one with the most ink around 50 mm.
        int first = -1, last = -1, inked = 0;
        for (int y = static_cast<int>(49 / 25.4 * dpi); y <= static_cast<int>(51 / 25.4 * dpi);
             ++y) {
            int f = -1, l = -1, n = 0;
            for (int x = 0; x < m.width; ++x)
                if (m.Dark(x, y)) {
                    if (f < 0) f = x;
                    l = x, ++n;
                }
            if (n > inked) first = f, last = l, inked = n;
        }
        EXPECT_NEAR(last - first + 1, 100 / 25.4 * dpi, 1.5);
        ASSERT_TRUE(r.metresPerPixel.has_value());
        // 100 mm at 1:100 is 10 m.
        EXPECT_NEAR((last - first + 1) * *r.metresPerPixel, 10.0, 1.5 * *r.metresPerPixel);
        CSurveyStore store(nullptr);
        ASSERT_TRUE(store.OpenToRead(Site().toStdString()));
        // The scale goes to the store as for any plan (SiteTool's create
        // --plan-scale); what the page and resolution were is a PDF's own.
        EXPECT_EQ(store.PlanSource()->page, 1);
        EXPECT_EQ(store.PlanSource()->dpi, dpi);
    }
}

TEST_F(FloorPlanTest, ThinLinesSurviveAndPaperStaysWhite) {
    // An architectural sheet: walls, a door swing, thin dimension lines with
    // their figures, a grey hatched area and a red fire escape.
    WritePdf(In("floor.pdf"), 420, 297, 1, [](QPainter& p, int) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 3));
        p.drawRect(QRectF(40, 40, 300, 200));
        p.drawLine(QPointF(190, 40), QPointF(190, 240));
        p.setPen(QPen(Qt::black, 0.25));
        p.drawArc(QRectF(170, 120, 40, 40), 0, 90 * 16);
        p.setPen(QPen(Qt::black, 0.05));  // a hairline: a third of a pixel at 150 dpi
        p.drawLine(QPointF(40, 260), QPointF(340, 260));
        QFont f("Liberation Sans");
        f.setPixelSize(2);  // 2 mm
        p.setFont(f);
        p.drawText(QPointF(180, 258), "30000");
        p.fillRect(QRectF(50, 50, 60, 40), QColor(200, 200, 200));
        p.setPen(QPen(QColor(220, 0, 0), 0.3));
        p.drawLine(QPointF(60, 230), QPointF(180, 230));
    });
    ASSERT_TRUE(Create(In("floor.pdf")).ok);
    const Map m = Read();
    // PELLORIN_KEEP_PLANS=DIR keeps the map as a PNG to look at.
    if (const char* keep = std::getenv("PELLORIN_KEEP_PLANS")) {
        QImage look(m.width, m.height, QImage::Format_RGB32);
        for (int yy = 0; yy < m.height; ++yy)
            for (int xx = 0; xx < m.width; ++xx) look.setPixel(xx, yy, m.At(xx, yy));
        look.save(QString(keep) + "/floor.png");
    }
    const double px = 150 / 25.4;
    // The hairline is there along its whole length.
    const int y = static_cast<int>(260 * px);
    int inked = 0, length = 0;
    for (int x = static_cast<int>(45 * px); x < static_cast<int>(335 * px); ++x, ++length)
        inked += m.At(x, y) != kWhite || m.At(x, y + 1) != kWhite || m.At(x, y - 1) != kWhite;
    EXPECT_EQ(inked, length);
    // The fire escape stays red, the hatched area one grey.
    const uint32_t red = m.At(static_cast<int>(120 * px), static_cast<int>(230 * px));
    EXPECT_GT((red >> 16) & 0xFF, 150u);
    EXPECT_LT((red >> 8) & 0xFF, 80u);
    const uint32_t grey = m.At(static_cast<int>(60 * px), static_cast<int>(60 * px));
    for (int dy = 0; dy < 20; ++dy)
        for (int dx = 0; dx < 20; ++dx)
            ASSERT_EQ(m.At(static_cast<int>(60 * px) + dx, static_cast<int>(60 * px) + dy), grey);
    // Paper: not one speck in an empty room.
    for (int yy = static_cast<int>(100 * px); yy < static_cast<int>(200 * px); ++yy)
        for (int xx = static_cast<int>(220 * px); xx < static_cast<int>(320 * px); ++xx)
            ASSERT_EQ(m.At(xx, yy), kWhite) << xx << "," << yy;
}

TEST_F(FloorPlanTest, APhotographedPlanKeepsItsLinesWithoutSpeckles) {
    // Paper that is not white, a shadow across it, noise, and walls.
    QImage photo(1200, 800, QImage::Format_RGB32);
    uint32_t seed = 7;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            seed = seed * 1103515245 + 12345;
            const int noise = static_cast<int>((seed >> 16) % 13) - 6;
            const int shade = 235 - x / 30 + noise;
            photo.setPixel(x, y, qRgb(shade, shade - 3, shade - 10));
        }
    {
        QPainter p(&photo);
        p.setPen(QPen(QColor(40, 38, 35), 4));
        p.drawRect(100, 100, 1000, 600);
        p.setPen(QPen(QColor(60, 58, 55), 1));
        p.drawLine(100, 400, 1100, 400);
    }
    photo.save(In("photo.jpg"), "JPEG", 90);
    ASSERT_TRUE(Create(In("photo.jpg")).ok);
    const Map m = Read();
    for (int x = 120; x < 1080; ++x) ASSERT_TRUE(m.Dark(x, 100) || m.Dark(x, 101)) << x;
    for (int x = 120; x < 1080; ++x)
        ASSERT_TRUE(m.Dark(x, 400) || m.Dark(x, 399) || m.Dark(x, 401)) << x;
    // The paper is light everywhere, and no pixel of it is a colour the
    // photograph does not have (no magenta or cyan specks).
    for (int y = 150; y < 350; ++y)
        for (int x = 150; x < 1050; ++x) {
            const uint32_t c = m.At(x, y);
            const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            ASSERT_GT(r + g + b, 3 * 170) << x << "," << y;
            ASSERT_TRUE(r >= g - 4 && g >= b - 4) << x << "," << y << " " << std::hex << c;
        }
}

TEST_F(FloorPlanTest, EveryFormatComesThroughWithItsColours) {
    // Each plan: 64 x 48, a black square at 16..31 x 16..31, the rest white
    // or transparent (which becomes white paper).
    auto inSquare = [](int x, int y) { return x >= 16 && x < 32 && y >= 16 && y < 32; };
    QImage rgb(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) rgb.setPixel(x, y, inSquare(x, y) ? 0 : kWhite);
    QImage deep = rgb.convertToFormat(QImage::Format_RGBA64);
    ASSERT_TRUE(deep.save(In("deep.png")));
    ASSERT_TRUE(rgb.save(In("plan.tif")));
    ASSERT_TRUE(rgb.save(In("plan.webp"), "WEBP", 100));
    WriteGif(In("plan.gif"), 64, 48, inSquare);
    ASSERT_TRUE(rgb.save(In("plan.bmp")));
    WriteGreyAlphaPng(In("grey.png"), 64, 48, inSquare);
    WriteCmykJpeg(In("cmyk.jpg"), 64, 48, inSquare);
    // 64 x 48 mm: at 25.4 dpi, a pixel a millimetre.
    WriteFileBytes(
        dir.Path() / "plan.svg",
        ToBytes("<svg xmlns='http://www.w3.org/2000/svg' width='64mm' height='48mm' "
                "viewBox='0 0 64 48'><rect x='16' y='16' width='16' height='16'/></svg>"));
    for (const char* name : {"deep.png", "plan.tif", "plan.webp", "plan.gif", "plan.bmp",
                             "grey.png", "cmyk.jpg", "plan.svg"}) {
        SCOPED_TRACE(name);
        fs::remove(Site().toStdString());
        const plans::NewSiteResult r = Create(In(name), 1, 25.4);
        ASSERT_TRUE(r.ok) << r.why;
        const Map m = Read();
        ASSERT_EQ(m.width * 100 + m.height, 64 * 100 + 48);
        EXPECT_TRUE(m.Dark(20, 20));
        EXPECT_TRUE(m.Dark(30, 30));
        EXPECT_EQ(m.At(5, 5), kWhite);
        EXPECT_EQ(m.At(40, 20), kWhite);
    }
}

TEST_F(FloorPlanTest, PlansThatCannotBeUsedAreRefusedByName) {
    WritePdf(In("two.pdf"), 841, 594, 2, [](QPainter& p, int) { p.drawLine(10, 10, 100, 10); });
    QProcess qpdf;
    qpdf.start("qpdf",
               {"--encrypt", "user", "owner", "256", "--", In("two.pdf"), In("secret.pdf")});
    ASSERT_TRUE(qpdf.waitForFinished(60000) && qpdf.exitCode() == 0);
    const Bytes pdf = ReadFileBytes(In("two.pdf").toStdString());
    WriteFileBytes(dir.Path() / "damaged.pdf", Bytes(pdf.begin(), pdf.begin() + 300));
    qpdf.start("qpdf", {"--empty", In("nopages.pdf")});
    ASSERT_TRUE(qpdf.waitForFinished(60000) && qpdf.exitCode() == 0);
    WriteFileBytes(dir.Path() / "broken.svg",
                   ToBytes("<svg xmlns='http://www.w3.org/2000/svg'><rect"));
    WriteFileBytes(dir.Path() / "broken.png",
                   ToBytes(std::string("\x89PNG\r\n\x1a\n", 8) + std::string(200, 'x')));
    const struct {
        const char* file;
        int page;
        double dpi;
        const char* says;
    } cases[] = {
        {"secret.pdf", 1, 150, "encrypted"},
        {"damaged.pdf", 1, 150, "damaged"},
        {"nopages.pdf", 1, 150, "no page"},
        {"two.pdf", 3, 150, "has no page 3 (it has 2)"},
        {"two.pdf", 2, 1200,
         "pixels at 1200 dpi; a site map can be at most 32,767 pixels on a side"},
        {"broken.svg", 1, 150, "does not render"},
        {"broken.png", 1, 150, "broken.png"},
        {"missing.png", 1, 150, "No such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const plans::NewSiteResult r = Create(In(c.file), c.page, c.dpi);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.why.find(c.file), std::string::npos) << r.why;
        EXPECT_NE(r.why.find(c.says), std::string::npos) << r.why;
        EXPECT_FALSE(fs::exists(Site().toStdString()));
        EXPECT_FALSE(fs::exists(Site().toStdString() + ".survey"));
    }
    // The resolution that fits is offered, and it does fit.
    const plans::NewSiteResult big = Create(In("two.pdf"), 1, 1200);
    const size_t at = big.why.find("At most ");
    ASSERT_NE(at, std::string::npos) << big.why;
    const int fits = std::stoi(big.why.substr(at + 8));
    EXPECT_GT(fits, 300);
    const plans::PlanProbe probe = plans::ProbePlan(In("two.pdf"));
    EXPECT_TRUE(plans::SizeAt(In("two.pdf"), probe, 1, fits).fits);
    EXPECT_FALSE(plans::SizeAt(In("two.pdf"), probe, 1, fits + 1).fits);
}

}  // namespace
