#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "site/FileOps.h"
#include "site/SiteFile.h"

size_t MemorySource::ReadAt(uint64_t offset, void* dst, size_t n) {
    if (offset >= m_bytes.size()) return 0;
    const size_t available = static_cast<size_t>(m_bytes.size() - offset);
    const size_t count = n < available ? n : available;
    std::memcpy(dst, m_bytes.data() + offset, count);
    return count;
}

SiteStatus NamingFile(SiteStatus status, const std::string& path) {
    if (!status.ok && !path.empty()) status.text += "\n" + path;
    return status;
}

FileSource::FileSource(const std::string& path) : m_path(path) {
    PosixFileOps ops;
    struct stat st {};
    std::string why;
    m_fd = OpenRegularFile(ops, path.c_str(), O_RDONLY, st, why);
    if (m_fd < 0) {
        m_status = NamingFile(SiteStatus::Fail("File Open Error", why, errno), path);
        return;
    }
    m_size = static_cast<uint64_t>(st.st_size);
}

FileSource::~FileSource() {
    if (m_fd >= 0) ::close(m_fd);
}

size_t FileSource::ReadAt(uint64_t offset, void* dst, size_t n) {
    if (m_fd < 0) return 0;
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(dst);
    while (done < n) {
        const ssize_t got = ::pread(m_fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}
