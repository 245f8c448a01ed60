#include "SiteTestSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

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

void WriteSparseSite(const std::filesystem::path& path, const std::vector<uint8_t>& file,
                     int32_t width, int32_t height, uint32_t sizeImage, uint64_t length) {
    constexpr size_t kInfoAt = 150 + 14;
    const size_t pointsWas = Get32(file, 146);
    std::vector<uint8_t> head(file.begin(), file.begin() + Get32(file, 142));
    Put32(head, kInfoAt + 4, static_cast<uint32_t>(width));
    Put32(head, kInfoAt + 8, static_cast<uint32_t>(height));
    Put32(head, kInfoAt + 20, sizeImage);
    const uint64_t signatureAt = uint64_t{Get32(file, 138)} + 14 + 40 + 1024 + sizeImage;
    const uint64_t pointsAt = signatureAt + 80000;
    Put32(head, 142, static_cast<uint32_t>(signatureAt));
    Put32(head, 146, static_cast<uint32_t>(pointsAt));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const size_t pointsBytes = file.size() - pointsWas;
    const bool written = fd >= 0 &&
                         ::pwrite(fd, head.data(), head.size(), 0) == ssize_t(head.size()) &&
                         ::pwrite(fd, file.data() + pointsWas, pointsBytes, off_t(pointsAt)) ==
                             ssize_t(pointsBytes) &&
                         (length <= pointsAt + pointsBytes || ::ftruncate(fd, off_t(length)) == 0);
    if (fd >= 0) ::close(fd);
    if (!written) throw std::runtime_error("cannot write " + path.string());
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
