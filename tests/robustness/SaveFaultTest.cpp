// Save and Save As under faults: any one file call failing, the disk filling
// at any write, writes cut short or interrupted. Afterwards the site file on
// disk is the old one or the new one byte for byte (Save As: no file or the
// whole new one), and a failure says "Could not update site" (or "Could not
// write site") with the path and the system's reason.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <system_error>

#include "FifoRescue.h"
#include "RobustSupport.h"
#include "site/FileOps.h"

namespace fs = std::filesystem;

namespace {

// The faulty file calls, which can also cut every write short or interrupt
// every other read and write, and note where each write starts.
class AnyCallFaults : public FaultyFileOps {
public:
    bool shortWrites = false;          // at most 7 bytes per write
    bool interrupt = false;            // every other read and write fails with EINTR
    std::vector<int64_t> writeStarts;  // bytes written before each write call
    int64_t written = 0;

    ssize_t PRead(int fd, void* d, size_t n, off_t o) override {
        return Interrupted() ? -1 : FaultyFileOps::PRead(fd, d, n, o);
    }
    ssize_t PWrite(int fd, const void* s, size_t n, off_t o) override {
        writeStarts.push_back(written);
        if (Interrupted()) return -1;
        const ssize_t done =
            FaultyFileOps::PWrite(fd, s, shortWrites ? std::min<size_t>(n, 7) : n, o);
        if (done > 0) written += done;
        return done;
    }

private:
    bool Interrupted() {
        if (interrupt && (m_flip = !m_flip)) errno = EINTR;
        return interrupt && m_flip;
    }
    bool m_flip = false;
};

// A copy of the sample site with a survey to save over its old points (Save)
// or into a new file beside it (Save As).
struct SiteOnDisk {
    ScratchDir dir;
    fs::path path = OfficeCopyIn(dir);
    fs::path copy = dir.Path() / "copy.hss";
    Bytes original = ReadFileBytes(path);
    CSiteRecord site;
    CApList list;
    MapBitmap plan;

    SiteOnDisk() {
        MemorySource src(original);
        EXPECT_TRUE(ReadSiteHeader(src, site).ok);
        EXPECT_TRUE(ReadMapBitmap(src, site.BitmapOffset(), plan).ok);
        for (int i = 0; i < 30; ++i)
            AddEntry(list, 10 * (i / 3), 7, static_cast<uint8_t>(1 + i % 14), -40 - i,
                     ("net-" + std::to_string(i)).c_str(), "TEST", static_cast<uint8_t>(i));
    }
    SiteStatus Save(FileOps& ops, bool saveAs = false) {
        if (saveAs)
            return SaveSiteAs(copy.string(), site, plan, NoInk, list, 77, ReplaceExisting::No, ops);
        return SaveSiteFile(path.string(), site, NoInk, list, 77, ops);
    }
    // The file the save writes, and what it holds when the save failed.
    const fs::path& Target(bool saveAs) const { return saveAs ? copy : path; }
    Bytes Untouched(bool saveAs) const { return saveAs ? Bytes{} : original; }
    // What a failure says for the errno the failing call gave.
    std::string Refusal(bool saveAs, const std::string& reason) const {
        return SaveFailureText(saveAs ? kSiteWriteText : kSiteUpdateText, Target(saveAs).string(),
                               reason);
    }
    size_t Files() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir.Path()), {}));
    }
};

// The errno FaultyFileOps gives a failing call of each kind.
const std::map<std::string, int> kFaultErrno = {
    {"open", EACCES},  {"stat", EIO},  {"fcntl", EINVAL}, {"read", EIO},
    {"write", EIO},    {"fstat", EIO}, {"fsync", EIO},    {"close", EIO},
    {"rename", EXDEV}, {"lstat", EIO}, {"ftruncate", EIO}};

Bytes CleanSave(bool saveAs = false) {
    SiteOnDisk s;
    PosixFileOps ops;
    EXPECT_TRUE(s.Save(ops, saveAs).ok);
    return ReadFileBytes(s.Target(saveAs));
}

}  // namespace

// Up to the rename every failing call but the chown and chmod of the copy
// fails the save; after it the new file is in place, so nothing can fail it
// any more. Save As leaves no file at the new name when it fails, and never
// touches the open file.
TEST(SaveFaults, FailingAnyOneFileCallLeavesTheOldOrTheNewFileByteForByte) {
    for (const bool saveAs : {false, true}) {
        SCOPED_TRACE(saveAs ? "Save As" : "Save");
        const Bytes saved = CleanSave(saveAs);
        AnyCallFaults counting;
        ASSERT_TRUE(SiteOnDisk().Save(counting, saveAs).ok);
        const auto rename = std::find(counting.kinds.begin(), counting.kinds.end(), "rename");
        const int renameAt = static_cast<int>(rename - counting.kinds.begin()) + 1;
        ASSERT_GT(renameAt, 5);
        for (int n = 1; n <= counting.calls; ++n) {
            const std::string& kind = counting.kinds[n - 1];
            SCOPED_TRACE("call " + std::to_string(n) + " (" + kind + ")");
            SiteOnDisk s;
            AnyCallFaults ops;
            ops.failAnyAt = n;
            const uint32_t savedAt = s.site.LastSaveTime();
            const SiteStatus status = s.Save(ops, saveAs);
            const Bytes now = ReadFileBytes(s.Target(saveAs));
            ASSERT_EQ(status.ok, n > renameAt || kind == "fchmod" || kind == "fchown");
            if (status.ok) {
                EXPECT_EQ(now, saved);
            } else {
                EXPECT_EQ(std::make_pair(status.caption, status.error),
                          std::make_pair(std::string("Site Update Error"), kFaultErrno.at(kind)));
                EXPECT_EQ(status.text,
                          s.Refusal(saveAs, std::system_category().message(status.error)));
                EXPECT_EQ(now, s.Untouched(saveAs));
                EXPECT_EQ(s.site.LastSaveTime(), savedAt);  // header image untouched
            }
            EXPECT_EQ(ReadFileBytes(s.path), status.ok && !saveAs ? saved : s.original);
            // A temp file is left behind only when removing it was the failure.
            if (kind != "unlink") {
                EXPECT_EQ(s.Files(), saveAs && status.ok ? 2u : 1u);
            }
        }
    }
}

