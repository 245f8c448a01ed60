#include "journal/JournalWriter.h"

#include <fcntl.h>
#include <time.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace {

std::string DirectoryOf(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? "." : dir;
}

constexpr const char* kStampFormat = "%Y%m%d-%H%M%S";  // UTC

std::string TimeStamp(time_t now) {
    struct tm t {};
    gmtime_r(&now, &t);
    char text[32];
    std::strftime(text, sizeof text, kStampFormat, &t);
    return text;
}

constexpr int kAsideAttempts = 100;

// Gives `act` the free names path.STAMP, path.STAMP-2, ... in turn until it
// has put something there (0), or fails otherwise than by finding the name
// taken (EEXIST); returns its errno.
template <typename Act>
int AtAsideName(FileOps& ops, const std::string& path, time_t now, std::string* chosen,
                const Act& act) {
    const std::string stamped = path + "." + TimeStamp(now);
    for (int n = 1; n <= kAsideAttempts; ++n) {
        const std::string candidate = n == 1 ? stamped : stamped + "-" + std::to_string(n);
        struct stat st {};
        if (ops.Lstat(candidate.c_str(), &st) == 0) continue;
        if (errno != ENOENT) return errno;
        const int err = act(candidate);
        if (err == EEXIST) continue;
        if (err != 0) return err;
        if (chosen != nullptr) *chosen = candidate;
        return SyncDirectory(ops, DirectoryOf(path));
    }
    return EEXIST;
}

}  // namespace

bool SetAsideTime(const std::string& journalPath, const std::string& name, time_t& when) {
    const std::string prefix = journalPath + ".";
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string stamp = name.substr(prefix.size());
    struct tm t {};
    const char* end = strptime(stamp.c_str(), kStampFormat, &t);
    if (end == nullptr || end != stamp.c_str() + 15) return false;
    // "-2", "-3", ... when the name was taken.
    if (*end == '-') {
        const char* digits = end + 1;
        if (*digits == '\0') return false;
        for (; *digits != '\0'; ++digits)
            if (*digits < '0' || *digits > '9') return false;
    } else if (*end != '\0') {
        return false;
    }
    when = timegm(&t);
    return when != static_cast<time_t>(-1);
}

JournalStatus JournalStatus::Fail(int err) { return {false, std::system_category().message(err)}; }

JournalWriter::JournalWriter(FileOps& ops) : m_ops(ops) {}

JournalWriter::~JournalWriter() { Close(); }

void JournalWriter::Close() {
    if (m_fd >= 0) m_ops.Close(m_fd);  // every record was flushed when it was written
    m_fd = -1;
}

void JournalWriter::Forget() {
    Close();
    m_path.clear();
    m_known = false;
}

JournalStatus JournalWriter::Broken(int err) {
    Close();
    return JournalStatus::Fail(err);
}

JournalStatus JournalWriter::Create(const std::string& path, const JournalBegin& begin,
                                    time_t now) {
    Close();
    m_path = path;
    m_known = false;
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    m_fd = m_ops.Open(path.c_str(), kFlags, 0666);
    if (m_fd < 0 && errno == EEXIST) {
        const JournalStatus aside = SetJournalAside(m_ops, path, now);
        if (!aside.ok) return aside;
        m_fd = m_ops.Open(path.c_str(), kFlags, 0666);
    }
    if (m_fd < 0) return JournalStatus::Fail(errno);
    JournalStatus status = Identify();
    if (!status.ok) {
        m_ops.Unlink(path.c_str());
        m_known = false;
        return status;
    }

    // The begin record is written but not waited for: a journal holds
    // nothing to recover until its first change, whose flush takes the
    // begin and the file's name to the disk with it (WriteRecord). A crash
    // before leaves a journal that is missing, torn in its begin or bare,
    // all of which the next Open removes. Open so never waits for the disk
    // (two flushes, 10 to 25 ms on a virtual machine's disk).
    m_buffer.clear();
    journal::AppendFileHeader(m_buffer);
    journal::AppendBegin(m_buffer, begin);
    m_end = 0;
    m_nameOnDisk = false;
    const int err = PWriteAll(m_ops, m_fd, m_buffer.data(), m_buffer.size(), m_end);
    if (err != 0) status = Broken(err);
    if (status.ok) m_end += m_buffer.size();
    // A journal without its begin record binds to nothing: it goes.
    if (!status.ok) {
        m_ops.Unlink(path.c_str());
        m_known = false;
    }
    return status;
}

