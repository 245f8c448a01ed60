#include "RobustSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "aplist/ApList.h"
#include "site/SiteFile.h"
#include "site/SiteRecord.h"

BoardPty::BoardPty() {
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) return;
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

Bytes BoardFrame(uint8_t type, const Bytes& payload) {
    Bytes out = {0x11, 0x12, type};
    if (type == 0x11) out.push_back(0x14);
    uint8_t sum = type;
    auto put = [&](uint8_t b) {
        out.push_back(b);
        if (b == 0x11) out.push_back(0x14);
    };
    for (uint8_t b : payload) {
        sum ^= b;
        put(b);
    }
    put(sum);
    out.push_back(0x11);
    out.push_back(0x13);
    return out;
}

Bytes Hex(const std::string& text) {
    std::istringstream in(text);
    Bytes out;
    unsigned value;
    while (in >> std::hex >> value) out.push_back(static_cast<uint8_t>(value));
    return out;
}

Bytes Report(size_t probes, size_t beacons, unsigned indexBase, uint8_t ssidLength,
             const std::string& ssid) {
    Bytes r{static_cast<uint8_t>(probes)};
    for (size_t i = 0; i < probes; ++i) {
        const int16_t rssi = static_cast<int16_t>(-40 - static_cast<int>(i));
        const uint8_t e[8] = {0x02,
                              0,
                              0,
                              0,
                              static_cast<uint8_t>(i >> 8),
                              static_cast<uint8_t>(i),
                              static_cast<uint8_t>(rssi & 0xFF),
                              static_cast<uint8_t>((rssi >> 8) & 0xFF)};
        r.insert(r.end(), e, e + 8);
    }
    r.push_back(static_cast<uint8_t>(beacons));
    for (size_t i = 0; i < beacons; ++i) {
        r.push_back(static_cast<uint8_t>(indexBase + i));
        r.push_back(ssidLength);
        uint8_t bytes[32];
        for (size_t k = 0; k < 32; ++k) bytes[k] = static_cast<uint8_t>(ssid[k % ssid.size()]);
        r.insert(r.end(), bytes, bytes + 32);
        r.push_back(6);
        r.push_back(0x10);
        r.push_back(0x00);
    }
    return r;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

Scratch::Scratch() {
    char pattern[] = "/tmp/pellorin-robust-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    m_path = made ? made : "/tmp";
}

Scratch::~Scratch() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_path, ec);
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path OfficeSample() {
    return std::filesystem::path(PELLORIN_SAMPLES) / "office.hss";
}

std::vector<SurveyEntry> AsStored(const CApList& list) {
    std::vector<SurveyEntry> out;
    for (const ApRecord* r = list.First(); r != nullptr;
         r = r->next == list.Sentinel() ? nullptr : r->next) {
        if (r->channel == 0)
            out.push_back({r->x, r->y, r->pointName, "", "", 0, 0});
        else
            out.push_back({r->x, r->y, r->pointName, r->macText, r->ssid, r->channel, r->rssi});
    }
    return out;
}

bool ReadStoredPoints(const std::filesystem::path& path, std::vector<SurveyEntry>& out) {
    FileSource src(path.string());
    if (!src.Status().ok) return false;
    CSiteRecord site;
    if (!ReadSiteHeader(src, site).ok) return false;
    MapBitmap map;
    if (!ReadMapBitmap(src, site.BitmapOffset(), map).ok) return false;
    CApList list;
    if (!ReadPoints(src, site, list, nullptr).ok) return false;
    out = AsStored(list);
    return true;
}

long ResidentKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}
