#include "PlanFiles.h"

#include <jpeglib.h>
#include <zlib.h>

#include <QFile>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ScratchDir.h"

void WritePdf(const QString& path, double widthMm, double heightMm, int pages,
              const std::function<void(QPainter&, int page)>& draw) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(1200);
    QPainter p(&writer);
    p.scale(1200 / 25.4, 1200 / 25.4);  // millimetres
    for (int page = 0; page < pages; ++page) {
        if (page > 0) writer.newPage();
        draw(p, page);
    }
}

namespace {

void Be32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Be32(out, static_cast<uint32_t>(data.size()));
    const size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Be32(out, static_cast<uint32_t>(crc32(0, out.data() + at, static_cast<uInt>(out.size() - at))));
}

}  // namespace

void WriteGreyAlphaPng(const QString& path, int width, int height, const Ink& ink) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x)
            raw.insert(raw.end(), {0, static_cast<uint8_t>(ink(x, y) ? 255 : 0)});
    }
    uLongf packed = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> idat(packed);
    compress(idat.data(), &packed, raw.data(), static_cast<uLong>(raw.size()));
    idat.resize(packed);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    Be32(ihdr, static_cast<uint32_t>(width));
    Be32(ihdr, static_cast<uint32_t>(height));
    ihdr.insert(ihdr.end(), {8, 4, 0, 0, 0});  // 8 bits, grey and alpha
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", idat);
    Chunk(png, "IEND", {});
    WriteFileBytes(path.toStdString(), png);
}

void WriteCmykJpeg(const QString& path, int width, int height, const Ink& ink) {
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, out);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    c.write_Adobe_marker = TRUE;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4, 255);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x)  // no C, M or Y; Adobe's inverted K
            row[static_cast<size_t>(x) * 4 + 3] =
                ink(x, static_cast<int>(c.next_scanline)) ? 0 : 255;
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(out);
}

void WriteGif(const QString& path, int width, int height, const Ink& ink) {
    std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
    auto le16 = [&g](int v) {
        g.push_back(static_cast<uint8_t>(v));
        g.push_back(static_cast<uint8_t>(v >> 8));
    };
    le16(width), le16(height);
    g.insert(g.end(), {0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});  // two colours
    g.push_back(0x2C);
    le16(0), le16(0), le16(width), le16(height);
    g.insert(g.end(), {0, 2});  // LZW minimum code size: codes of 3 bits
    // Every two pixels a clear code, so that the codes never grow past 3 bits.
    std::vector<uint8_t> data;
    uint32_t bits = 0;
    int n = 0;
    auto code = [&](uint32_t c) {
        bits |= c << n;
        n += 3;
        while (n >= 8) data.push_back(static_cast<uint8_t>(bits)), bits >>= 8, n -= 8;
    };
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (count++ % 2 == 0) code(4);
            code(ink(x, y) ? 0 : 1);
        }
    code(5);
    if (n > 0) data.push_back(static_cast<uint8_t>(bits));
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t len = std::min<size_t>(255, data.size() - at);
        g.push_back(static_cast<uint8_t>(len));
        g.insert(g.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + len));
    }
    g.insert(g.end(), {0, 0x3B});
    WriteFileBytes(path.toStdString(), g);
}
