#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QtEndian>

// The artwork and sounds are compiled into pellorin_gui; this executable
// only links that static library, so every load below also proves that the
// resources survive the link.

namespace {

QImage Load(const char* path) { return QImage(QString::fromLatin1(path)); }

TEST(Resources, PicturesLoadWithTheirSizes) {
    const std::pair<const char*, int> pictures[] = {
        {":/res/cursor136.png", 32}, {":/res/icon.png", 32},   {":/res/icon16.png", 16},
        {":/res/icon32.png", 32},    {":/res/icon64.png", 64}, {":/res/icon128.png", 128}};
    for (const auto& [path, side] : pictures)
        EXPECT_EQ(Load(path).size(), QSize(side, side)) << path;
    EXPECT_EQ(Load(":/res/splash137.png").size(), QSize(240, 290));
}

TEST(Resources, ToolbarStripIsTheTenDistinctButtonsSideBySide) {
    const QImage strip = Load(":/res/toolbar.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(strip.size(), QSize(160, 16));
    const char* names[] = {"open", "save",  "colors",   "zoomin",   "zoomout",
                           "help", "about", "coverage", "networks", "commands"};
    QSet<QByteArray> distinct;
    for (int k = 0; k < 10; ++k) {
        const QImage icon = QImage(QStringLiteral(":/res/toolbar/%1.png").arg(names[k]))
                                .convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(strip.copy(16 * k, 0, 16, 16), icon) << names[k];  // also its 16 x 16 size
        distinct.insert(
            QByteArray(reinterpret_cast<const char*>(icon.constBits()), icon.sizeInBytes()));
    }
    EXPECT_EQ(distinct.size(), 10);
}

TEST(Resources, CursorIsADarkCrossOnWhiteSoAndingLeavesTheRestOfTheMap) {
    const QImage cursor = Load(":/res/cursor136.png").convertToFormat(QImage::Format_RGB32);
    int dark = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb c = cursor.pixel(x, y) & 0xFFFFFF;
            EXPECT_TRUE(c == 0xFFFFFF || c == 0) << x << "," << y;
            dark += c == 0;
        }
    }
    EXPECT_TRUE(dark > 40 && dark < 200) << dark;
    // White corners, dark arms.
    EXPECT_EQ(cursor.pixel(0, 0) & cursor.pixel(31, 31) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ((cursor.pixel(16, 5) | cursor.pixel(5, 16)) & 0xFFFFFF, 0u);
}

TEST(Resources, SplashKeepsTheCaptionBandWhite) {
    const QImage splash = Load(":/res/splash137.png").convertToFormat(QImage::Format_RGB32);
    // Rows 183 .. 198, and 198 .. 214, where the view's captions land when
    // the picture is stretched onto a 268-pixel-high client area.
    for (int y = 183; y <= 214; ++y)
        for (int x = 0; x < 240; ++x)
            ASSERT_EQ(splash.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
    // ... and is a picture elsewhere.
    EXPECT_NE(splash.pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_NE(splash.pixel(5, 280) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(Resources, RadarFramesAreFourDistinctPicturesOfTheSameSize) {
    QImage frames[4];
    for (int k = 0; k < 4; ++k) {
        frames[k] = QImage(QStringLiteral(":/res/radar%1.png").arg(139 + k))
                        .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(frames[k].size(), QSize(104, 104)) << 139 + k;
    }
    for (int a = 0; a < 4; ++a) {
        for (int b = a + 1; b < 4; ++b) {
            int differing = 0;
            for (int y = 0; y < 104; ++y)
                for (int x = 0; x < 104; ++x)
                    differing += frames[a].pixel(x, y) != frames[b].pixel(x, y);
            EXPECT_GT(differing, 200) << 139 + a << " vs " << 139 + b;
        }
    }
}

// The sounds are plain 44-byte-header RIFF/WAVE files: "fmt " then "data".
TEST(Resources, SoundsAre16BitMonoPcmAt22050OfTheirLengths) {
    const struct {
        const char* path;
        double minSeconds, maxSeconds;
    } sounds[] = {{":/res/sounds/ping.wav", 0.1, 0.2}, {":/res/sounds/redalert.wav", 1.0, 2.0}};
    for (const auto& s : sounds) {
        SCOPED_TRACE(s.path);
        QFile file(QString::fromLatin1(s.path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray b = file.readAll();
        ASSERT_GT(b.size(), 44);
        auto u16 = [&](int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
        auto u32 = [&](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
        EXPECT_EQ(b.left(4) + b.mid(8, 8) + b.mid(36, 4), "RIFFWAVEfmt data");
        // Sizes; PCM, mono, 22050 Hz, 44100 bytes/s, 2-byte frames, 16 bits.
        ASSERT_EQ(std::make_tuple(u32(4), u32(16), u32(40)),
                  std::make_tuple(uint32_t(b.size() - 8), 16u, uint32_t(b.size() - 44)));
        EXPECT_EQ(std::make_tuple(u16(20), u16(22), u32(24), u32(28), u16(32), u16(34)),
                  std::make_tuple(1, 1, 22050u, 44100u, 2, 16));
        std::vector<int16_t> samples;
        for (int at = 44; at + 1 < b.size(); at += 2)
            samples.push_back(qFromLittleEndian<qint16>(b.constData() + at));
        const double seconds = double(samples.size()) / 22050;
        EXPECT_TRUE(seconds >= s.minSeconds && seconds <= s.maxSeconds) << seconds;
        int peak = 0;
        for (int16_t v : samples) peak = std::max(peak, std::abs(int(v)));
        EXPECT_GT(peak, 8000);
        // Starts and ends quietly: no click.
        EXPECT_LT(std::max(std::abs(int(samples.front())), std::abs(int(samples.back()))), 2000);
    }
}

TEST(Resources, EveryFileTheQrcListsIsCompiledIn) {
    QFile qrc(QStringLiteral(PELLORIN_RES_DIR "/pellorin.qrc"));
    ASSERT_TRUE(qrc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(qrc.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("prefix=\"/res\"")));
    const QRegularExpression alias(QStringLiteral("alias=\"([^\"]+)\""));
    int listed = 0;
    for (const auto& m : alias.globalMatch(text)) {
        ++listed;
        EXPECT_TRUE(QFile::exists(":/res/" + m.captured(1))) << m.captured(1).toStdString();
    }
    EXPECT_EQ(listed, 24);
}

}  // namespace
