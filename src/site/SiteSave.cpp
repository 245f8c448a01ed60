#include "site/SiteSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/Crc32.h"
#include "site/SiteFingerprint.h"
#include "site/SiteLayout.h"
#include "site/SiteRecord.h"

namespace {

using namespace sitelayout;

constexpr size_t kCopyChunk = 1 << 20;
constexpr int kTempAttempts = 100;

std::string SystemText(int err) { return std::system_category().message(err); }

// What of a write at `offset` survives the cut at pointsOffset that an
// in-place save makes after writing header and signature. 0 or an errno.
int WriteBeforeCut(FileOps& ops, int fd, const uint8_t* data, uint64_t n, uint64_t offset,
                   uint64_t cut) {
    if (offset >= cut) return 0;
    if (n > cut - offset) n = cut - offset;
    return PWriteAll(ops, fd, data, n, offset, kCopyChunk);
}

// Reads bytes begin .. end of `from` in chunks, hands each to `seen` and,
// when `to` is open, writes it there at the same offset. 0, an errno, or -1
// when the file ended before `end`.
int ReadThrough(FileOps& ops, int from, int to, uint64_t begin, uint64_t end,
                CSiteFingerprinter* seen) {
    std::vector<uint8_t> buffer(kCopyChunk);
    uint64_t at = begin;
    while (at < end) {
        const size_t step = static_cast<size_t>(std::min<uint64_t>(end - at, kCopyChunk));
        const ssize_t got = ops.PRead(from, buffer.data(), step, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return -1;
        if (seen != nullptr) seen->Feed(at, buffer.data(), static_cast<size_t>(got));
        if (to >= 0) {
            const int err =
                PWriteAll(ops, to, buffer.data(), static_cast<uint64_t>(got), at, kCopyChunk);
            if (err != 0) return err;
        }
        at += static_cast<uint64_t>(got);
    }
    return 0;
}

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

// What a save writes, made before any file is touched.
struct Staged {
    CSiteRecord site;                // the header image as saved, the record buffers as encoded
    std::vector<uint8_t> signature;  // empty: the file's signature stays
    std::vector<uint8_t> points;
};

// Only a header read from an accepted site file is ever written.
bool HeaderAccepted(const CSiteRecord& site) {
    return site.Magic() == kSiteMagic && site.HeaderLength() >= kSiteHeaderSize &&
           site.PointsOffset() >= kSiteHeaderSize;
}

Staged Stage(const CSiteRecord& site, const SignaturePixelFn& pixel, const CApList& list,
             uint32_t now) {
    Staged s{site, {}, {}};
    PrepareHeaderForSave(s.site, now);
    if (pixel) s.signature = EncodeSignature(pixel);
    s.points = EncodePointsSection(s.site, list);
    return s;
}

// One save: where the new file goes, the descriptors and the temp file, and
// how a failure reads. Whatever is still open or lying about when the save
// gives up is closed and removed.
class SaveJob {
public:
    SaveJob(FileOps& ops, const char* what, std::string shown)
        : m_ops(ops), m_what(what), m_shown(std::move(shown)) {}
    SaveJob(const SaveJob&) = delete;
    SaveJob& operator=(const SaveJob&) = delete;
    ~SaveJob() {
        if (tempFd >= 0) m_ops.Close(tempFd);
        if (sourceFd >= 0) m_ops.Close(sourceFd);
        if (!m_tempPath.empty()) m_ops.Unlink(m_tempPath.c_str());
    }

    SiteStatus Failed(const std::string& reason, int err) const {
        return SiteStatus::Fail(kSiteUpdateCaption, SaveFailureText(m_what, m_shown, reason), err);
    }
    SiteStatus Failed(int err) const {
        // A path that is gone now was there when the site was opened.
        if (err == ENOENT && m_existing) return Failed(kFileGoneReason, err);
        return Failed(err > 0 ? SystemText(err) : kFileChangedReason, err > 0 ? err : 0);
    }

    // The existing file `path` is the target (a symbolic link's target is
    // replaced, not the link). False with errno set.
    bool TargetIsExisting(const std::string& path) {
        m_existing = true;
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) return false;
        SetTarget(resolved);
        return true;
    }

    // `path` names a file to be made, or replaced only when `replace` says
    // so; `st` gets the status of a file it replaces.
    SiteStatus TargetIsNew(const std::string& path, ReplaceExisting replace, bool& replacing,
                           struct stat& st) {
        replacing = false;
        const size_t slash = path.rfind('/');
        const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
        if (base.empty() || base == "." || base == "..") return Failed(EISDIR);
        if (m_ops.Lstat(path.c_str(), &st) == 0) {
            if (replace == ReplaceExisting::No) return Failed(EEXIST);
            if (m_ops.Stat(path.c_str(), &st) != 0) return Failed(errno);
            if (!S_ISREG(st.st_mode)) return Failed(NotAFileText(st.st_mode), EINVAL);
            char resolved[PATH_MAX];
            if (::realpath(path.c_str(), resolved) == nullptr) return Failed(errno);
            SetTarget(resolved);
            replacing = true;
            return SiteStatus::Ok();
        }
        if (errno != ENOENT) return Failed(errno);
        const std::string dirPart =
            slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
        char resolved[PATH_MAX];
        if (::realpath(dirPart.c_str(), resolved) == nullptr) return Failed(errno);
        const std::string dir = resolved;
        SetTarget((dir == "/" ? "" : dir) + "/" + base);
        return SiteStatus::Ok();
    }

    // Creates the temp file beside the target. 0 or an errno.
    int CreateTemp(mode_t mode) {
        for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
            std::string candidate = (m_dir == "/" ? "" : m_dir) + "/." + m_base + ".save-" +
                                    std::to_string(::getpid()) + "-" + std::to_string(attempt);
            tempFd = m_ops.Open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (tempFd >= 0) {
                m_tempPath = std::move(candidate);
                return 0;
            }
            if (errno != EEXIST) return errno;
        }
        return EEXIST;
    }