TEST(SaveFaults, DiskFullAtEachWriteFailsWithoutDamage) {
    for (const bool saveAs : {false, true}) {
        SCOPED_TRACE(saveAs ? "Save As" : "Save");
        // Learn where each write of a clean save starts, in bytes put down so far.
        AnyCallFaults rec;
        ASSERT_TRUE(SiteOnDisk().Save(rec, saveAs).ok);
        const std::vector<int64_t>& starts = rec.writeStarts;
        ASSERT_GE(starts.size(), 3u);
        std::vector<int64_t> limits;
        for (size_t i = 0; i < starts.size(); ++i) {
            limits.push_back(starts[i]);  // that write finds no room at all
            const int64_t next = i + 1 < starts.size() ? starts[i + 1] : rec.written;
            limits.push_back(starts[i] + (next - starts[i]) / 2);  // it is cut short
        }
        limits.push_back(rec.written - 1);
        limits.push_back(rec.written);  // exactly enough room: the save goes through
        for (int64_t space : limits) {
            SiteOnDisk s;
            AnyCallFaults ops;
            ops.spaceLeft = space;
            const SiteStatus status = s.Save(ops, saveAs);
            if (space == rec.written) {
                EXPECT_TRUE(status.ok);
                continue;
            }
            EXPECT_EQ(status.text, s.Refusal(saveAs, "No space left on device")) << space;
            EXPECT_EQ(ReadFileBytes(s.Target(saveAs)), s.Untouched(saveAs)) << space;
            EXPECT_EQ(s.Files(), 1u) << space;
        }
    }
}

TEST(SaveFaults, ShortAndInterruptedWritesStillGiveTheWholeFile) {
    const Bytes saved = CleanSave();
    for (int mode = 1; mode <= 3; ++mode) {
        SiteOnDisk s;
        AnyCallFaults ops;
        ops.shortWrites = (mode & 1) != 0;
        ops.interrupt = (mode & 2) != 0;
        ASSERT_TRUE(s.Save(ops).ok) << mode;
        EXPECT_EQ(ReadFileBytes(s.path), saved) << mode;
    }
}

// A save replaces only what an in-place save could have rewritten: a file the
// saver may write and that has a write permission bit at all (root passes
// every permission check). A FIFO or a device is refused at once, unopened.
TEST(SaveFaults, WhatAnInPlaceSaveCouldNotRewriteIsRefusedAndLeftAsItWas) {
    const struct {
        const char* what;
        mode_t type;  // what the site path names when the save starts
        mode_t mode;
        const char* reason;
    } cases[] = {
        {"write-protected file (0444)", S_IFREG, 0444, "Permission denied"},
        {"FIFO", S_IFIFO, 0666, "This is a named pipe (FIFO), not a file."},
        {"character device (1, 3: null)", S_IFCHR, 0666, "This is a device, not a file."},
    };
    for (const auto& c : cases) {
        SiteOnDisk s;
        if (c.type != S_IFREG) {
            fs::remove(s.path);
            if (::mknod(s.path.c_str(), c.type | c.mode, makedev(1, 3)) != 0) {
                ASSERT_EQ(c.type, S_IFCHR) << c.what;
                continue;  // only root makes device nodes
            }
        }
        ASSERT_EQ(::chmod(s.path.c_str(), c.mode), 0);  // whatever the umask
        FifoRescue rescue(s.path);
        PosixFileOps ops;
        const SiteStatus status = s.Save(ops);
        EXPECT_FALSE(rescue.Rescued()) << c.what << ": the save blocked";
        EXPECT_EQ(status.text, SaveFailureText(kSiteUpdateText, s.path.string(), c.reason))
            << c.what;
        struct stat st {};
        ASSERT_EQ(::lstat(s.path.c_str(), &st), 0) << c.what;
        EXPECT_EQ(st.st_mode, c.type | c.mode) << c.what;
        if (c.type == S_IFREG) {
            EXPECT_EQ(ReadFileBytes(s.path), s.original) << c.what;
        }
        EXPECT_EQ(s.Files(), 1u) << c.what;  // no copy left beside it
    }
}
