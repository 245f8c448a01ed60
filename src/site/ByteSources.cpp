#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "site/SiteFile.h"

size_t MemorySource::ReadAt(uint64_t offset, void* dst, size_t n) {
    if (offset >= m_bytes.size()) return 0;
    const size_t available = static_cast<size_t>(m_bytes.size() - offset);
    const size_t count = n < available ? n : available;
    std::memcpy(dst, m_bytes.data() + offset, count);
    return count;
}

FileSource::FileSource(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_status = SiteStatus::Fail("File Open Error", std::system_category().message(errno));
        return;
    }
    struct stat st {};
    const bool statted = ::fstat(m_fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        const int err = !statted ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        m_status = SiteStatus::Fail("File Open Error", std::system_category().message(err));
        ::close(m_fd);
        m_fd = -1;
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
