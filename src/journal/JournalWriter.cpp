#include "journal/JournalWriter.h"

#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace {

std::string DirectoryOf(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? "." : dir;
}

std::string TimeStamp(time_t now) {
    struct tm t {};
    gmtime_r(&now, &t);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &t);
    return text;
}

constexpr int kAsideAttempts = 100;

}  // namespace

JournalStatus JournalStatus::Fail(int err) { return {false, std::system_category().message(err)}; }

JournalWriter::JournalWriter(FileOps& ops) : m_ops(ops) {}

JournalWriter::~JournalWriter() { Close(); }

void JournalWriter::Close() {
    if (m_fd >= 0) m_ops.Close(m_fd);  // every record was flushed when it was written
    m_fd = -1;
}

JournalStatus JournalWriter::Broken(int err) {
    Close();
    return JournalStatus::Fail(err);
}

JournalStatus JournalWriter::Create(const std::string& path, const JournalBegin& begin,
                                    time_t now) {
    Close();
    m_path = path;
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    m_fd = m_ops.Open(path.c_str(), kFlags, 0666);
    if (m_fd < 0 && errno == EEXIST) {
        const JournalStatus aside = SetJournalAside(m_ops, path, now);
        if (!aside.ok) return aside;
        m_fd = m_ops.Open(path.c_str(), kFlags, 0666);
    }
    if (m_fd < 0) return JournalStatus::Fail(errno);

    m_buffer.clear();
    journal::AppendFileHeader(m_buffer);
    journal::AppendBegin(m_buffer, begin);
    m_end = 0;
    JournalStatus status = WriteRecord();
    if (status.ok) {
        const int err = SyncDirectory(m_ops, DirectoryOf(path));
        if (err != 0) status = Broken(err);
    }
    // A journal without its begin record binds to nothing: it goes.
    if (!status.ok) m_ops.Unlink(path.c_str());
    return status;
}

JournalStatus JournalWriter::Continue(const std::string& path, uint64_t validEnd) {
    Close();
    m_path = path;
    m_fd = m_ops.Open(path.c_str(), O_WRONLY | O_CLOEXEC, 0);
    if (m_fd < 0) return JournalStatus::Fail(errno);
    if (m_ops.Ftruncate(m_fd, static_cast<off_t>(validEnd)) != 0 || m_ops.Fdatasync(m_fd) != 0)
        return Broken(errno);
    m_end = validEnd;
    return JournalStatus::Ok();
}

JournalStatus JournalWriter::AppendPoint(const JournalPoint& point) {
    if (m_fd < 0) return JournalStatus::Fail(EBADF);
    m_buffer.clear();
    if (!journal::AppendPoint(m_buffer, point)) return Broken(EFBIG);
    return WriteRecord();
}

JournalStatus JournalWriter::AppendDeletion(const JournalDeletion& deletion) {
    if (m_fd < 0) return JournalStatus::Fail(EBADF);
    m_buffer.clear();
    journal::AppendDeletion(m_buffer, deletion);
    return WriteRecord();
}

// A record cut short by a failing write stays as a torn tail that no reader
// takes for a record; nothing is written after it.
JournalStatus JournalWriter::WriteRecord() {
    const int err = PWriteAll(m_ops, m_fd, m_buffer.data(), m_buffer.size(), m_end);
    if (err != 0) return Broken(err);
    if (m_ops.Fdatasync(m_fd) != 0) return Broken(errno);
    m_end += m_buffer.size();
    return JournalStatus::Ok();
}

JournalStatus SetJournalAside(FileOps& ops, const std::string& path, time_t now,
                              std::string* asidePath) {
    const std::string stamped = path + "." + TimeStamp(now);
    for (int n = 1; n <= kAsideAttempts; ++n) {
        const std::string candidate = n == 1 ? stamped : stamped + "-" + std::to_string(n);
        struct stat st {};
        if (ops.Lstat(candidate.c_str(), &st) == 0) continue;
        if (errno != ENOENT) return JournalStatus::Fail(errno);
        if (ops.Rename(path.c_str(), candidate.c_str()) != 0) return JournalStatus::Fail(errno);
        if (asidePath != nullptr) *asidePath = candidate;
        const int err = SyncDirectory(ops, DirectoryOf(path));
        return err == 0 ? JournalStatus::Ok() : JournalStatus::Fail(err);
    }
    return JournalStatus::Fail(EEXIST);
}

JournalStatus RemoveJournal(FileOps& ops, const std::string& path) {
    if (ops.Unlink(path.c_str()) != 0 && errno != ENOENT) return JournalStatus::Fail(errno);
    const int err = SyncDirectory(ops, DirectoryOf(path));
    return err == 0 ? JournalStatus::Ok() : JournalStatus::Fail(err);
}
