#include "BoardPty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <thread>

BoardPty::BoardPty() {
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    termios tio{};
    ::tcgetattr(m_master, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_master, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = name;
}

BoardPty::~BoardPty() { Unplug(); }

void BoardPty::Unplug() {
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
    m_master = m_slave = -1;
}

void BoardPty::Write(const Bytes& bytes) const {
    size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        pollfd pfd{m_master, POLLOUT, 0};
        ::poll(&pfd, 1, 20);
    }
}

Bytes BoardPty::Read(size_t n, std::chrono::milliseconds timeout) const {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{m_master, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
        uint8_t buffer[256];
        const ssize_t got = ::read(m_master, buffer, std::min(sizeof buffer, n - out.size()));
        if (got > 0)
            out.insert(out.end(), buffer, buffer + got);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return out;
}

Bytes BoardPty::ReadFor(std::chrono::milliseconds quiet) const { return Read(SIZE_MAX / 2, quiet); }

Bytes BoardPty::ReadAvailable() const {
    Bytes out;
    uint8_t buffer[256];
    ssize_t got;
    while ((got = ::read(m_master, buffer, sizeof buffer)) > 0)
        out.insert(out.end(), buffer, buffer + got);
    return out;
}

size_t FillUntilRefused(int fd) {
    const Bytes block(4096, 0x55);
    size_t total = 0;
    for (int refused = 0; refused < 3;) {
        const ssize_t n = ::write(fd, block.data(), refused == 0 ? block.size() : 1);
        if (n > 0) {
            total += static_cast<size_t>(n);
            refused = 0;
            continue;
        }
        pollfd pfd{fd, POLLOUT, 0};
        refused += ::poll(&pfd, 1, 20) == 0;
    }
    return total;
}
