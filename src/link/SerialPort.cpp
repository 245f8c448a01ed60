#include "link/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

namespace {

std::string ErrnoText(const char* what, int err) {
    return std::string(what) + ": " + std::system_category().message(err);
}

bool IsGoneErrno(int err) { return err != EAGAIN && err != EWOULDBLOCK && err != EINTR; }

}  // namespace

CSerialPort::~CSerialPort() { Close(); }

CSerialPort::OpenResult CSerialPort::Open(const std::string& devicePath) {
    Close();
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        m_lastError = ErrnoText("open", errno);
        return OpenResult::kOpenFailed;
    }
    // TIOCEXCL keeps other programs out, except root; flock covers that case
    // for every program that plays by the same rule.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_lastError = ErrnoText("flock", errno);
        ::close(fd);
        return OpenResult::kOpenFailed;
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    if (!Configure()) {
        Close();
        return OpenResult::kSetupFailed;
    }
    return OpenResult::kOk;
}

bool CSerialPort::Configure() {
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0) {
        m_lastError = ErrnoText("tcgetattr", errno);
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B38400);
    ::cfsetospeed(&tio, B38400);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        m_lastError = ErrnoText("tcsetattr", errno);
        return false;
    }
    // A pseudo-terminal has no modem lines; their failure there is harmless.
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ::ioctl(m_fd, TIOCMBIC, &dtr);
    ::ioctl(m_fd, TIOCMBIS, &rts);
    ::tcflush(m_fd, TCIOFLUSH);
    return true;
}

void CSerialPort::Close() {
    if (m_fd >= 0) {
        ::tcflush(m_fd, TCOFLUSH);
        ::close(m_fd);
        m_fd = -1;
    }
}

CSerialPort::IoResult CSerialPort::Read(uint8_t* buffer, size_t capacity, size_t& bytesRead) {
    bytesRead = 0;
    if (m_fd < 0) return IoResult::kGone;
    const ssize_t n = ::read(m_fd, buffer, capacity);
    if (n > 0) {
        bytesRead = static_cast<size_t>(n);
        return IoResult::kOk;
    }
    if (n == 0) return IoResult::kGone;  // readable with nothing to read: hung up
    if (!IsGoneErrno(errno)) return IoResult::kWouldBlock;
    m_lastError = ErrnoText("read", errno);
    return IoResult::kGone;
}

CSerialPort::IoResult CSerialPort::WriteAll(const uint8_t* bytes, size_t length, int timeoutMs,
                                            int cancelFd) {
    if (m_fd < 0) return IoResult::kGone;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(m_fd, bytes + done, length - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && IsGoneErrno(errno)) {
            m_lastError = ErrnoText("write", errno);
            return IoResult::kGone;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return IoResult::kWouldBlock;
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {cancelFd, POLLIN, 0}};
        if (::poll(fds, cancelFd >= 0 ? 2 : 1, static_cast<int>(left)) > 0) {
            if (fds[0].revents & (POLLHUP | POLLERR)) return IoResult::kGone;
            if (cancelFd >= 0 && (fds[1].revents & POLLIN)) return IoResult::kWouldBlock;
        }
    }
    return IoResult::kOk;
}
