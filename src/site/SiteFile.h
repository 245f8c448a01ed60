#pragma once
// The ".hss" site-file codec on byte streams: reading the header, the map
// bitmap section and the points section; building the header, the signature
// section and the points section for a save. No Qt, no platform.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "site/SiteLayout.h"

class CApList;
class CSiteRecord;
class CSharedPieces;

// What a reader or writer tells the user. `ok` false: show `text` under
// `caption` ("File Error", "File Open Error", "Site Update Error"). The text's
// first line says what failed; a second line names the file (and, for a
// save, the reason): "Not a Site File.\n/media/sd/office.hss".
struct [[nodiscard]] SiteStatus {
    bool ok = true;
    std::string caption;
    std::string text;
    int error = 0;  // the errno behind a failed system call, else 0
    static SiteStatus Ok() { return {}; }
    static SiteStatus Fail(std::string caption, std::string text, int error = 0) {
        return {false, std::move(caption), std::move(text), error};
    }
};

// `status` with the file's path as a line of its own below its text, when it
// failed and `path` is not empty.
SiteStatus NamingFile(SiteStatus status, const std::string& path);

inline constexpr const char* kNotSiteFileText = "Not a Site File.";
inline constexpr const char* kObsoleteSiteText = "Obsolete Site File, recreate using Quendle";
inline constexpr const char* kFileErrorCaption = "File Error";
inline constexpr const char* kMapMemoryText = "Not enough memory for the site map.";
inline constexpr const char* kPointsMemoryText = "Not enough memory for the survey points.";

// Random-access bytes: a file, or bytes in memory.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to n bytes at offset; returns how many were read.
    virtual size_t ReadAt(uint64_t offset, void* dst, size_t n) = 0;
    // The path the bytes come from, for messages; empty for bytes in memory.
    virtual std::string Name() const { return {}; }
};

class MemorySource : public IByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    MemorySource(const uint8_t* data, size_t size) : m_bytes(data, data + size) {}
    uint64_t Size() const override { return m_bytes.size(); }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override;
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// A file opened read-only; `status` says why opening failed (errno text
// under "File Open Error", the path below it).
class FileSource : public IByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    const SiteStatus& Status() const { return m_status; }
    uint64_t Size() const override { return m_size; }
    size_t ReadAt(uint64_t offset, void* dst, size_t n) override;
    std::string Name() const override { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    uint64_t m_size = 0;
    SiteStatus m_status;
};

// Bytes allocated without throwing: their count comes from a file, and a
// file may ask for more than memory holds; that must end in a message.
// Blocks of 2 MB and more (a plan) are asked for on huge pages where the
// kernel gives them on request (transparent huge pages "madvise"): reading
// a plan then faults once per 2 MB rather than once per 4 kB, which on a
// virtual machine costs far more than the copy (docs/performance.md).
class ByteBlock {
public:
    // False, and nothing held, when memory runs out.
    [[nodiscard]] bool Allocate(size_t n);
    uint8_t* data() { return m_bytes.get(); }
    const uint8_t* data() const { return m_bytes.get(); }
    size_t size() const { return m_size; }

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, Free> m_bytes;
    size_t m_size = 0;
};