    // The copy takes the replaced file's owner and group where the saver may
    // give them (a group alone, when the owner cannot be given away), then its
    // mode: a change of owner clears set-id bits. Neither fails the save: a
    // copy that keeps the saver's owner, or 0600, is no less safe.
    void TakeOwnerAndMode(const struct stat& st) {
        if (m_ops.Fchown(tempFd, st.st_uid, st.st_gid) != 0)
            m_ops.Fchown(tempFd, static_cast<uid_t>(-1), st.st_gid);
        m_ops.Fchmod(tempFd, st.st_mode & 07777);
    }

    // Flushes and closes the copy and gives it the target's name. 0 or an
    // errno (EEXIST: a file took the name meanwhile and `replace` was No).
    int Commit(ReplaceExisting replace) {
        if (m_ops.Fsync(tempFd) != 0) return errno;
        const int closed = m_ops.Close(tempFd);
        tempFd = -1;
        if (closed != 0) return errno;
        const int renamed = replace == ReplaceExisting::Yes
                                ? m_ops.Rename(m_tempPath.c_str(), m_target.c_str())
                                : m_ops.RenameNoReplace(m_tempPath.c_str(), m_target.c_str());
        if (renamed != 0) return errno;
        m_tempPath.clear();
        // The new file is complete and in place now; a failed directory flush
        // cannot be undone and does not make the file any less whole.
        (void)SyncDirectory(m_ops, m_dir);
        RemoveStaleCopies(m_ops, m_dir, m_base);
        return 0;
    }

    const std::string& Target() const { return m_target; }

    int sourceFd = -1;
    int tempFd = -1;

private:
    void SetTarget(const std::string& target) {
        m_target = target;
        const size_t slash = target.rfind('/');
        m_dir = slash == 0 ? "/" : target.substr(0, slash);
        m_base = target.substr(slash + 1);
    }

    FileOps& m_ops;
    const char* m_what;
    std::string m_shown;
    bool m_existing = false;
    std::string m_target, m_dir, m_base;
    std::string m_tempPath;
};

// The staged save laid over a copy of the file open at job.sourceFd (of
// status `st`) in job.tempFd: the old bytes up to pointsOffset, checked
// against the fingerprint `site` carries while they are copied (the old
// points section, which the save drops, is read for the check alone), the
// header and signature over them, the points after them.
SiteStatus WriteOverCopy(SaveJob& job, FileOps& ops, const CSiteRecord& site, const Staged& staged,
                         const struct stat& st) {
    const uint64_t cut = staged.site.PointsOffset();
    const uint64_t oldSize = static_cast<uint64_t>(st.st_size);
    const std::optional<SiteFingerprint>& expected = site.m_fileFingerprint;
    std::optional<CSiteFingerprinter> seen;
    if (expected) seen.emplace(expected->bitmapOffset, expected->bitmapLength, cut);
    CSiteFingerprinter* check = seen ? &*seen : nullptr;
    int err = ReadThrough(ops, job.sourceFd, job.tempFd, 0, std::min(oldSize, cut), check);
    if (err != 0) return job.Failed(err);
    if (expected) {
        SiteFingerprint found;
        err = ReadThrough(ops, job.sourceFd, -1, cut, oldSize, check);
        if (err > 0) return job.Failed(err);
        if (err < 0 || !seen->Result(oldSize, found) || found != *expected)
            return job.Failed(kFileChangedReason, 0);
    }
    err = WriteBeforeCut(ops, job.tempFd, staged.site.m_header, kSiteHeaderSize, 0, cut);
    if (err == 0 && !staged.signature.empty())
        err = WriteBeforeCut(ops, job.tempFd, staged.signature.data(), staged.signature.size(),
                             staged.site.SignatureOffset(), cut);
    if (err == 0)
        err =
            PWriteAll(ops, job.tempFd, staged.points.data(), staged.points.size(), cut, kCopyChunk);
    return err == 0 ? SiteStatus::Ok() : job.Failed(err);
}

