// pellorin_resgen OUTDIR: draws the program's pictures, synthesises its
// sounds and writes them with their resource listing (pellorin.qrc) into
// OUTDIR. Everything is made here; scripts/generate-resources runs it.
// pellorin_resgen --sheet FILE.png: one enlarged sheet of every picture, for
// looking at the artwork.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "Artwork.h"
#include "Waves.h"

namespace {

bool Write(const QDir& dir, const QString& name, const QByteArray& bytes, QStringList& listed) {
    QFile file(dir.filePath(name));
    if (!dir.mkpath(QFileInfo(file).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "resgen: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    listed << name;
    return true;
}

bool WriteImage(const QDir& dir, const QString& name, const QImage& image, QStringList& listed) {
    QFile file(dir.filePath(name));
    if (!dir.mkpath(QFileInfo(file).absolutePath()) || !image.save(&file, "PNG")) {
        std::fprintf(stderr, "resgen: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    listed << name;
    return true;
}

QByteArray Qrc(const QStringList& files) {
    QByteArray out =
        "<!DOCTYPE RCC>\n<!-- Written by tools/resgen; the build lists the same "
        "files in src/dialogs/CMakeLists.txt. -->\n<RCC version=\"1.0\">\n"
        "  <qresource prefix=\"/res\">\n";
    for (const QString& f : files)
        out += "    <file alias=\"" + f.toUtf8() + "\">" + f.toUtf8() + "</file>\n";
    out += "  </qresource>\n</RCC>\n";
    return out;
}

// Every picture scaled up (small ones more), on grey, side by side in rows.
QImage ContactSheet() {
    const auto icons = resgen::ToolbarIcons();
    const std::vector<std::vector<std::pair<QImage, int>>> rows = {
        {{resgen::ToolbarStrip(icons), 6}},
        {{resgen::AppIcon(16), 4},
         {resgen::AppIcon(32), 4},
         {resgen::AppIcon(64), 2},
         {resgen::CursorImage(), 4}},
        {{resgen::RadarImage(0), 2},
         {resgen::RadarImage(1), 2},
         {resgen::RadarImage(2), 2},
         {resgen::RadarImage(3), 2}},
        {{resgen::SplashImage(), 2}},
    };
    int width = 0, height = 0;
    for (const auto& row : rows) {
        int w = 0, h = 0;
        for (const auto& [image, scale] : row) {
            w += image.width() * scale + 8;
            h = std::max(h, image.height() * scale);
        }
        width = std::max(width, w);
        height += h + 8;
    }
    QImage sheet(width + 8, height + 8, QImage::Format_RGB32);
    sheet.fill(QColor(160, 160, 160));
    QPainter p(&sheet);
    int y = 8;
    for (const auto& row : rows) {
        int x = 8, h = 0;
        for (const auto& [image, scale] : row) {
            const QImage big = image.scaled(image.size() * scale);
            p.drawImage(x, y, big);
            x += big.width() + 8;
            h = std::max(h, big.height());
        }
        y += h + 8;
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    // Text is drawn with the system's fonts, which needs a GUI application,
    // but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--sheet")
        return ContactSheet().save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: pellorin_resgen OUTDIR | --sheet FILE.png\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QStringList listed;
    bool ok = true;

    const auto icons = resgen::ToolbarIcons();
    ok &= WriteImage(dir, "toolbar.png", resgen::ToolbarStrip(icons), listed);
    for (const auto& icon : icons)
        ok &= WriteImage(dir, "toolbar/" + icon.name + ".png", icon.image, listed);
    ok &= WriteImage(dir, "cursor136.png", resgen::CursorImage(), listed);
    ok &= WriteImage(dir, "splash137.png", resgen::SplashImage(), listed);
    for (int k = 0; k < 4; ++k)
        ok &= WriteImage(dir, QStringLiteral("radar%1.png").arg(139 + k), resgen::RadarImage(k),
                         listed);
    ok &= WriteImage(dir, "icon.png", resgen::AppIcon(32), listed);
    for (int size : {16, 32, 64, 128})
        ok &=
            WriteImage(dir, QStringLiteral("icon%1.png").arg(size), resgen::AppIcon(size), listed);
    ok &= Write(dir, "sounds/ping.wav", resgen::WaveFile(resgen::SynthesisePing()), listed);
    ok &= Write(dir, "sounds/redalert.wav", resgen::WaveFile(resgen::SynthesiseRedAlert()), listed);
    QStringList unused;
    ok &= Write(dir, "pellorin.qrc", Qrc(listed), unused);
    return ok ? 0 : 1;
}
