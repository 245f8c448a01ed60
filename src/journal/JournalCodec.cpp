// Records of the survey journal to bytes and back (layout in JournalFormat.h).

#include <cstring>

#include "common/Crc32.h"
#include "journal/JournalFormat.h"
#include "site/ByteOrder.h"

namespace journal {

namespace {

size_t TextLength(const char* text, size_t max) { return strnlen(text, max); }

// Appends fields to a payload.
class Put {
public:
    explicit Put(std::vector<uint8_t>& out) : m_out(out) {}
    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v) { StoreLe16(Grow(2), v); }
    void U32(uint32_t v) { StoreLe32(Grow(4), v); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U64(uint64_t v) { StoreLe64(Grow(8), v); }
    void Raw(const void* p, size_t n) { std::memcpy(Grow(n), p, n); }
    void Text(const char* text, size_t max) {
        const size_t n = TextLength(text, max);
        U8(static_cast<uint8_t>(n));
        Raw(text, n);
    }

private:
    uint8_t* Grow(size_t n) {
        m_out.resize(m_out.size() + n);
        return m_out.data() + m_out.size() - n;
    }
    std::vector<uint8_t>& m_out;
};

// Takes fields from a payload; once a field does not fit, everything after
// reads as zero and ok() stays false.
class Take {
public:
    Take(const uint8_t* p, size_t n) : m_p(p), m_left(n) {}
    bool ok() const { return m_ok; }
    size_t left() const { return m_left; }
    uint8_t U8() { return Field(1) ? m_at[0] : 0; }
    uint16_t U16() { return Field(2) ? LoadLe16(m_at) : 0; }
    uint32_t U32() { return Field(4) ? LoadLe32(m_at) : 0; }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint64_t U64() { return Field(8) ? LoadLe64(m_at) : 0; }
    void Raw(void* dst, size_t n) {
        if (Field(n)) std::memcpy(dst, m_at, n);
    }
    // A text of at most `max` bytes without a NUL into a zeroed field.
    template <size_t N>
    void Text(char (&field)[N], size_t max) {
        static_assert(N > 0);
        std::memset(field, 0, N);
        const size_t n = U8();
        if (n > max || n >= N) m_ok = false;
        if (!m_ok || !Field(n)) return;
        if (std::memchr(m_at, 0, n) != nullptr) m_ok = false;
        std::memcpy(field, m_at, n);
    }

private:
    bool Field(size_t n) {
        if (!m_ok || n > m_left) {
            m_ok = false;
            return false;
        }
        m_at = m_p;
        m_p += n;
        m_left -= n;
        return true;
    }
    const uint8_t* m_p;
    const uint8_t* m_at = nullptr;
    size_t m_left;
    bool m_ok = true;
};

// Puts the frame in front of the payload that stands at out[start + 8 ...].
void CloseFrame(std::vector<uint8_t>& out, size_t start) {
    uint8_t* frame = out.data() + start;
    const size_t payload = out.size() - start - kFrameBytes;
    StoreLe32(frame, static_cast<uint32_t>(payload));
    StoreLe32(frame + 4, Crc32(frame + kFrameBytes, payload, Crc32(frame, 4)));
}

// The binding as a begin and a saved record both carry it.
void PutBinding(Put& put, const JournalBinding& binding) {
    put.U64(binding.siteSize);
    put.U32(binding.lastSaveTime);
    put.U32(binding.contentCrc);
}

JournalBinding TakeBinding(Take& take) {
    JournalBinding binding;
    binding.siteSize = take.U64();
    binding.lastSaveTime = take.U32();
    binding.contentCrc = take.U32();
    return binding;
}

size_t OpenFrame(std::vector<uint8_t>& out) {
    const size_t start = out.size();
    out.resize(start + kFrameBytes);
    return start;
}

}  // namespace

void AppendFileHeader(std::vector<uint8_t>& out) {
    Put put(out);
    const size_t start = out.size();
    put.Raw(kMagic, sizeof kMagic);
    put.U16(kVersion);
    put.U16(kHeaderBytes);
    put.U32(Crc32(out.data() + start, 12));
}

bool FileHeaderIsValid(const uint8_t* header) {
    return std::memcmp(header, kMagic, sizeof kMagic) == 0 && LoadLe16(header + 8) == kVersion &&
           LoadLe16(header + 10) == kHeaderBytes && LoadLe32(header + 12) == Crc32(header, 12);
}

void AppendBegin(std::vector<uint8_t>& out, const JournalBegin& begin) {
    const size_t start = OpenFrame(out);
    Put put(out);
    put.U8(static_cast<uint8_t>(Kind::Begin));
    PutBinding(put, begin.binding);
    put.U8(begin.keepPoints ? 1 : 0);
    put.I32(begin.locationCount);
    put.I32(begin.apCount);
    CloseFrame(out, start);
}

bool AppendPoint(std::vector<uint8_t>& out, const JournalPoint& point) {
    uint64_t bytes = kPointFixedBytes + TextLength(point.name, kMaxName);
    for (const JournalEntry& e : point.entries)
        bytes +=
            kEntryFixedBytes + TextLength(e.macText, kMaxMacText) + TextLength(e.ssid, kMaxName);
    if (bytes > kMaxPayloadBytes) return false;

    out.reserve(out.size() + kFrameBytes + static_cast<size_t>(bytes));
    const size_t start = OpenFrame(out);
    Put put(out);
    put.U8(static_cast<uint8_t>(Kind::Point));
    put.I32(point.x);
    put.I32(point.y);
    put.U16(static_cast<uint16_t>(point.strength));
    put.I32(point.locationCount);
    put.I32(point.apCount);
    put.U32(static_cast<uint32_t>(point.entries.size()));
    put.Text(point.name, kMaxName);
    for (const JournalEntry& e : point.entries) {
        put.U8(e.channel);
        put.I32(e.rssi);
        put.Raw(e.mac, sizeof e.mac);
        put.Text(e.macText, kMaxMacText);
        put.Text(e.ssid, kMaxName);
    }
    CloseFrame(out, start);
    return true;
}

void AppendDeletion(std::vector<uint8_t>& out, const JournalDeletion& d) {
    const size_t start = OpenFrame(out);
    Put put(out);
    put.U8(static_cast<uint8_t>(Kind::Deletion));
    put.I32(d.firstIndex);
    put.I32(d.x);
    put.I32(d.y);
    put.I32(d.removed);
    CloseFrame(out, start);
}

void AppendSaved(std::vector<uint8_t>& out, const JournalSaved& saved) {
    const size_t start = OpenFrame(out);
    Put put(out);
    put.U8(static_cast<uint8_t>(Kind::Saved));
    PutBinding(put, saved.binding);
    CloseFrame(out, start);
}

bool DecodePayload(const uint8_t* payload, size_t n, Decoded& out) {
    Take take(payload, n);
    switch (static_cast<Kind>(take.U8())) {
        case Kind::Begin: {
            JournalBegin b;
            b.binding = TakeBinding(take);
            const uint8_t keep = take.U8();
            b.keepPoints = keep == 1;
            b.locationCount = take.I32();
            b.apCount = take.I32();
            if (keep > 1) return false;
            out = b;
            break;
        }
        case Kind::Point: {
            JournalPoint p;
            p.x = take.I32();
            p.y = take.I32();
            p.strength = static_cast<int16_t>(take.U16());
            p.locationCount = take.I32();
            p.apCount = take.I32();
            const uint32_t count = take.U32();
            take.Text(p.name, kMaxName);
            // The count is believed only as far as the bytes can hold entries.
            if (!take.ok() || count > take.left() / kEntryFixedBytes) return false;
            p.entries.resize(count);
            for (JournalEntry& e : p.entries) {
                e.channel = take.U8();
                e.rssi = take.I32();
                take.Raw(e.mac, sizeof e.mac);
                take.Text(e.macText, kMaxMacText);
                take.Text(e.ssid, kMaxName);
            }
            out = std::move(p);
            break;
        }
        case Kind::Deletion: {
            JournalDeletion d;
            d.firstIndex = take.I32();
            d.x = take.I32();
            d.y = take.I32();
            d.removed = take.I32();
            out = d;
            break;
        }
        case Kind::Saved: {
            JournalSaved saved;
            saved.binding = TakeBinding(take);
            out = saved;
            break;
        }
        default:
            return false;
    }
    return take.ok() && take.left() == 0;
}

}  // namespace journal