// The map bitmap section: an 8-bit, 256-colour device-independent bitmap.
struct MapBitmap {
    int32_t width = 0;
    int32_t height = 0;             // always positive here
    bool topDown = false;           // the file's biHeight was negative
    uint32_t colorTable[256] = {};  // 0x00RRGGBB, from the RGBQUAD entries
    uint32_t stride = 0;            // bytes per row, rows aligned to 4 bytes
    uint32_t sizeImage = 0;         // biSizeImage as the file declares it
    ByteBlock bits;                 // the rows as stored: stride x height bytes
    uint32_t bitsCrc = 0;           // CRC-32 of `bits`, taken as they were read
    // The section's first 1,078 bytes as stored: BITMAPFILEHEADER,
    // BITMAPINFOHEADER and the 256 RGBQUAD entries (which give colorTable).
    uint8_t storedPrefix[sitelayout::kBitmapPrefixBytes] = {};
    // The palette indices of world row y (0 at the top): the rows stay as
    // the file stores them, bottom-up ones are found by their index.
    const uint8_t* Row(int32_t y) const {
        const int32_t row = topDown ? y : height - 1 - y;
        return bits.data() + static_cast<size_t>(row) * stride;
    }
    // Palette index of pixel (x, y) in world coordinates (y = 0 at the top).
    uint8_t IndexAt(int32_t x, int32_t y) const { return Row(y)[x]; }
    // Rows and sides that hold together (a bitmap from ReadMapBitmap does).
    bool IsWhole() const {
        return width > 0 && height > 0 && stride >= static_cast<uint32_t>(width) &&
               bits.data() != nullptr &&
               bits.size() >= static_cast<size_t>(stride) * static_cast<size_t>(height);
    }
};

// Reads and checks the header into site.m_header (magic first, then version,
// then headerLength and the offsets) and notes the plan's size in `site`.
// Nothing else of `site` changes, and nothing at all when the file is
// refused. Every failure of a reader names the source's file (Name()).
SiteStatus ReadSiteHeader(IByteSource& src, CSiteRecord& site);

// Reads and checks the map bitmap section at `offset`. Only the bytes the
// rows need are read; the rest of biSizeImage is skipped. The rows are read
// in pieces, each checksummed right after it lands (bitsCrc), while it is
// still in the processor's cache; with `shared`, by this thread and the
// one that helps it. A map of more than sitelayout::kMaxMapPixels, or whose
// rows cannot be allocated, gives kMapMemoryText.
SiteStatus ReadMapBitmap(IByteSource& src, uint32_t offset, MapBitmap& out,
                         CSharedPieces* shared = nullptr);

// Reads the points section at site.PointsOffset(): appends survey entries to
// `into` and calls `circle` once per point group with its position and
// strength. A short read ends quietly; returns a failure for size words
// below 42 / 41, and kPointsMemoryText for a section whose entries could not
// all be held in memory (refused before any is made, when its length alone
// says so).
using CircleSink = std::function<void(int32_t x, int32_t y, int16_t strength)>;
SiteStatus ReadPoints(IByteSource& src, CSiteRecord& site, CApList& into, const CircleSink& circle);

// Counts of the points section without building survey entries (for tools):
// the size words found and the complete point and AP records. Fails like
// ReadPoints on size words below 42 / 41.
struct PointsTally {
    uint32_t pointRecordSize = 0;  // 0 when the section has no size words
    uint32_t apRecordSize = 0;
    uint64_t pointGroups = 0;
    uint64_t apRecords = 0;
};
SiteStatus TallyPoints(IByteSource& src, const CSiteRecord& site, PointsTally& tally);

// The signature section: 200 x 100 pixels as 20,000 little-endian words
// (0x00000000 ink, 0x00FFFFFF paper), bottom row first.
using SignaturePixelFn = std::function<uint32_t(int x, int y)>;
std::vector<uint8_t> EncodeSignature(const SignaturePixelFn& pixel);
// The pixels (0x00RRGGBB) of a section's kSignatureBytes bytes, top row
// first, x running fastest.
std::vector<uint32_t> DecodeSignature(const uint8_t* section);
// The pixels of the signature section of `site`'s file, or nothing when the
// file does not hold the section whole.
std::vector<uint32_t> ReadSignature(IByteSource& src, const CSiteRecord& site);

// Sets resetOnSave 0 and lastSaveTime in the header image.
void PrepareHeaderForSave(CSiteRecord& site, uint32_t now);

// The whole points section (size words and point groups) for `list`.
std::vector<uint8_t> EncodePointsSection(CSiteRecord& site, const CApList& list);
// The same into `out` (cleared first; its capacity is reused).
void EncodePointsSection(CSiteRecord& site, const CApList& list, std::vector<uint8_t>& out);
