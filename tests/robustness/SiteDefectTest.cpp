// Every defect a site file can carry, one at a time, through the whole Open
// path (header, map bitmap, points): each ends in the message the user sees
// or in a sound result, and never in a crash or a half-loaded site.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>

#include "RobustSupport.h"
#include "SiteTestSupport.h"

namespace {

constexpr size_t kInfoAt = 150 + 14;  // BITMAPINFOHEADER of the map, right behind the header

// A 37 x 11 site with two points: (10, 20) with two APs, (30, 5) with one.
Bytes SiteWithPoints(SiteSectionOrder order = SiteSectionOrder::BitmapFirst) {
    CApList list;
    AddEntry(list, 10, 20, 6, -55, "lab", "TEST", 1);
    AddEntry(list, 10, 20, 11, -70, "lab", "TEST", 2);
    AddEntry(list, 30, 5, 1, -80, "lab", "TEST", 3);
    CSiteRecord site;
    return WithPoints(SmallSiteFile(37, 11, order), EncodePointsSection(site, list));
}

// What Open makes of a file: the first failure's text, or the entries and
// circles that were loaded. A header that is refused must leave the record's
// header image as it was.
struct OpenOutcome : SiteStatus {
    int entries = 0;
    int circles = 0;
    bool headerTouched = false;
};

OpenOutcome Open(IByteSource& src) {
    OpenOutcome o;
    CSiteRecord site;
    std::memset(site.m_header, 0xAB, sizeof site.m_header);
    SiteStatus s = ReadSiteHeader(src, site);
    if (!s.ok)
        for (uint8_t b : site.m_header) o.headerTouched |= b != 0xAB;
    MapBitmap map;
    if (s.ok) s = ReadMapBitmap(src, site.BitmapOffset(), map);
    CApList list;
    if (s.ok) s = ReadPoints(src, site, list, [&](int32_t, int32_t, int16_t) { ++o.circles; });
    static_cast<SiteStatus&>(o) = s;
    o.entries = list.Count();
    return o;
}

OpenOutcome Open(const Bytes& file) {
    MemorySource src(file);
    return Open(src);
}

// Counts the bytes asked of a source: the reader allocates room for what it
// reads, so this is how much of the declared sizes it took in.
class CountingSource : public IByteSource {
public:
    explicit CountingSource(IByteSource& src) : m_src(src) {}
    uint64_t Size() const override { return m_src.Size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override {
        asked += n;
        return m_src.ReadAt(offset, dst, n);
    }
    uint64_t asked = 0;

private:
    IByteSource& m_src;
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// Opens `src` with this process let map only `spare` more bytes meanwhile, so
// that a large allocation fails as it would on a small machine. Under
// AddressSanitizer, whose allocator ends the program instead of failing,
// not at all.
OpenOutcome OpenWithSpare(IByteSource& src, uint64_t spare) {
    rlimit old{};
    const long mappedKb = StatusKb("VmSize");
    bool limited = false;
    if (!kSanitized && mappedKb > 0 && ::getrlimit(RLIMIT_AS, &old) == 0) {
        const rlimit tight{static_cast<rlim_t>(mappedKb) * 1024 + spare, old.rlim_max};
        limited = ::setrlimit(RLIMIT_AS, &tight) == 0;
    }
    const OpenOutcome o = Open(src);
    if (limited) ::setrlimit(RLIMIT_AS, &old);
    return o;
}

// A refusal leaves nothing half-loaded and the header image as it was.
void ExpectRefused(const OpenOutcome& o, const std::string& what) {
    EXPECT_FALSE(o.ok) << what;
    EXPECT_EQ(o.caption, "File Error") << what;
    EXPECT_EQ(o.entries, 0) << what;
    EXPECT_FALSE(o.headerTouched) << what;
}

using Damage = std::function<void(Bytes&)>;
Damage Set16(size_t at, uint16_t v) {
    return [=](Bytes& f) { Put16(f, at, v); };
}
Damage Set32(size_t at, uint32_t v) {
    return [=](Bytes& f) { Put32(f, at, v); };
}
// The header's offset word at `at` one byte beyond the end of the file.
Damage PastTheEnd(size_t at) {
    return [=](Bytes& f) { Put32(f, at, static_cast<uint32_t>(f.size() + 1)); };
}
// `at` bytes into the points section.
Damage SetPoints32(size_t at, uint32_t v) {
    return [=](Bytes& f) { Put32(f, Get32(f, 146) + at, v); };
}
Damage CutPoints(size_t keep) {
    return [=](Bytes& f) { f.resize(Get32(f, 146) + keep); };
}

struct Defect {
    const char* what;
    Damage damage;
    const char* text;  // nullptr: the file opens
    int entries = 0;   // when it opens
    int circles = 0;
};

const char* kNotSite = "Not a Site File.";
const char* kObsolete = "Obsolete Site File, recreate using Quendle";
const char* kHeaderLength = "The header length is below 150 bytes.";
const char* kNot8Bit = "The map bitmap is not an 8-bit, 256-colour bitmap.";
const char* kSides = "The map bitmap's width or height is out of range.";
const char* kImageSmall = "The map bitmap's image size is too small for its rows.";
const char* kBitmapBeyond = "The map bitmap section lies beyond the end of the file.";
const char* kBitmapOffset = "The map bitmap offset lies beyond the end of the file.";
const char* kSizeWords = "The points section's record sizes are below 42 and 41 bytes.";
const char* kNotLast = "The points section is not the last section of the file.";
const char* kInHeader = "A section of the file starts inside the header.";
const char* kOverlap = "The signature section overlaps the map bitmap.";
const char* kMapMemory = "Not enough memory for the site map.";
const char* kPointsMemory = "Not enough memory for the survey points.";

}  // namespace

TEST(SiteDefects, EachDefectEndsInItsMessageOrASoundResult) {
    const std::vector<Defect> defects = {
        {"intact", [](Bytes&) {}, nullptr, 3, 2},
        {"empty file", [](Bytes& f) { f.clear(); }, kNotSite},
        {"short header (100 bytes)", [](Bytes& f) { f.resize(100); },
         "The header is cut short: the file is too small."},
        {"wrong magic", [](Bytes& f) { f[4] = 0x21; }, kNotSite},
        {"wrong magic and version 1 (magic is checked first)",
         [](Bytes& f) { f[5] = 'X', Put16(f, 8, 1); }, kNotSite},
        {"version 0", Set16(8, 0), kObsolete},
        {"version 1", Set16(8, 1), kObsolete},
        {"version 65535", Set16(8, 65535), nullptr, 3, 2},
        {"headerLength 0", Set32(0, 0), kHeaderLength},
        {"headerLength 149", Set32(0, 149), kHeaderLength},
        {"headerLength 151", Set32(0, 151), nullptr, 3, 2},
        {"headerLength 4 GB", Set32(0, 0xFFFFFFFF), nullptr, 3, 2},
        {"bitmapOffset past the end", PastTheEnd(138), kBitmapOffset},
        {"bitmapOffset 4 GB", Set32(138, 0xFFFFFFFF), kBitmapOffset},
        {"signatureOffset past the end", PastTheEnd(142),
         "The signature offset lies beyond the end of the file."},
        {"pointsOffset past the end", PastTheEnd(146),
         "The points offset lies beyond the end of the file."},
        {"bitmap inside the header", Set32(138, 20), kInHeader},
        {"signature inside the header", Set32(142, 100), kInHeader},
        {"biSizeImage 0", Set32(kInfoAt + 20, 0), kImageSmall},
        {"biSizeImage one byte short", Set32(kInfoAt + 20, 40 * 11 - 1), kImageSmall},
        {"biSizeImage huge", Set32(kInfoAt + 20, 0xFFFFFFF0), kBitmapBeyond},
        {"biSizeImage past the end",
         [](Bytes& f) { Put32(f, kInfoAt + 20, static_cast<uint32_t>(f.size())); }, kBitmapBeyond},
        {"1 bit per pixel", Set16(kInfoAt + 14, 1), kNot8Bit},
        {"4 bits per pixel", Set16(kInfoAt + 14, 4), kNot8Bit},
        {"24 bits per pixel", Set16(kInfoAt + 14, 24), kNot8Bit},
        {"32 bits per pixel", Set16(kInfoAt + 14, 32), kNot8Bit},
        {"RLE8 compressed", Set32(kInfoAt + 16, 1), "The map bitmap is compressed."},
        {"width 0", Set32(kInfoAt + 4, 0), kSides},
        {"height 0", Set32(kInfoAt + 8, 0), kSides},
        {"width negative", Set32(kInfoAt + 4, static_cast<uint32_t>(-37)), kSides},
        {"height negative (top-down rows)", Set32(kInfoAt + 8, static_cast<uint32_t>(-11)), nullptr,
         3, 2},
        {"width 32768", Set32(kInfoAt + 4, 32768), kSides},
        {"height 100000", Set32(kInfoAt + 8, 100000), kSides},
        {"height -32768", Set32(kInfoAt + 8, static_cast<uint32_t>(-32768)), kSides},
        {"height -2147483648", Set32(kInfoAt + 8, 0x80000000u), kSides},
        {"point size word 0", SetPoints32(0, 0), kSizeWords},
        {"AP size word 0", SetPoints32(4, 0), kSizeWords},
        {"point size word 41", SetPoints32(0, 41), kSizeWords},
        {"AP size word 40", SetPoints32(4, 40), kSizeWords},
        // 43: every record is taken one byte longer, so the walk drifts and
        // stops where a record no longer fits; what was read is kept.
        {"point size word 43", SetPoints32(0, 43), nullptr, 2, 2},
        {"point size word 4 GB", SetPoints32(0, 0xFFFFFFFF), nullptr, 0, 0},
        // No AP record fits: the first point's records end at once (its
        // circle is still painted) and the short read ends the walk, so no
        // AP bytes are taken for point records.
        {"AP size word 4 GB", SetPoints32(4, 0xFFFFFFFF), nullptr, 0, 1},
        {"points section of one size word", CutPoints(4), nullptr, 0, 0},
        {"cut inside the first point record", CutPoints(8 + 20), nullptr, 0, 0},
        {"cut inside the last AP record", [](Bytes& f) { f.resize(f.size() - 1); }, nullptr, 2, 2},
        {"cut inside the second point record", CutPoints(8 + 42 + 2 * 41 + 10), nullptr, 2, 1},
        {"apCount larger than the records there",
         [](Bytes& f) { Put16(f, Get32(f, 146) + 8 + 40, 60000); }, nullptr, 4, 1},
        {"points section before the bitmap", [](Bytes& f) { Put32(f, 146, Get32(f, 138)); },
         kNotLast},
        {"points section one byte into the signature",
         [](Bytes& f) { Put32(f, 146, Get32(f, 146) - 1); }, kNotLast},
        {"signature over the bitmap", [](Bytes& f) { Put32(f, 142, Get32(f, 138) + 14); },
         kOverlap},
        {"signature over the bitmap's last bytes",
         [](Bytes& f) { Put32(f, 142, Get32(f, 142) - 8); }, kOverlap},
    };
    for (const Defect& d : defects) {
        Bytes file = SiteWithPoints();
        d.damage(file);
        const OpenOutcome o = Open(file);
        if (d.text == nullptr) {
            EXPECT_TRUE(o.ok) << d.what << ": " << o.text;
            EXPECT_EQ(o.entries, d.entries) << d.what;
            EXPECT_EQ(o.circles, d.circles) << d.what;
        } else {
            ExpectRefused(o, d.what);
            EXPECT_EQ(o.text, d.text) << d.what;
        }
    }
}

TEST(SiteDefects, EveryPrefixOfASiteFileOpensOrIsRefusedWithAMessage) {
    // Cut at every byte of the header and the points, and at steps elsewhere.
    const Bytes whole = SiteWithPoints(SiteSectionOrder::SignatureFirst);
    const size_t pointsAt = Get32(whole, 146);
    for (size_t cut = 0; cut < whole.size(); cut += (cut < 200 || cut >= pointsAt) ? 1 : 997) {
        const OpenOutcome o = Open(Bytes(whole.begin(), whole.begin() + cut));
        if (!o.ok) {
            ExpectRefused(o, std::to_string(cut));
            EXPECT_FALSE(o.text.empty()) << cut;
        } else {
            EXPECT_GE(cut, pointsAt) << "a file without its points section opened";
            EXPECT_LE(o.entries, 3) << cut;
        }
    }
}

// Sizes beyond what memory holds, declared by sparse files that pass every
// section check: only the bytes the rows need are read, and a map or a points
// section that memory could not hold is refused before it is allocated.
TEST(SiteDefects, SizesBeyondMemoryAreReadNoFurtherThanNeededOrRefused) {
    constexpr uint64_t kSpare = 64 << 20;
    const struct {
        const char* what;
        int32_t width, height;
        uint32_t sizeImage;
        uint64_t length;   // 0: the file ends after its points
        uint64_t spare;    // 0: address space as it is
        const char* text;  // nullptr: the file opens with all its points
    } cases[] = {
        {"biSizeImage 3.5 GB behind 37 x 11 rows", 37, 11, 0xE0000000u, 0, 0, nullptr},
        {"32767 x 32767 map (more than 2^28 pixels)", 32767, 32767, 32768u * 32767u, 0, 0,
         kMapMemory},
        {"16384 x 16384 map with 64 MB of address space to spare", 16384, 16384, 16384u * 16384u, 0,
         kSpare, kMapMemory},
        {"points section of 1 TB", 37, 11, 40 * 11, uint64_t{1} << 40, 0, kPointsMemory},
    };
    for (const auto& c : cases) {
        if (c.spare != 0 && kSanitized) continue;
        ScratchDir dir;
        const auto path = dir.Path() / "sparse.hss";
        WriteSparseSite(path, SiteWithPoints(), c.width, c.height, c.sizeImage, c.length);
        FileSource file(path.string());
        CountingSource counted(file);
        const OpenOutcome o = c.spare != 0 ? OpenWithSpare(counted, c.spare) : Open(counted);
        EXPECT_EQ(o.ok, c.text == nullptr) << c.what;
        EXPECT_EQ(o.text, c.text ? c.text : "") << c.what;
        EXPECT_EQ(o.entries, c.text ? 0 : 3) << c.what;
        EXPECT_LT(counted.asked, 1u << 20) << c.what;
    }
}
