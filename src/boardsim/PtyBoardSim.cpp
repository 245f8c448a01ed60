#include "boardsim/PtyBoardSim.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace {

constexpr size_t kMaxPendingOutput = 64 * 1024;
constexpr int kHangupRetryMs = 50;  // nobody has the slave open: look again later

}  // namespace

CPtyBoardSim::CPtyBoardSim(SimBoardOptions options) : m_engine(std::move(options)) {}

CPtyBoardSim::~CPtyBoardSim() { Stop(); }

int64_t CPtyBoardSim::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool CPtyBoardSim::Start(std::string* error) {
    if (m_thread.joinable()) return true;
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + std::system_category().message(errno);
        if (m_master >= 0) ::close(m_master);
        m_master = -1;
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) return fail("posix_openpt");
    if (::grantpt(m_master) != 0) return fail("grantpt");
    if (::unlockpt(m_master) != 0) return fail("unlockpt");
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) return fail("ptsname_r");
    m_slavePath = name;
    // Raw from the start, so nothing is echoed before the program sets it up.
    termios tio{};
    if (::tcgetattr(m_master, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_master, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    if (m_wakeFd < 0) m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) return fail("eventfd");
    m_stop = false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void CPtyBoardSim::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        const uint64_t one = 1;
        (void)!::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
    if (m_wakeFd >= 0) ::close(m_wakeFd);
    m_wakeFd = -1;
}

void CPtyBoardSim::Serve() {
    std::vector<uint8_t> pending;
    bool peerAway = false;
    while (!m_stop.load()) {
        const int64_t now = NowMs();
        std::vector<uint8_t> due = m_engine.TakeOutput(now);
        if (!peerAway && pending.size() + due.size() <= kMaxPendingOutput)
            pending.insert(pending.end(), due.begin(), due.end());

        int timeout = -1;
        const int64_t next = m_engine.NextDueMs();
        if (next >= 0) timeout = static_cast<int>(std::max<int64_t>(0, next - now));
        if (peerAway) timeout = kHangupRetryMs;

        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_master, 0, 0}};
        if (!peerAway) fds[1].events = static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT));
        ::poll(fds, peerAway ? 1 : 2, timeout);
        if (m_stop.load()) break;

        if (peerAway) {
            // Look whether the slave has been opened again (no POLLHUP any more).
            pollfd probe{m_master, POLLIN, 0};
            ::poll(&probe, 1, 0);
            peerAway = (probe.revents & POLLHUP) != 0;
            if (peerAway) continue;
        }
        bool hungUp = (fds[1].revents & POLLHUP) && !(fds[1].revents & POLLIN);
        if (fds[1].revents & POLLIN) {
            uint8_t buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) m_engine.Feed(buffer, static_cast<size_t>(n), NowMs());
            if (n < 0 && errno == EIO) hungUp = true;
        }
        if (hungUp) {
            // The program closed the port: forget the frame and scan in flight.
            m_engine.Disconnected();
            pending.clear();
            peerAway = true;
            if (std::FILE* log = m_log.load()) std::fprintf(log, "boardsim: port closed\n");
            continue;
        }
        if (!pending.empty() && (fds[1].revents & POLLOUT)) {
            const ssize_t n = ::write(m_master, pending.data(), pending.size());
            if (n > 0) pending.erase(pending.begin(), pending.begin() + n);
        }
    }
}
