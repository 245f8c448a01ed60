#include "site/SiteSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/Crc32.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

constexpr size_t kCopyChunk = 1 << 20;
constexpr int kTempAttempts = 100;

SiteStatus UpdateFailed() { return SiteStatus::Fail(kSiteUpdateCaption, kSiteUpdateText); }
SiteStatus ChangedOnDisk() { return SiteStatus::Fail(kSiteUpdateCaption, kSiteChangedText); }

bool WriteAll(FileOps& ops, int fd, const uint8_t* data, uint64_t n, uint64_t offset) {
    return PWriteAll(ops, fd, data, n, offset, kCopyChunk) == 0;
}

// What of a write at `offset` survives the cut at pointsOffset that an
// in-place save makes after writing header and signature.
bool WriteBeforeCut(FileOps& ops, int fd, const uint8_t* data, uint64_t n, uint64_t offset,
                    uint64_t cut) {
    if (offset >= cut) return true;
    if (n > cut - offset) n = cut - offset;
    return WriteAll(ops, fd, data, n, offset);
}

// Reads bytes begin .. end of `from` in chunks, hands each to `seen` and,
// when `to` is open, writes it there at the same offset.
bool ReadThrough(FileOps& ops, int from, int to, uint64_t begin, uint64_t end,
                 CSiteFingerprinter* seen) {
    std::vector<uint8_t> buffer(kCopyChunk);
    uint64_t at = begin;
    while (at < end) {
        const size_t step = static_cast<size_t>(end - at < kCopyChunk ? end - at : kCopyChunk);
        const ssize_t got = ops.PRead(from, buffer.data(), step, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        if (seen != nullptr) seen->Feed(at, buffer.data(), static_cast<size_t>(got));
        if (to >= 0 && !WriteAll(ops, to, buffer.data(), static_cast<uint64_t>(got), at))
            return false;
        at += static_cast<uint64_t>(got);
    }
    return true;
}

// Descriptors and the temp file of one save; whatever is still open or
// lying about when the save gives up is closed and removed.
struct SaveScratch {
    explicit SaveScratch(FileOps& fileOps) : ops(fileOps) {}
    SaveScratch(const SaveScratch&) = delete;
    SaveScratch& operator=(const SaveScratch&) = delete;
    FileOps& ops;
    int oldFd = -1;
    int tempFd = -1;
    std::string tempPath;

    ~SaveScratch() {
        if (tempFd >= 0) ops.Close(tempFd);
        if (oldFd >= 0) ops.Close(oldFd);
        if (!tempPath.empty()) ops.Unlink(tempPath.c_str());
    }
};

// The temp copy of a save has the name "." + base + ".save-PID-N". A saver
// killed part-way (power loss, SIGKILL) leaves its copy behind; once its
// process is gone the copy can never become the site, so it is removed.
void RemoveStaleCopies(FileOps& ops, const std::string& dir, const std::string& base) {
    const std::string prefix = "." + base + ".save-";
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || end == nullptr || *end != '-' || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ops.Unlink(((dir == "/" ? "" : dir) + "/" + name).c_str());
    }
    ::closedir(d);
}

}  // namespace

SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now, FileOps& ops) {
    using namespace sitelayout;
    // Only a header read from an accepted site file is ever written back.
    if (site.Magic() != kSiteMagic || site.HeaderLength() < kSiteHeaderSize ||
        site.PointsOffset() < kSiteHeaderSize)
        return UpdateFailed();
    CSiteRecord staged = site;
    PrepareHeaderForSave(staged, now);
    const std::vector<uint8_t> signature = EncodeSignature(pixel);
    const std::vector<uint8_t> points = EncodePointsSection(staged, list);

    // The file itself, not a symbolic link to it, is replaced.
    char resolved[PATH_MAX];
    if (path.empty() || ::realpath(path.c_str(), resolved) == nullptr) return UpdateFailed();
    const std::string target = resolved;
    const size_t slash = target.rfind('/');
    const std::string dir = slash == 0 ? "/" : target.substr(0, slash);
    const std::string base = target.substr(slash + 1);

    SaveScratch s(ops);
    // The rename needs only the directory's permission, but an in-place save
    // would open the file for writing: so must the save. Root passes every
    // permission check, so a file without any write bit is refused as well:
    // it was protected on purpose.
    struct stat st {};
    std::string why;
    s.oldFd = OpenRegularFile(ops, target.c_str(), O_RDWR, st, why);
    if (s.oldFd < 0 || (st.st_mode & 0222) == 0) return UpdateFailed();
    const std::optional<SiteFingerprint>& expected = site.m_fileFingerprint;
    if (expected && expected->size != static_cast<uint64_t>(st.st_size)) return ChangedOnDisk();

    for (int attempt = 0; attempt < kTempAttempts && s.tempFd < 0; ++attempt) {
        std::string candidate = (dir == "/" ? "" : dir) + "/." + base + ".save-" +
                                std::to_string(::getpid()) + "-" + std::to_string(attempt);
        s.tempFd = ops.Open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (s.tempFd >= 0)
            s.tempPath = std::move(candidate);
        else if (errno != EEXIST)
            return UpdateFailed();
    }
    if (s.tempFd < 0) return UpdateFailed();
    // The copy takes the old file's owner and group where the saver may give
    // them (a group alone, when the owner cannot be given away), then its
    // mode: a change of owner clears set-id bits. Neither fails the save: a
    // copy that keeps the saver's owner, or 0600, is no less safe.
    if (ops.Fchown(s.tempFd, st.st_uid, st.st_gid) != 0)
        ops.Fchown(s.tempFd, static_cast<uid_t>(-1), st.st_gid);
    ops.Fchmod(s.tempFd, st.st_mode & 07777);

    const uint64_t cut = staged.PointsOffset();
    const uint64_t oldSize = static_cast<uint64_t>(st.st_size);
    // The file must still be the one that was opened (or last saved): its
    // regions are checked while the prefix is copied, and the old points
    // section, which the save drops, is read for the check alone.
    std::optional<CSiteFingerprinter> seen;
    if (expected) seen.emplace(expected->bitmapOffset, expected->bitmapLength, cut);
    CSiteFingerprinter* check = seen ? &*seen : nullptr;
    if (!ReadThrough(ops, s.oldFd, s.tempFd, 0, oldSize < cut ? oldSize : cut, check))
        return UpdateFailed();
    if (expected) {
        SiteFingerprint found;
        if (!ReadThrough(ops, s.oldFd, -1, cut, oldSize, check)) return UpdateFailed();
        if (!seen->Result(oldSize, found) || found != *expected) return ChangedOnDisk();
    }
    const bool written = WriteBeforeCut(ops, s.tempFd, staged.m_header, kSiteHeaderSize, 0, cut) &&
                         WriteBeforeCut(ops, s.tempFd, signature.data(), signature.size(),
                                        staged.SignatureOffset(), cut) &&
                         WriteAll(ops, s.tempFd, points.data(), points.size(), cut);
    if (!written) return UpdateFailed();
    if (ops.Fsync(s.tempFd) != 0) return UpdateFailed();
    const int closed = ops.Close(s.tempFd);
    s.tempFd = -1;
    if (closed != 0) return UpdateFailed();
    if (ops.Rename(s.tempPath.c_str(), target.c_str()) != 0) return UpdateFailed();
    s.tempPath.clear();
    // The new file is complete and in place now; a failed directory flush
    // cannot be undone and does not make the file any less whole.
    (void)SyncDirectory(ops, dir);
    RemoveStaleCopies(ops, dir, base);

    std::memcpy(site.m_header, staged.m_header, sizeof site.m_header);
    std::memcpy(site.m_pointRec, staged.m_pointRec, sizeof site.m_pointRec);
    std::memcpy(site.m_apRec, staged.m_apRec, sizeof site.m_apRec);
    site.m_pointRecordSize = staged.m_pointRecordSize;
    site.m_apRecordSize = staged.m_apRecordSize;
    if (expected) {
        // The map bitmap section was copied as it was; header and points are new.
        SiteFingerprint saved = *expected;
        saved.size = cut + points.size();
        saved.contentCrc =
            Crc32(points.data(), points.size(), Crc32(staged.m_header, kSiteHeaderSize));
        site.m_fileFingerprint = saved;
    }
    return SiteStatus::Ok();
}

SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now) {
    PosixFileOps ops;
    return SaveSiteFile(path, site, pixel, list, now, ops);
}
