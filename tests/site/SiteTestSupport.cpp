#include "SiteTestSupport.h"

#include <cstring>

std::vector<uint8_t> SmallSiteFile(int32_t width, int32_t height, SiteSectionOrder order) {
    NewSitePlan plan;
    plan.width = width;
    plan.height = height;
    for (uint32_t i = 0; i < 256; ++i) plan.colorTable[i] = i * 0x010101u;
    plan.fillRow = [width](int32_t y, uint8_t* row) {
        for (int32_t x = 0; x < width; ++x) row[x] = static_cast<uint8_t>((x + y) % 7);
    };
    return BuildSiteFile(plan, 1000, order);
}

std::vector<uint8_t> LongerHeaderSiteFile() {
    auto file = SmallSiteFile();
    file.insert(file.begin() + 150, 0x5A);
    Put32(file, 0, 151);
    for (size_t at : {138u, 142u, 146u}) Put32(file, at, Get32(file, at) + 1);
    return file;
}

std::vector<uint8_t> WithPoints(std::vector<uint8_t> file, const std::vector<uint8_t>& points) {
    file.resize(Get32(file, 146));
    file.insert(file.end(), points.begin(), points.end());
    return file;
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t{bytes[at]} | (uint32_t{bytes[at + 1]} << 8) | (uint32_t{bytes[at + 2]} << 16) |
           (uint32_t{bytes[at + 3]} << 24);
}
