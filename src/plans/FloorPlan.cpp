#include "plans/FloorPlan.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPdfDocument>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <fstream>

#include "site/FileOps.h"
#include "site/SiteLayout.h"

namespace plans {
namespace {

// An SVG or PDF file of more than this is no floor plan (and would be held
// whole in memory).
constexpr qint64 kMaxDrawingBytes = qint64{1} << 30;
// Render (4 bytes), the site file in memory (1) and its rows on the way (1),
// a pixel each; and a margin for the program around it.
constexpr uint64_t kBytesPerPixel = 6;
constexpr double kCssPixelsPerInch = 96;

std::string Name(const QString& path) { return QFileInfo(path).fileName().toStdString(); }

std::string Refusal(const QString& path, const std::string& reason) {
    return "Cannot use the floor plan " + Name(path) + ": " + reason;
}

std::string Thousands(uint64_t n) {
    std::string s = std::to_string(n);
    for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3)
        s.insert(static_cast<size_t>(i), ",");
    return s;
}

std::string Megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

// MemAvailable of /proc/meminfo; 0 when it cannot be read (no limit is set then).
uint64_t AvailableMemory() {
    std::ifstream in("/proc/meminfo");
    std::string key;
    uint64_t kb = 0;
    std::string unit;
    while (in >> key >> kb >> unit)
        if (key == "MemAvailable:") return kb * 1024;
    return 0;
}

// Refuses what is not a regular file before anything opens it: a FIFO
// would hold the reader for ever.
bool RegularFile(const QString& path, std::string& why) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        why = Refusal(path, std::strerror(errno) + std::string("."));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = Refusal(path, NotAFileText(st.st_mode));
        return false;
    }
    return true;
}

std::string PdfError(QPdfDocument::Error e) {
    switch (e) {
        case QPdfDocument::Error::FileNotFound:
            return "it cannot be read.";
        case QPdfDocument::Error::InvalidFileFormat:
            return "it is not a PDF, or it is damaged.";
        case QPdfDocument::Error::IncorrectPassword:
            return "it is encrypted (protected by a password).";
        case QPdfDocument::Error::UnsupportedSecurityScheme:
            return "it is encrypted in a way that cannot be opened.";
        default:
            return "it cannot be read as a PDF.";
    }
}

// The size of an SVG drawing in inches, from the root element's width and
// height: absolute units as they say, pixels and plain numbers at 96 an
// inch; without them, the viewBox's units as pixels.
QSizeF SvgInches(const QByteArray& bytes, const QSvgRenderer& renderer) {
    auto length = [](QStringView text, double& inches) {
        static const struct {
            const char* unit;
            double perInch;
        } units[] = {{"mm", 25.4}, {"cm", 2.54}, {"in", 1}, {"pt", 72}, {"pc", 6}, {"px", 96}};
        QString t = text.trimmed().toString();
        double perInch = kCssPixelsPerInch;
        for (const auto& u : units)
            if (t.endsWith(QLatin1String(u.unit))) {
                perInch = u.perInch;
                t.chop(2);
                break;
            }
        if (t.endsWith('%')) return false;
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (!ok || !(v > 0)) return false;
        inches = v / perInch;
        return true;
    };
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd() && !xml.isStartElement()) xml.readNext();
    double w = 0, h = 0;
    const QSizeF box = renderer.viewBoxF().size();
    const bool hasW = length(xml.attributes().value("width"), w);
    const bool hasH = length(xml.attributes().value("height"), h);
    if (hasW && hasH) return {w, h};
    if (box.width() > 0 && box.height() > 0) {
        if (hasW) return {w, w * box.height() / box.width()};
        if (hasH) return {h * box.width() / box.height(), h};
        return box / kCssPixelsPerInch;
    }
    return QSizeF(renderer.defaultSize()) / kCssPixelsPerInch;
}

bool ReadWhole(const QString& path, QByteArray& out, std::string& why) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        why = Refusal(path, f.errorString().toStdString() + ".");
        return false;
    }
    if (f.size() > kMaxDrawingBytes) {
        why = Refusal(path, "it is larger than 1 GB.");
        return false;
    }
    out = f.readAll();
    return true;
}

