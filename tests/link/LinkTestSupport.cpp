#include "LinkTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <thread>

#include "SimBoardEngine.h"

PtyPair::PtyPair() {
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios tio{};
    ::tcgetattr(master, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(master, TCSANOW, &tio);
    slavePath = name;
    slaveProbe = slave;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    CloseMaster();
    if (slaveProbe >= 0) ::close(slaveProbe);
}

void PtyPair::CloseMaster() {
    if (master >= 0) ::close(master);
    master = -1;
}

void PtyPair::Write(const std::vector<uint8_t>& bytes) const {
    size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            pollfd pfd{master, POLLOUT, 0};
            ::poll(&pfd, 1, 20);
        }
    }
}

std::vector<uint8_t> PtyPair::Read(size_t n, std::chrono::milliseconds timeout) const {
    std::vector<uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{master, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
        uint8_t buffer[256];
        const ssize_t got = ::read(master, buffer, std::min(sizeof buffer, n - out.size()));
        if (got > 0)
            out.insert(out.end(), buffer, buffer + got);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return out;
}

std::vector<uint8_t> PtyPair::ReadAvailable() const {
    std::vector<uint8_t> out;
    uint8_t buffer[256];
    ssize_t got;
    while ((got = ::read(master, buffer, sizeof buffer)) > 0)
        out.insert(out.end(), buffer, buffer + got);
    return out;
}

bool PtyPair::WaitDrained(std::chrono::milliseconds timeout) const {
    return WaitUntil(
        [this] {
            int waiting = 0;
            return ::ioctl(slaveProbe, FIONREAD, &waiting) == 0 && waiting == 0;
        },
        timeout);
}

void CountingNotifier::PostTalvDraw() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_count;
    }
    m_changed.notify_all();
}

bool CountingNotifier::WaitFor(int atLeast, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, timeout, [&] { return m_count.load() >= atLeast; });
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::vector<uint8_t> BoardFrame(uint8_t type, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out;
    EncodeBoardFrame(type, payload, out);
    return out;
}

std::vector<uint8_t> ReportMessage(const std::vector<std::pair<uint8_t, int16_t>>& probes,
                                   const std::string& ssid, size_t beacons) {
    std::vector<uint8_t> m;
    m.push_back(static_cast<uint8_t>(probes.size()));
    for (const auto& [last, rssi] : probes) {
        const uint8_t mac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, last};
        m.insert(m.end(), mac, mac + 6);
        m.push_back(static_cast<uint8_t>(rssi & 0xFF));
        m.push_back(static_cast<uint8_t>((rssi >> 8) & 0xFF));
    }
    m.push_back(static_cast<uint8_t>(beacons));
    for (size_t i = 0; i < beacons; ++i) {
        m.push_back(static_cast<uint8_t>(i));
        m.push_back(static_cast<uint8_t>(ssid.size()));
        uint8_t bytes[32] = {};
        std::copy_n(ssid.begin(), std::min<size_t>(ssid.size(), 32), bytes);
        m.insert(m.end(), bytes, bytes + 32);
        m.push_back(6);
        m.push_back(0x10);
        m.push_back(0x00);
    }
    return m;
}

std::vector<uint8_t> Hex(const std::string& text) {
    std::istringstream in(text);
    std::vector<uint8_t> out;
    unsigned value;
    while (in >> std::hex >> value) out.push_back(static_cast<uint8_t>(value));
    return out;
}

std::string HexText(const std::vector<uint8_t>& bytes) {
    std::string s;
    char b[4];
    for (uint8_t v : bytes) {
        std::snprintf(b, sizeof b, s.empty() ? "%02X" : " %02X", v);
        s += b;
    }
    return s;
}

std::unique_ptr<CScannerBoard> NewBoard() { return std::make_unique<CScannerBoard>(); }