JournalStatus JournalWriter::Continue(const std::string& path, uint64_t validEnd) {
    Close();
    m_path = path;
    m_known = false;
    m_fd = m_ops.Open(path.c_str(), O_WRONLY | O_CLOEXEC, 0);
    if (m_fd < 0) return JournalStatus::Fail(errno);
    const JournalStatus status = Identify();
    if (!status.ok) return status;
    if (m_ops.Ftruncate(m_fd, static_cast<off_t>(validEnd)) != 0 || m_ops.Fdatasync(m_fd) != 0)
        return Broken(errno);
    m_end = validEnd;
    m_nameOnDisk = true;  // it held changes, so its name was flushed with the first
    return JournalStatus::Ok();
}

JournalStatus JournalWriter::AppendPoint(const JournalPoint& point) {
    if (m_fd < 0) return JournalStatus::Fail(EBADF);
    m_buffer.clear();
    if (!journal::AppendPoint(m_buffer, point)) return Broken(EFBIG);
    return WriteRecord();
}

JournalStatus JournalWriter::AppendSaved(const JournalSaved& saved) {
    if (m_fd < 0) return JournalStatus::Fail(EBADF);
    m_buffer.clear();
    journal::AppendSaved(m_buffer, saved);
    return WriteRecord();
}

JournalStatus JournalWriter::Identify() {
    struct stat st {};
    if (m_ops.Fstat(m_fd, &st) != 0) return Broken(errno);
    m_dev = st.st_dev;
    m_ino = st.st_ino;
    m_known = true;
    return JournalStatus::Ok();
}

bool JournalWriter::IsItsFile(const struct stat& st) const {
    return m_known && st.st_dev == m_dev && st.st_ino == m_ino;
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
    if (!m_nameOnDisk) {  // the first change: the new file's name goes to the disk too
        const int synced = SyncDirectory(m_ops, DirectoryOf(m_path));
        if (synced != 0) return Broken(synced);
        m_nameOnDisk = true;
    }
    return JournalStatus::Ok();
}

JournalStatus SetJournalAside(FileOps& ops, const std::string& path, time_t now,
                              std::string* asidePath) {
    const int err = AtAsideName(ops, path, now, asidePath, [&](const std::string& name) {
        return ops.Rename(path.c_str(), name.c_str()) == 0 ? 0 : errno;
    });
    return err == 0 ? JournalStatus::Ok() : JournalStatus::Fail(err);
}

JournalStatus CopyJournalAside(FileOps& ops, const std::string& path, time_t now,
                               std::string* asidePath) {
    const int from = ops.Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (from < 0) return JournalStatus::Fail(errno);
    const int err = AtAsideName(ops, path, now, asidePath, [&](const std::string& name) {
        const int to = ops.Open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (to < 0) return errno;
        std::vector<uint8_t> chunk(1 << 16);
        int failed = 0;
        for (uint64_t at = 0; failed == 0;) {
            const ssize_t got = ops.PRead(from, chunk.data(), chunk.size(), static_cast<off_t>(at));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) failed = errno;
            if (got <= 0) break;
            failed = PWriteAll(ops, to, chunk.data(), static_cast<uint64_t>(got), at);
            at += static_cast<uint64_t>(got);
        }
        if (failed == 0 && ops.Fsync(to) != 0) failed = errno;
        if (ops.Close(to) != 0 && failed == 0) failed = errno;
        if (failed != 0) ops.Unlink(name.c_str());  // a part of a copy is no copy
        return failed;
    });
    ops.Close(from);
    return err == 0 ? JournalStatus::Ok() : JournalStatus::Fail(err);
}

JournalStatus RemoveJournal(FileOps& ops, const std::string& path) {
    // Not waited for on the disk: every journal removed holds nothing the
    // site file lacks, so one that a crash brings back is removed again.
    if (ops.Unlink(path.c_str()) != 0 && errno != ENOENT) return JournalStatus::Fail(errno);
    return JournalStatus::Ok();
}