// `site` takes what was saved: the header image, the record buffers and, when
// known, the new file's fingerprint.
void Adopt(CSiteRecord& site, const Staged& staged, std::optional<SiteFingerprint> fingerprint) {
    std::memcpy(site.m_header, staged.site.m_header, sizeof site.m_header);
    site.TakeRecordBuffers(staged.site);
    if (fingerprint) site.m_fileFingerprint = fingerprint;
}

// The fingerprint of a file that kept the map bitmap section of the one
// `site` was read from, with the new header and points.
std::optional<SiteFingerprint> SavedFingerprint(const CSiteRecord& site, const Staged& staged) {
    if (!site.m_fileFingerprint) return std::nullopt;
    SiteFingerprint saved = *site.m_fileFingerprint;
    saved.size = staged.site.PointsOffset() + staged.points.size();
    saved.contentCrc = Crc32(staged.points.data(), staged.points.size(),
                             Crc32(staged.site.m_header, kSiteHeaderSize));
    return saved;
}

// Opens the file a save copies from. The save in place needs what an
// in-place save needs: the file open for reading and writing (the system's
// own check, ACLs included) and a write permission bit, because root passes
// every permission check and a file without one was protected on purpose.
SiteStatus OpenSource(SaveJob& job, FileOps& ops, const std::string& source, bool inPlace,
                      struct stat& st) {
    std::string why;
    job.sourceFd = OpenRegularFile(ops, source.c_str(), inPlace ? O_RDWR : O_RDONLY, st, why);
    if (job.sourceFd < 0) {
        const int err = errno;
        return err == EINVAL ? job.Failed(why, err) : job.Failed(err);
    }
    if (inPlace && (st.st_mode & 0222) == 0) return job.Failed(EACCES);
    return SiteStatus::Ok();
}

}  // namespace

std::string SaveFailureText(const char* what, const std::string& path, const std::string& reason) {
    return std::string(what) + "\n" + (path.empty() ? reason : path + ": " + reason);
}

SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now, FileOps& ops) {
    SaveJob job(ops, kSiteUpdateText, path);
    if (!HeaderAccepted(site) || path.empty()) return job.Failed("No site file was opened", 0);
    const Staged staged = Stage(site, pixel, list, now);
    if (!job.TargetIsExisting(path)) return job.Failed(errno);

    struct stat st {};
    SiteStatus status = OpenSource(job, ops, job.Target(), true, st);
    if (!status.ok) return status;
    const std::optional<SiteFingerprint>& expected = site.m_fileFingerprint;
    if (expected && expected->size != static_cast<uint64_t>(st.st_size))
        return job.Failed(kFileChangedReason, 0);
    if (const int err = job.CreateTemp(0600); err != 0) return job.Failed(err);
    job.TakeOwnerAndMode(st);
    status = WriteOverCopy(job, ops, site, staged, st);
    if (!status.ok) return status;
    if (const int err = job.Commit(ReplaceExisting::Yes); err != 0) return job.Failed(err);
    Adopt(site, staged, SavedFingerprint(site, staged));
    return SiteStatus::Ok();
}

SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now) {
    PosixFileOps ops;
    return SaveSiteFile(path, site, pixel, list, now, ops);
}