// The page size in inches of a drawing (PDF page, SVG), from the file.
bool PageInches(const QString& path, const PlanProbe& probe, int page, QSizeF& inches,
                std::string& why) {
    if (probe.kind == PlanKind::kPdf) {
        QPdfDocument doc;
        const QPdfDocument::Error e = doc.load(path);
        if (e != QPdfDocument::Error::None) {
            why = Refusal(path, PdfError(e));
            return false;
        }
        if (page < 1 || page > doc.pageCount()) {
            why = Refusal(path, "it has no page " + std::to_string(page) + " (it has " +
                                    std::to_string(doc.pageCount()) + ").");
            return false;
        }
        inches = doc.pagePointSize(page - 1) / 72.0;
        return true;
    }
    QByteArray bytes;
    if (!ReadWhole(path, bytes, why)) return false;
    QSvgRenderer svg(bytes);
    if (!svg.isValid()) {
        why = Refusal(path, "the SVG drawing does not render.");
        return false;
    }
    inches = SvgInches(bytes, svg);
    return true;
}

// Transparent parts become white paper.
void OntoWhite(QImage& image) {
    image.convertTo(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            const int a = qAlpha(p);
            if (a == 255) continue;
            auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            row[x] = qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p)));
        }
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
}

}  // namespace

uint64_t BytesForPlan(int64_t width, int64_t height) {
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * kBytesPerPixel;
}

PlanProbe ProbePlan(const QString& path) {
    PlanProbe p;
    if (!RegularFile(path, p.why)) return p;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        p.why = Refusal(path, f.errorString().toStdString() + ".");
        return p;
    }
    const QByteArray head = f.peek(1024);
    if (head.startsWith("%PDF-")) {
        p.kind = PlanKind::kPdf;
        p.format = "pdf";
        f.close();
        QPdfDocument doc;
        const QPdfDocument::Error e = doc.load(path);
        if (e != QPdfDocument::Error::None) {
            p.why = Refusal(path, PdfError(e));
            return p;
        }
        p.pages = doc.pageCount();
        if (p.pages < 1) {
            p.why = Refusal(path, "it has no pages.");
            return p;
        }
        p.ok = true;
        return p;
    }
    QImageReader reader(&f);
    const QByteArray format = reader.format();
    if (format == "svg" || format == "svgz") {
        p.kind = PlanKind::kSvg;
        p.format = "svg";
        f.close();
        QSizeF inches;
        if (!PageInches(path, p, 1, inches, p.why)) return p;
        p.ok = true;
        return p;
    }
    if (format.isEmpty() || !reader.canRead()) {
        p.why = Refusal(path, "it is no image, SVG or PDF that can be read.");
        return p;
    }
    p.format = format.toStdString();
    p.imagePixels = reader.size();
    p.ok = true;
    return p;
}

