// The journal's bytes: records of every kind read back as written; a journal
// cut anywhere or with any byte flipped gives exactly the whole records before
// the damage; records that do not decode, and sizes beyond the bytes there,
// are refused without being believed.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "JournalSamples.h"
#include "common/Crc32.h"
#include "journal/JournalReader.h"
#include "site/ByteOrder.h"
#include "site/SiteFile.h"

namespace {

JournalContents Read(const Bytes& bytes) {
    MemorySource src(bytes);
    return ReadJournal(src);
}

// How many records (begin included) stand whole before `offset`.
size_t WholeRecordsBefore(const std::vector<size_t>& bounds, size_t offset) {
    size_t n = 0;
    while (n + 1 < bounds.size() && bounds[n + 1] <= offset) ++n;
    return n;
}

// The reader gave the begin record and the first `changes` changes, no more.
void ExpectPrefix(const JournalContents& got, size_t records,
                  const std::vector<JournalChange>& all) {
    ASSERT_EQ(got.hasBegin, records > 0);
    if (records == 0) return;
    EXPECT_EQ(got.begin, SampleBegin());
    ASSERT_EQ(got.changes.size(), records - 1);
    for (size_t i = 0; i + 1 < records; ++i) EXPECT_EQ(got.changes[i], all[i]) << i;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A framed record around any payload, with a correct CRC.
Bytes Framed(const Bytes& payload) {
    Bytes frame(8);
    StoreLe32(frame.data(), static_cast<uint32_t>(payload.size()));
    StoreLe32(frame.data() + 4, Crc32(payload.data(), payload.size(), Crc32(frame.data(), 4)));
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

// A bit at a time, as the polynomial says: the yardstick of the kernels.
uint32_t BitwiseCrc(const uint8_t* p, size_t n, uint32_t crc) {
    crc = ~crc;
    for (; n > 0; --n, ++p) {
        crc ^= *p;
        for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace

TEST(Crc32, EveryKernelGivesThePolynomialsCrcAtEveryLengthAndAlignment) {
    std::vector<uint8_t> bytes(20000);
    std::mt19937 rng(7);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
    const uint8_t* p = bytes.data();
    for (const Crc32Kernel kernel :
         {Crc32Kernel::kTables, Crc32Kernel::kClmul, Crc32Kernel::kWide}) {
        if (!Crc32KernelAvailable(kernel)) continue;
        SCOPED_TRACE(static_cast<int>(kernel));
        for (size_t n = 0; n <= 600; ++n)
            for (size_t at : {0, 3})
                ASSERT_EQ(Crc32Using(kernel, p + at, n, 0x01234567u),
                          BitwiseCrc(p + at, n, 0x01234567u))
                    << n << " bytes at " << at;
        ASSERT_EQ(Crc32Using(kernel, p + 1, 19999), BitwiseCrc(p + 1, 19999, 0));
    }
    EXPECT_EQ(Crc32Combine(Crc32(p, 1000), Crc32(p + 1000, 19000), 19000), Crc32(p, 20000));
}

TEST(JournalCodec, RecordsOfEveryKindReadBackAsWritten) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);

    // Read back whole: the next test's cut at the very end.
    const auto changes = SampleChanges();
    const Bytes bytes = EncodeJournal(SampleBegin(), changes);
    EXPECT_FALSE(Read(bytes).savedAs);
    EXPECT_EQ(Hex("50 4C 4A 4E 0D 0A 1A 0A 01 00 10 00"), Bytes(bytes.begin(), bytes.begin() + 12));
    EXPECT_EQ(LoadLe32(bytes.data() + 16), journal::kBeginBytes);

    // A save's record tells where the journal's changes went, until the next change.
    const JournalSaved saved{{1234567, 0xA1B2C3D4, 0x01020304}};
    Bytes withSave = bytes;
    journal::AppendSaved(withSave, saved);
    EXPECT_EQ(withSave.size(), bytes.size() + 8 + journal::kSavedBytes);
    const JournalContents ended = Read(withSave);
    EXPECT_EQ(std::make_pair(ended.end, ended.changes.size()),
              std::make_pair(JournalEnd::Clean, changes.size()));
    EXPECT_EQ(ended.savedAs, saved.binding);
    journal::AppendDeletion(withSave, JournalDeletion{1, 2, 3, 4});
    const JournalContents goneOn = Read(withSave);
    EXPECT_TRUE(!goneOn.savedAs && goneOn.changeEnds.back() == withSave.size());
}

TEST(JournalCodec, AJournalCutOrWithAByteFlippedKeepsEveryWholeRecordBeforeTheDamage) {
    const auto changes = SampleChanges();
    std::vector<size_t> bounds;
    const Bytes bytes = EncodeJournal(SampleBegin(), changes, &bounds);
    for (size_t cut = 0; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const JournalContents got = Read(Bytes(bytes.begin(), bytes.begin() + cut));
        // A start cut short is a torn tail too, not another file.
        const size_t whole = cut < journal::kHeaderBytes ? 0 : WholeRecordsBefore(bounds, cut);
        ExpectPrefix(got, whole, changes);
        EXPECT_EQ(got.end, cut == bounds[whole] ? JournalEnd::Clean : JournalEnd::TornTail);
        EXPECT_TRUE(cut < journal::kHeaderBytes || got.validEnd == bounds[whole]) << got.validEnd;
    }
    // A flipped byte anywhere stops the reader at its record.
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            SCOPED_TRACE("byte " + std::to_string(at) + " ^ " + std::to_string(flip));
            Bytes damaged = bytes;
            damaged[at] ^= flip;
            const JournalContents got = Read(damaged);
            const bool inHeader = at < journal::kHeaderBytes;
            const size_t record = inHeader ? 0 : WholeRecordsBefore(bounds, at);
            ExpectPrefix(got, record, changes);
            if (inHeader)
                EXPECT_EQ(got.end, JournalEnd::NotAJournal);
            else
                EXPECT_TRUE(got.end != JournalEnd::Clean && got.validEnd == bounds[record]);
        }
    }
}

// Records whose CRC is right but whose sizes or contents are not: each ends
// the journal there, and no size is believed beyond the bytes present (a
// 4 GB length or entry count allocates nothing).
TEST(JournalCodec, RecordsThatDoNotDecodeOrOverrunTheFileEndTheJournalAndTooLargeAreNotWritten) {
    const Bytes begin = [] {
        Bytes b;
        journal::AppendBegin(b, SampleBegin());
        return b;
    }();
    const Bytes beginPayload(begin.begin() + 8, begin.end());
    Bytes point;
    journal::AppendPoint(point, std::get<JournalPoint>(SampleChanges()[0]));
    const Bytes pointPayload(point.begin() + 8, point.end());
    auto patched = [](Bytes payload, size_t at, const Bytes& with) {
        std::copy(with.begin(), with.end(), payload.begin() + static_cast<long>(at));
        return payload;
    };
    Bytes withExtraByte = pointPayload;
    withExtraByte.push_back(0);
    Bytes header;
    journal::AppendFileHeader(header);

    struct Case {
        const char* what;
        Bytes records;  // after the file header
        JournalEnd end;
        bool hasBegin;
    };
    const Case cases[] = {
        {"length 0", Hex("00 00 00 00 00 00 00 00"), JournalEnd::Corrupt, false},
        {"length 4 GB", Hex("F0 FF FF FF 00 00 00 00 01"), JournalEnd::Corrupt, false},
        {"length above 16 MB", Hex("01 00 00 01 00 00 00 00 01"), JournalEnd::Corrupt, false},
        {"length past the end", Hex("20 00 00 00 00 00 00 00 01 02 03"), JournalEnd::TornTail,
         false},
        {"unknown kind", Framed(Hex("09 00 00")), JournalEnd::Corrupt, false},
        {"a point before the begin", Framed(pointPayload), JournalEnd::NotAJournal, false},
        {"begin twice", Framed(beginPayload) + Framed(beginPayload), JournalEnd::Corrupt, true},
        {"keepPoints 2", Framed(patched(beginPayload, 17, {2})), JournalEnd::Corrupt, false},
        {"begin a byte short", Framed(Bytes(beginPayload.begin(), beginPayload.end() - 1)),
         JournalEnd::Corrupt, false},
        {"a byte after a point", Framed(beginPayload) + Framed(withExtraByte), JournalEnd::Corrupt,
         true},
        {"entry count 4 G",
         Framed(beginPayload) + Framed(patched(pointPayload, 19, Hex("FF FF FF FF"))),
         JournalEnd::Corrupt, true},
        {"name of 32 bytes", Framed(beginPayload) + Framed(patched(pointPayload, 23, {32})),
         JournalEnd::Corrupt, true},
        {"NUL inside the name", Framed(beginPayload) + Framed(patched(pointPayload, 25, {0})),
         JournalEnd::Corrupt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const JournalContents got = Read(header + c.records);
        EXPECT_EQ(std::make_tuple(got.end, got.hasBegin, got.changes.size(), got.validEnd),
                  std::make_tuple(c.end, c.hasBegin, size_t{0},
                                  journal::kHeaderBytes + (c.hasBegin ? begin.size() : 0)));
    }

    Bytes otherVersion = header;
    otherVersion[8] = 2;
    StoreLe32(otherVersion.data() + 12, Crc32(otherVersion.data(), 12));
    EXPECT_EQ(Read(otherVersion + begin).end, JournalEnd::NotAJournal);

    // A point too large for a record is refused by the writer.
    JournalPoint huge;
    JournalEntry full;
    std::memset(full.macText, 'M', 15);
    std::memset(full.ssid, 'S', 31);
    huge.entries.assign(journal::kMaxPayloadBytes / (13 + 15 + 31) + 1, full);
    Bytes out;
    EXPECT_FALSE(journal::AppendPoint(out, huge));
    EXPECT_TRUE(out.empty());
}
