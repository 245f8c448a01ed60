// create: a new site file around a floor-plan image.

#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "SiteCommands.h"
#include "site/SiteBuilder.h"

namespace {

int Fail(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return 1;
}

// Seconds since 1970, or SOURCE_DATE_EPOCH for reproducible sample files.
uint32_t SaveTime() {
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const unsigned long long v = std::strtoull(fixed, &end, 10);
        if (end != fixed && *end == '\0') return static_cast<uint32_t>(v);
    }
    return static_cast<uint32_t>(std::time(nullptr));
}

}  // namespace

int RunCreate(const QString& imagePath, const QString& outPath, bool signatureFirst) {
    const QFileInfo in(imagePath), out(outPath);
    if (out.exists() && in.exists() && in.canonicalFilePath() == out.canonicalFilePath())
        return Fail("The output file is the input image; choose another name.");

    QImage image(imagePath);
    if (image.isNull()) return Fail("Cannot read the image " + imagePath + ".");
    if (image.width() > 32767 || image.height() > 32767)
        return Fail("The image is larger than 32767 pixels on a side.");

    // Transparent parts become white paper before the colours are reduced.
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    const QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);

    NewSitePlan plan;
    plan.width = indexed.width();
    plan.height = indexed.height();
    const QList<QRgb> table = indexed.colorTable();
    for (qsizetype i = 0; i < table.size() && i < 256; ++i)
        plan.colorTable[i] = table[i] & 0x00FFFFFF;
    plan.fillRow = [&indexed](int32_t y, uint8_t* row) {
        std::memcpy(row, indexed.constScanLine(y), static_cast<size_t>(indexed.width()));
    };
    const std::vector<uint8_t> bytes = BuildSiteFile(
        plan, SaveTime(),
        signatureFirst ? SiteSectionOrder::SignatureFirst : SiteSectionOrder::BitmapFirst);

    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly))
        return Fail("Cannot write " + outPath + ": " + file.errorString());
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (!file.commit()) return Fail("Cannot write " + outPath + ": " + file.errorString());
    return 0;
}
