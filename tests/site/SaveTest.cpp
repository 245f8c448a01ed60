// SaveSiteFile: the bytes it leaves equal an in-place save. Failing file
// calls and a full disk are in tests/robustness/SaveFaultTest.cpp.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include "SiteTestSupport.h"
#include "journal/JournalFormat.h"
#include "journal/SiteBinding.h"
#include "site/SiteFile.h"
#include "site/SiteFingerprint.h"
#include "site/SiteRecord.h"
#include "site/SiteSave.h"

namespace fs = std::filesystem;

namespace {

uint32_t Ink(int x, int y) { return (x == y || x == 199 - y) ? 0u : 0x00FFFFFFu; }

// What the old handheld's in-place save leaves: header and signature written
// over the old bytes, the file cut at pointsOffset, the points appended. Of
// the header only the reset flag (cleared) and the save time change.
std::vector<uint8_t> InPlaceSave(std::vector<uint8_t> file, CSiteRecord site, const CApList& list,
                                 uint32_t now) {
    auto put = [&](size_t at, const std::vector<uint8_t>& bytes) {
        if (file.size() < at + bytes.size()) file.resize(at + bytes.size(), 0);
        std::memcpy(file.data() + at, bytes.data(), bytes.size());
    };
    // The header as the file holds it: bytes the program does not read must
    // come through the save all the same.
    std::vector<uint8_t> header(file.begin(), file.begin() + 150);
    header[12] = 0;
    Put32(header, 134, now);
    put(0, header);
    put(site.SignatureOffset(), EncodeSignature(Ink));
    file.resize(site.PointsOffset(), 0);
    put(site.PointsOffset(), EncodePointsSection(site, list));
    return file;
}

// An opened site with some history: uninterpreted header bytes, an old
// signature, old points and trailing bytes after them.
struct OpenedSite {
    ScratchDir dir;
    fs::path path;
    std::vector<uint8_t> original;
    CSiteRecord site;
    MapBitmap plan;
    CApList list;

    explicit OpenedSite(std::vector<uint8_t> file = SmallSiteFile()) {
        CApList old;
        AddEntry(old, 1, 2, 3, -44);
        original = WithPoints(std::move(file), EncodePointsSection(site, old));
        for (size_t i = 13; i < 134; ++i) original[i] = static_cast<uint8_t>(i * 7);
        original[10] = 0xC3;
        original[12] = 1;
        original.insert(original.end(), {'t', 'a', 'i', 'l'});
        path = dir.Write("site.hss", original);
        ::chmod(path.c_str(), 0640);
        // Read as Open reads it, fingerprint included.
        MemorySource src(original);
        EXPECT_TRUE(ReadSiteHeader(src, site).ok);
        EXPECT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), plan).ok);
        SiteFingerprint read;
        EXPECT_TRUE(TakeSiteFingerprint(src, site, PlanBytes(), read, &plan).ok);
        site.m_fileFingerprint = read;
        for (int channel : {6, 1}) AddEntry(list, 100, 200, channel, channel == 6 ? -55 : -70);
        AddEntry(list, 7, 8, 0, 0, "FILL", "FILL");
    }

    uint64_t PlanBytes() const { return 1078 + plan.bits.size(); }
    // The fingerprint of `file` as the open record's sections lay it out.
    SiteFingerprint FingerprintOf(const std::vector<uint8_t>& file) {
        MemorySource src(file);
        SiteFingerprint taken;
        EXPECT_TRUE(TakeSiteFingerprint(src, site, PlanBytes(), taken).ok);
        return taken;
    }
    size_t FilesInDir() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir.Path()), {}));
    }
};

}  // namespace

