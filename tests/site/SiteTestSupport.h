#pragma once
// Helpers shared by the site tests: small site files built in memory, survey
// entries and byte patches (scratch directories come from tests/support).

#include <cstdint>
#include <filesystem>
#include <vector>

#include "ScratchDir.h"
#include "SurveyEntries.h"
#include "aplist/ApList.h"
#include "site/SiteBuilder.h"

// A site file with a width x height plan (palette index = (x + y) % 7).
std::vector<uint8_t> SmallSiteFile(int32_t width = 37, int32_t height = 11,
                                   SiteSectionOrder order = SiteSectionOrder::BitmapFirst);

// SmallSiteFile() with a 151-byte header: one extra byte 0x5A after the
// first 150, every section offset moved on by one.
std::vector<uint8_t> LongerHeaderSiteFile();

// Writes the bitmap-first site `file` to `path` with a map bitmap that
// declares width x height and sizeImage pixel bytes; the signature and
// points sections move behind them, and the file is extended to `length`
// when that is longer. Every byte `file` does not give is a hole, so the file
// takes next to no disk space whatever it declares, and every section check
// passes.
void WriteSparseSite(const std::filesystem::path& path, const std::vector<uint8_t>& file,
                     int32_t width, int32_t height, uint32_t sizeImage, uint64_t length = 0);

// `file` with everything from pointsOffset on replaced by `points`.
std::vector<uint8_t> WithPoints(std::vector<uint8_t> file, const std::vector<uint8_t>& points);

// Little-endian patches into a byte image.
void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at);
