// create: a new site file around a floor-plan image.

#include <fcntl.h>
#include <sys/stat.h>

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSaveFile>
#include <cstring>
#include <string>

#include "SiteCommands.h"
#include "site/FileOps.h"
#include "site/SiteBuilder.h"
#include "site/SiteLayout.h"

namespace {

const char* const kNoMemoryText = "Not enough memory for the image.";

}  // namespace

int RunCreate(const QString& imagePath, const QString& outPath, bool signatureFirst, bool force) {
    const QFileInfo out(outPath);
    if (const int refused = GuardOutput(imagePath, outPath, "input image")) return refused;
    // The new file is renamed into place: over a device or a FIFO that would
    // put a file where they were.
    struct stat outStat {};
    if (::stat(QFile::encodeName(outPath).constData(), &outStat) == 0 && !S_ISREG(outStat.st_mode))
        return Fail("Cannot write " + outPath + ": " +
                    QString::fromStdString(NotAFileText(outStat.st_mode)));
    // A surveyed site must not be lost to a typo (a dangling link counts too).
    if (!force && (out.exists() || out.isSymLink()))
        return Fail(outPath + " exists already; choose another name or add --force to replace it.");

    // Read through a descriptor that was checked to be a regular file: a
    // FIFO would block the reader for ever.
    PosixFileOps ops;
    struct stat inStat {};
    std::string why;
    const int fd =
        OpenRegularFile(ops, QFile::encodeName(imagePath).constData(), O_RDONLY, inStat, why);
    if (fd < 0)
        return Fail("Cannot read the image " + imagePath + ": " + QString::fromStdString(why));
    QFile inFile;
    inFile.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    QImageReader reader(&inFile);
    const QImage image = reader.read();
    if (image.isNull()) return Fail("Cannot read the image " + imagePath + ".");
    if (image.width() > sitelayout::kMaxMapSide || image.height() > sitelayout::kMaxMapSide)
        return Fail("The image is larger than 32767 pixels on a side.");
    if (static_cast<uint64_t>(image.width()) * static_cast<uint64_t>(image.height()) >
        sitelayout::kMaxMapPixels)
        return Fail("The image has more pixels than a site map may hold (" +
                    QString::number(sitelayout::kMaxMapPixels) + ").");

    // Transparent parts become white paper before the colours are reduced.
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull()) return Fail(kNoMemoryText);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    const QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    if (indexed.isNull()) return Fail(kNoMemoryText);

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