SiteStatus SaveSiteCopy(const std::string& source, const std::string& path, CSiteRecord& site,
                        const SignaturePixelFn& pixel, const CApList& list, uint32_t now,
                        ReplaceExisting replace, FileOps& ops) {
    SaveJob job(ops, kSiteWriteText, path);
    if (!HeaderAccepted(site)) return job.Failed("No site file was opened", 0);
    const Staged staged = Stage(site, pixel, list, now);
    bool replacing = false;
    struct stat old {};
    SiteStatus status = job.TargetIsNew(path, replace, replacing, old);
    if (!status.ok) return status;

    struct stat st {};
    SaveJob sourceJob(ops, kSiteWriteText, source);  // messages about the source name it
    status = OpenSource(sourceJob, ops, source, false, st);
    if (!status.ok) return status;
    job.sourceFd = sourceJob.sourceFd;
    sourceJob.sourceFd = -1;
    if (replacing && st.st_dev == old.st_dev && st.st_ino == old.st_ino)
        return job.Failed("This is the site file itself", EINVAL);
    if (const int err = job.CreateTemp(replacing ? 0600 : 0666); err != 0) return job.Failed(err);
    if (replacing) job.TakeOwnerAndMode(old);
    status = WriteOverCopy(job, ops, site, staged, st);
    if (!status.ok) return status;
    if (const int err = job.Commit(replace); err != 0) return job.Failed(err);
    Adopt(site, staged, SavedFingerprint(site, staged));
    return SiteStatus::Ok();
}

SiteStatus SaveSiteAs(const std::string& path, CSiteRecord& site, const MapBitmap& plan,
                      const SignaturePixelFn& pixel, const CApList& list, uint32_t now,
                      ReplaceExisting replace, FileOps& ops) {
    SaveJob job(ops, kSiteWriteText, path);
    if (!HeaderAccepted(site) || !plan.IsWhole()) return job.Failed("No site file was opened", 0);
    Staged staged = Stage(site, pixel, list, now);
    if (staged.signature.empty())
        staged.signature = EncodeSignature([](int, int) { return 0x00FFFFFFu; });  // paper
    const CSiteRecord& s = staged.site;
    const uint64_t bitmapAt = s.BitmapOffset();
    const uint64_t rowsAt = bitmapAt + kBitmapPrefixBytes;
    const uint64_t cut = s.PointsOffset();
    // The regions as the open file's header places them; Open checked that
    // they do not overlap and end before the points section.
    if (rowsAt + plan.bits.size() > cut || uint64_t{s.SignatureOffset()} + kSignatureBytes > cut)
        return job.Failed("The site's sections do not fit its layout", EINVAL);

    bool replacing = false;
    struct stat old {};
    SiteStatus status = job.TargetIsNew(path, replace, replacing, old);
    if (!status.ok) return status;
    if (const int err = job.CreateTemp(replacing ? 0600 : 0666); err != 0) return job.Failed(err);
    if (replacing) job.TakeOwnerAndMode(old);

    // A file of pointsOffset zeros, then the regions over it in file order.
    if (ops.Ftruncate(job.tempFd, static_cast<off_t>(cut)) != 0) return job.Failed(errno);
    const struct Region {
        uint64_t at;
        const uint8_t* data;
        uint64_t n;
    } regions[] = {
        {0, s.m_header, kSiteHeaderSize},
        {bitmapAt, plan.storedPrefix, kBitmapPrefixBytes},
        {rowsAt, plan.bits.data(), plan.bits.size()},
        {s.SignatureOffset(), staged.signature.data(), staged.signature.size()},
        {cut, staged.points.data(), staged.points.size()},
    };
    for (const Region& r : regions) {
        if (const int err = PWriteAll(ops, job.tempFd, r.data, r.n, r.at, kCopyChunk); err != 0)
            return job.Failed(err);
    }

    // The new file's fingerprint, over the map section as Open took it.
    const uint64_t bitmapLength = site.m_fileFingerprint
                                      ? site.m_fileFingerprint->bitmapLength
                                      : kBitmapPrefixBytes + uint64_t{plan.bits.size()};
    CSiteFingerprinter fingerprinter(bitmapAt, bitmapLength, cut);
    const std::vector<uint8_t> zeros(kCopyChunk, 0);
    fingerprinter.Feed(0, s.m_header, kSiteHeaderSize);
    fingerprinter.Feed(bitmapAt, plan.storedPrefix, kBitmapPrefixBytes);
    fingerprinter.Feed(rowsAt, plan.bits.data(), plan.bits.size());
    for (uint64_t at = rowsAt + plan.bits.size(); at < bitmapAt + bitmapLength;) {
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(bitmapAt + bitmapLength - at, zeros.size()));
        fingerprinter.Feed(at, zeros.data(), n);
        at += n;
    }
    fingerprinter.Feed(cut, staged.points.data(), staged.points.size());
    SiteFingerprint written;
    const bool known = fingerprinter.Result(cut + staged.points.size(), written);

    if (const int err = job.Commit(replace); err != 0) return job.Failed(err);
    Adopt(site, staged, known ? std::optional<SiteFingerprint>(written) : std::nullopt);
    return SiteStatus::Ok();
}
