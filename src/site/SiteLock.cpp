#include "site/SiteLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <system_error>

namespace {

constexpr int kAttempts = 8;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The process id the holder wrote into the lock file; 0 when there is none
// yet (the holder locks first and writes then).
pid_t ReadHolder(int fd) {
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0) return 0;
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    return end != text && pid > 0 && pid <= INT32_MAX ? static_cast<pid_t>(pid) : 0;
}

// An exclusive lock without waiting; false with errno EAGAIN while another
// description holds it. Open-file-description locks stay with the
// descriptor (a POSIX record lock would go with any close of the file in
// this process); flock serves where the file system lacks them.
bool LockExclusive(int fd) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
    if (errno == EACCES) errno = EAGAIN;
    if (errno != EINVAL) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EWOULDBLOCK) errno = EAGAIN;
    return false;
}

SiteLockResult Unavailable(int err) {
    return {SiteLockResult::Kind::Unavailable, 0, std::system_category().message(err)};
}

}  // namespace

std::string SiteLockResult::Message() const {
    switch (kind) {
        case Kind::HeldByOther:
            return holder > 0 ? "This site is open in another Pellorin (process " +
                                    std::to_string(holder) + ")."
                              : "This site is open in another Pellorin.";
        case Kind::Unavailable:
            return "This site cannot be locked against another Pellorin: " + why;
        case Kind::Taken:
            break;
    }
    return {};
}

std::string LockPathFor(const std::string& sitePath) { return sitePath + ".lock"; }

SiteLockResult CSiteLock::Take(const std::string& sitePath) {
    const std::string path = LockPathFor(sitePath);
    if (Holds(sitePath)) return {};
    struct stat held {
    }, named{};
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) return Unavailable(errno);
        if (!LockExclusive(fd)) {
            const int err = errno;
            const pid_t holder = err == EAGAIN ? ReadHolder(fd) : 0;
            ::close(fd);
            if (err == EAGAIN) return {SiteLockResult::Kind::HeldByOther, holder, {}};
            return Unavailable(err);
        }
        // The file locked must still be the one the name stands for: a holder
        // that let go removed it, and a third program may have made it anew.
        if (::fstat(fd, &held) != 0 || ::stat(path.c_str(), &named) != 0 ||
            !SameFile(held, named)) {
            ::close(fd);
            continue;
        }
        // Who holds it, for the message of the next one; the lock holds
        // whether or not this can be written (a full disk).
        const std::string text = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, text.data(), text.size(), 0);
        Release();
        m_fd = fd;
        m_path = path;
        return {};
    }
    return Unavailable(EAGAIN);
}

bool CSiteLock::Holds(const std::string& sitePath) const {
    struct stat held {
    }, named{};
    return m_fd >= 0 && ::fstat(m_fd, &held) == 0 &&
           ::stat(LockPathFor(sitePath).c_str(), &named) == 0 && SameFile(held, named);
}

void CSiteLock::Release() {
    if (m_fd < 0) return;
    // Removed while still locked, and only when the name is still ours: a
    // program waiting on this file sees it gone and tries the name again.
    struct stat held {
    }, named{};
    if (::fstat(m_fd, &held) == 0 && ::stat(m_path.c_str(), &named) == 0 && SameFile(held, named))
        ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}
