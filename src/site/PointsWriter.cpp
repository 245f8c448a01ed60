#include <algorithm>
#include <cstring>

#include "aplist/ApList.h"
#include "site/ByteOrder.h"
#include "site/SiteFile.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

using namespace sitelayout;

// Text up to its NUL (at most 31 bytes) followed by zeros to the field's end.
void PutText(uint8_t* field, const char* text, size_t capacity) {
    std::memset(field, 0, kTextField);
    const size_t limit = std::min<size_t>(capacity, kTextField) - 1;
    for (size_t i = 0; i < limit && text[i] != '\0'; ++i) field[i] = static_cast<uint8_t>(text[i]);
}

void FillPointRecord(uint8_t* rec, const ApRecord& e) {
    StoreLe32(rec + kPointX, static_cast<uint32_t>(e.x));
    StoreLe32(rec + kPointY, static_cast<uint32_t>(e.y));
    PutText(rec + kPointName, e.pointName, sizeof e.pointName);
    StoreLe16(rec + kPointApCount, 0);
}

void FillApRecord(uint8_t* rec, const ApRecord& e) {
    rec[kApChannel] = e.channel;
    // A value outside what rssi256 can hold is clamped rather than wrapped, so
    // that a strong reading never turns into a weak one in the file.
    const int64_t dbm = std::clamp<int64_t>(e.rssi, -128, 127);
    StoreLe16(rec + kApRssi256, static_cast<uint16_t>(static_cast<int16_t>(dbm * 256)));
    std::memcpy(rec + kApMac, e.mac, 6);
    PutText(rec + kApSsid, e.ssid, sizeof e.ssid);
}

void Append(std::vector<uint8_t>& out, const uint8_t* bytes, size_t n) {
    out.insert(out.end(), bytes, bytes + n);
}

}  // namespace

std::vector<uint8_t> EncodePointsSection(CSiteRecord& site, const CApList& list) {
    site.m_pointRecordSize = kPointRecordSize;
    site.m_apRecordSize = kApRecordSize;

    std::vector<uint8_t> out;
    out.reserve(kSizeWordsBytes + static_cast<size_t>(list.Count()) * (kApRecordSize + 8));
    uint8_t words[kSizeWordsBytes];
    StoreLe32(words, site.m_pointRecordSize);
    StoreLe32(words + 4, site.m_apRecordSize);
    Append(out, words, sizeof words);

    bool haveOpen = false;
    size_t openAt = 0;  // where the open point record stands in `out`
    uint16_t apCount = 0;
    auto closeOpen = [&] {
        StoreLe16(site.m_pointRec + kPointApCount, apCount);
        std::memcpy(out.data() + openAt, site.m_pointRec, kPointRecordSize);
    };

    for (const ApRecord* e = list.First(); e != nullptr;
         e = e->next == list.Sentinel() ? nullptr : e->next) {
        // A full 16-bit count also opens a new record at the same position:
        // a wrapped count would make a reader take AP records for points.
        const bool opens = !haveOpen ||
                           e->x != static_cast<int32_t>(LoadLe32(site.m_pointRec + kPointX)) ||
                           e->y != static_cast<int32_t>(LoadLe32(site.m_pointRec + kPointY)) ||
                           e->channel == 0 || apCount == 0xFFFF;
        if (opens) {
            if (haveOpen) closeOpen();
            FillPointRecord(site.m_pointRec, *e);
            openAt = out.size();
            Append(out, site.m_pointRec, kPointRecordSize);
            apCount = 0;
            haveOpen = true;
        }
        if (e->channel != 0) {
            FillApRecord(site.m_apRec, *e);
            Append(out, site.m_apRec, kApRecordSize);
            ++apCount;
        }
    }
    if (haveOpen) closeOpen();
    return out;
}

std::vector<uint8_t> EncodeSignature(const SignaturePixelFn& pixel) {
    std::vector<uint8_t> out(kSignatureBytes);
    uint8_t* p = out.data();
    for (int y = static_cast<int>(kSignatureHeight) - 1; y >= 0; --y) {
        for (int x = 0; x < static_cast<int>(kSignatureWidth); ++x, p += 4)
            StoreLe32(p, pixel(x, y));
    }
    return out;
}