TEST(SaveSiteFile, LeavesExactlyTheBytesOfAnInPlaceSave) {
    // Root gives the file another owner and a set-user-id bit, which a change
    // of owner would clear: the new file must keep all three.
    const bool root = ::geteuid() == 0;
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        bool throughLink;  // saved by a symbolic link's name: its target replaced
    } cases[] = {
        {"bitmap first", SmallSiteFile(), false},
        {"signature first", SmallSiteFile(37, 11, SiteSectionOrder::SignatureFirst), false},
        {"151-byte header, its excess kept", LongerHeaderSiteFile(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenedSite s(c.file);
        if (root) {
            ASSERT_EQ(::chown(s.path.c_str(), 4321, 8765), 0);
            ASSERT_EQ(::chmod(s.path.c_str(), 04640), 0);
        }
        const fs::path name = c.throughLink ? s.dir.Path() / "link.hss" : s.path;
        if (c.throughLink) fs::create_symlink(s.path, name);
        const auto expected = InPlaceSave(s.original, s.site, s.list, 0x01020304);
        const SiteStatus status = SaveSiteFile(name.string(), s.site, Ink, s.list, 0x01020304);
        ASSERT_TRUE(status.ok) << status.text;
        EXPECT_EQ(fs::is_symlink(name), c.throughLink);
        const auto saved = ReadFileBytes(s.path);
        EXPECT_EQ(saved, expected);
        // The open record holds the header as saved.
        EXPECT_EQ(0, std::memcmp(s.site.m_header, saved.data(), 150));
        EXPECT_EQ(s.FilesInDir(), c.throughLink ? 2u : 1u);
        struct stat st {};
        ASSERT_EQ(::stat(s.path.c_str(), &st), 0);
        EXPECT_EQ(std::make_tuple(st.st_mode & 07777, st.st_uid, st.st_gid),
                  root ? std::make_tuple(04640u, 4321u, 8765u)
                       : std::make_tuple(0640u, ::geteuid(), st.st_gid));
    }
}

TEST(SaveSiteFile, FailsWhenTheFileVanishedOrWasNeverOpened) {
    OpenedSite s, t;
    fs::remove(s.path);
    EXPECT_EQ(SaveSiteFile(s.path.string(), s.site, Ink, s.list, 9).text,
              "Could not update site\n" + s.path.string() +
                  ": The file was removed or renamed since it was opened");
    EXPECT_EQ(s.FilesInDir(), 0u);
    CSiteRecord neverOpened;
    EXPECT_FALSE(SaveSiteFile(t.path.string(), neverOpened, Ink, t.list, 9).ok);
    EXPECT_EQ(ReadFileBytes(t.path), t.original);
    EXPECT_FALSE(SaveSiteFile("", t.site, Ink, t.list, 9).ok);
}

TEST(SaveSiteFile, RefusesAFileChangedOnDiskSinceItsFingerprintWasTaken) {
    using Change = std::function<void(std::vector<uint8_t>&, const CSiteRecord&)>;
    const struct {
        const char* what;
        Change change;  // null: the file is as it was read
    } cases[] = {
        {"as read", nullptr},
        {"header", [](auto& b, auto&) { b[134] ^= 1; }},
        {"palette", [](auto& b, const CSiteRecord& s) { b[s.BitmapOffset() + 60] ^= 1; }},
        {"plan pixel", [](auto& b, const CSiteRecord& s) { b[s.BitmapOffset() + 1078 + 5] ^= 1; }},
        {"points", [](auto& b, const CSiteRecord& s) { b[s.PointsOffset() + 8] ^= 1; }},
        {"a byte more", [](auto& b, auto&) { b.push_back(0); }},
        {"another site", [](auto& b, auto&) { b = SmallSiteFile(40, 12); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenedSite s;
        const auto read = s.site.m_fileFingerprint;
        std::vector<uint8_t> onDisk = s.original;
        if (c.change) c.change(onDisk, s.site);
        WriteFileBytes(s.path, onDisk);

        const SiteStatus status = SaveSiteFile(s.path.string(), s.site, Ink, s.list, 77);
        if (c.change) {
            EXPECT_EQ(std::make_pair(status.ok, status.text),
                      std::make_pair(false, "Could not update site\n" + s.path.string() +
                                                ": The file changed on disk since it was opened"));
            EXPECT_EQ(ReadFileBytes(s.path), onDisk);
            EXPECT_EQ(s.site.m_fileFingerprint, read);
            EXPECT_EQ(s.FilesInDir(), 1u);  // no copy left behind
            continue;
        }
        ASSERT_TRUE(status.ok);
        // The record now carries the saved file's fingerprint, so it saves again.
        const auto saved = ReadFileBytes(s.path);
        EXPECT_EQ(s.site.m_fileFingerprint, s.FingerprintOf(saved));
        MemorySource again(saved);
        JournalBinding binding;  // a journal binds itself to the same checksum
        ASSERT_TRUE(ComputeSiteBinding(again, binding));
        EXPECT_EQ(binding.contentCrc, s.FingerprintOf(saved).contentCrc);
        EXPECT_TRUE(SaveSiteFile(s.path.string(), s.site, Ink, s.list, 78).ok);
    }
}

namespace {

// `file` (bitmap first) with `n` bytes of 0xEE after the map's rows, counted
// into biSizeImage: bytes of the section that Open never reads.
std::vector<uint8_t> WithBitmapExcess(std::vector<uint8_t> file, uint32_t n) {
    const uint32_t rowsEnd = Get32(file, 142);
    file.insert(file.begin() + rowsEnd, n, 0xEE);
    Put32(file, 150 + 14 + 20, Get32(file, 150 + 14 + 20) + n);
    for (size_t at : {142u, 146u}) Put32(file, at, Get32(file, at) + n);
    return file;
}

}  // namespace

// Save As writes what the program holds where the open file had it, zeros
// for what it never held, and works when the open file is gone. The new file
// is then the site's: a save goes to it.
TEST(SaveSiteAs, LaysTheSurveyOutAsTheOpenFileWasWithZerosForWhatWasNeverHeld) {
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<size_t> neverHeld;  // bytes Save As writes as zeros
    } cases[] = {
        {"header of 151 bytes", LongerHeaderSiteFile(), {150}},
        {"bitmap excess",
         WithBitmapExcess(SmallSiteFile(), 6),
         {1668, 1669, 1670, 1671, 1672, 1673}},
        {"signature first", SmallSiteFile(37, 11, SiteSectionOrder::SignatureFirst), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenedSite o(c.file);
        const ScratchDir& dir = o.dir;
        PosixFileOps ops;
        const auto saveAs = [&](const fs::path& to, uint32_t now, ReplaceExisting replace) {
            return SaveSiteAs(to.string(), o.site, o.plan, Ink, o.list, now, replace, ops);
        };
        std::vector<uint8_t> expected = InPlaceSave(o.original, o.site, o.list, 321);
        for (size_t at : c.neverHeld) {
            ASSERT_NE(expected[at], 0);
            expected[at] = 0;
        }
        fs::remove(o.path);  // the open file is gone
        const fs::path out = dir.Path() / "copy.hss";
        const SiteStatus status = saveAs(out, 321, ReplaceExisting::No);
        ASSERT_TRUE(status.ok) << status.text;
        const auto saved = ReadFileBytes(out);
        EXPECT_EQ(saved, expected);
        EXPECT_EQ(o.site.m_fileFingerprint, o.FingerprintOf(saved));
        EXPECT_TRUE(SaveSiteFile(out.string(), o.site, Ink, o.list, 322).ok);

        // Never over a file unasked, never over a FIFO; asked, it replaces.
        const auto before = ReadFileBytes(out);
        const SiteStatus refused = saveAs(out, 323, ReplaceExisting::No);
        EXPECT_EQ(
            std::make_pair(refused.text, refused.error),
            std::make_pair(SaveFailureText(kSiteWriteText, out.string(), "File exists"), EEXIST));
        EXPECT_EQ(ReadFileBytes(out), before);
        const fs::path fifo = dir.Path() / "pipe.hss";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        EXPECT_EQ(saveAs(fifo, 323, ReplaceExisting::Yes).text,
                  SaveFailureText(kSiteWriteText, fifo.string(),
                                  "This is a named pipe (FIFO), not a file."));
        EXPECT_TRUE(saveAs(out, 324, ReplaceExisting::Yes).ok);
        EXPECT_EQ(ReadFileBytes(out).size(), before.size());
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 2);  // no copy left
    }
}

// What a save would leave, written to another file (the site tool's
// recover): the open file is only read, its signature kept without a pixel.
TEST(SaveSiteCopy, WritesWhatASaveWouldLeaveIntoANewFileAndOnlyReadsTheSource) {
    OpenedSite s;
    const fs::path out = s.dir.Path() / "recovered.hss";
    std::vector<uint8_t> expected = InPlaceSave(s.original, s.site, s.list, 55);
    std::copy(s.original.begin() + s.site.SignatureOffset(),
              s.original.begin() + s.site.SignatureOffset() + 80000,
              expected.begin() + s.site.SignatureOffset());
    PosixFileOps ops;
    const SiteStatus status = SaveSiteCopy(s.path.string(), out.string(), s.site, {}, s.list, 55,
                                           ReplaceExisting::No, ops);
    ASSERT_TRUE(status.ok) << status.text;
    EXPECT_EQ(ReadFileBytes(out), expected);
    EXPECT_EQ(ReadFileBytes(s.path), s.original);
    EXPECT_EQ(SaveSiteCopy(s.path.string(), s.path.string(), s.site, {}, s.list, 56,
                           ReplaceExisting::Yes, ops)
                  .text,
              SaveFailureText(kSiteWriteText, s.path.string(), "This is the site file itself"));
    EXPECT_EQ(ReadFileBytes(s.path), s.original);
}