PlanSize SizeAt(const QString& path, const PlanProbe& probe, int page, double dpi) {
    PlanSize s;
    double inchW = 0, inchH = 0;
    if (probe.kind == PlanKind::kImage) {
        if (page != 1) {
            s.why = Refusal(path, "an image has one page only.");
            return s;
        }
        s.width = probe.imagePixels.width();
        s.height = probe.imagePixels.height();
        if (!probe.imagePixels.isValid()) {
            s.fits = true;  // known once read (RenderPlan checks it then)
            return s;
        }
    } else {
        if (!(dpi >= 1 && dpi <= 4800)) {
            s.why = Refusal(path, "the resolution must be 1 to 4800 dpi.");
            return s;
        }
        QSizeF inches;
        if (!PageInches(path, probe, page, inches, s.why)) return s;
        inchW = inches.width(), inchH = inches.height();
        s.width = std::llround(inchW * dpi);
        s.height = std::llround(inchH * dpi);
    }
    s.bytes = BytesForPlan(s.width, s.height);
    const uint64_t available = AvailableMemory();
    const bool sides = s.width >= 1 && s.height >= 1 && s.width <= sitelayout::kMaxMapSide &&
                       s.height <= sitelayout::kMaxMapSide;
    const bool pixels = static_cast<uint64_t>(s.width) * static_cast<uint64_t>(s.height) <=
                        sitelayout::kMaxMapPixels;
    const bool memory = available == 0 || s.bytes <= available;
    s.fits = sides && pixels && memory;
    if (s.fits) return s;
    if (s.width < 1 || s.height < 1) {
        s.why = Refusal(path, "the page is empty at " + std::to_string(std::lround(dpi)) + " dpi.");
        return s;
    }
    std::string what =
        "the map would be " + Thousands(s.width) + " x " + Thousands(s.height) + " pixels";
    if (probe.kind != PlanKind::kImage) what += " at " + std::to_string(std::lround(dpi)) + " dpi";
    if (!sides)
        what += "; a site map can be at most 32,767 pixels on a side";
    else if (!pixels)
        what += "; a site map can hold at most " + Thousands(sitelayout::kMaxMapPixels) + " pixels";
    else
        what += ", which takes " + Megabytes(s.bytes) + " of memory, and " + Megabytes(available) +
                " are free";
    if (probe.kind != PlanKind::kImage && inchW > 0 && inchH > 0) {
        double fit = std::min(sitelayout::kMaxMapSide / inchW, sitelayout::kMaxMapSide / inchH);
        fit = std::min(fit,
                       std::sqrt(static_cast<double>(sitelayout::kMaxMapPixels) / (inchW * inchH)));
        if (available > 0)
            fit = std::min(
                fit, std::sqrt(static_cast<double>(available) / kBytesPerPixel / (inchW * inchH)));
        s.fittingDpi = std::floor(fit);
        while (s.fittingDpi >= 1 &&
               (std::llround(inchW * s.fittingDpi) > sitelayout::kMaxMapSide ||
                std::llround(inchH * s.fittingDpi) > sitelayout::kMaxMapSide ||
                static_cast<uint64_t>(std::llround(inchW * s.fittingDpi)) *
                        static_cast<uint64_t>(std::llround(inchH * s.fittingDpi)) >
                    sitelayout::kMaxMapPixels))
            s.fittingDpi -= 1;
        if (s.fittingDpi >= 1)
            what += ". At most " + std::to_string(static_cast<int64_t>(s.fittingDpi)) + " dpi fits";
        else
            s.fittingDpi = 0;
    }
    s.why = Refusal(path, what + ".");
    return s;
}

QImage RenderPlan(const QString& path, const PlanProbe& probe, int page, double dpi,
                  std::string& why) {
    const PlanSize size = SizeAt(path, probe, page, dpi);
    if (!size.fits) {
        why = size.why;
        return {};
    }
    const QSize pixels(static_cast<int>(size.width), static_cast<int>(size.height));
    QImage image;
    if (probe.kind == PlanKind::kPdf) {
        QPdfDocument doc;
        if (doc.load(path) == QPdfDocument::Error::None) image = doc.render(page - 1, pixels);
        if (image.isNull() || image.size() != pixels) {
            why = Refusal(path, "page " + std::to_string(page) + " could not be rendered.");
            return {};
        }
    } else if (probe.kind == PlanKind::kSvg) {
        QByteArray bytes;
        if (!ReadWhole(path, bytes, why)) return {};
        QSvgRenderer svg(bytes);
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        if (!svg.isValid() || image.isNull()) {
            why = Refusal(path, image.isNull() ? "not enough memory to render it."
                                               : "the SVG drawing does not render.");
            return {};
        }
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    } else {
        if (!RegularFile(path, why)) return {};
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            why = Refusal(path, f.errorString().toStdString() + ".");
            return {};
        }
        QImageReader reader(&f);
        // Our own bound was checked above; Qt's is for images of unknown size.
        QImageReader::setAllocationLimit(
            static_cast<int>(std::min<uint64_t>(size.bytes / (1 << 20) + 64, 1 << 20)));
        image = reader.read();
        if (image.isNull()) {
            why = Refusal(path, reader.errorString().toStdString() + ".");
            return {};
        }
        if (image.width() > sitelayout::kMaxMapSide || image.height() > sitelayout::kMaxMapSide ||
            uint64_t(image.width()) * uint64_t(image.height()) > sitelayout::kMaxMapPixels) {
            why = Refusal(path, "the map would be " + Thousands(image.width()) + " x " +
                                    Thousands(image.height()) +
                                    " pixels; a site map can be at most 32,767 pixels on a side "
                                    "and hold at most " +
                                    Thousands(sitelayout::kMaxMapPixels) + " pixels.");
            return {};
        }
    }
    OntoWhite(image);
    return image;
}

}  // namespace plans
