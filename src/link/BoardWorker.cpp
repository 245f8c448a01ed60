#include "link/BoardWorker.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <ctime>

#include "link/BoardLink.h"
#include "board/ScannerBoard.h"

namespace {

constexpr uint32_t kKeepAliveSeconds = 10;
// The longest the frames of one pass may wait for a line that does not drain.
constexpr std::chrono::milliseconds kWriteBudget{1000};
// How often kept reports are tried again while no byte arrives.
constexpr std::chrono::milliseconds kKeptRetry{5};
constexpr short kGoneEvents = POLLHUP | POLLERR | POLLNVAL;

bool ReceiverBetweenFrames(uint16_t state) { return state == kRxRestart || state == kRxFrameDone; }

}  // namespace

CBoardWorker::CBoardWorker(CBoardLink& link, BoardWorkerOptions options)
    : m_link(link),
      m_options(std::move(options)),
      m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CBoardWorker::~CBoardWorker() {
    Stop();
    if (m_wakeFd >= 0) ::close(m_wakeFd);
}

void CBoardWorker::Start() {
    if (m_thread.joinable()) return;
    m_stop = false;
    m_thread = std::thread([this] { BoardWorkerProc(*this); });
}

void CBoardWorker::Stop() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    const uint64_t one = 1;
    (void)!::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    uint64_t value = 0;
    (void)!::read(m_wakeFd, &value, sizeof value);
}

double CBoardWorker::CpuSeconds() const {
    if (!m_thread.joinable()) return 0;
    clockid_t cid;
    // native_handle is const-incorrect in libstdc++; the handle is not changed.
    if (pthread_getcpuclockid(const_cast<std::thread&>(m_thread).native_handle(), &cid) != 0)
        return 0;
    timespec ts{};
    if (clock_gettime(cid, &ts) != 0) return 0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

int64_t CBoardWorker::NowMs() const {
    if (m_options.clockMs) return m_options.clockMs();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint32_t CBoardWorker::NowSeconds() const {
    if (m_options.clockSeconds) return m_options.clockSeconds();
    return static_cast<uint32_t>(std::time(nullptr));
}

int BoardWorkerProc(CBoardWorker& worker) {
    worker.Loop();
    return 0;
}

bool CBoardWorker::WaitForStop(std::chrono::milliseconds timeout) {
    pollfd pfd{m_wakeFd, POLLIN, 0};
    const int ms = static_cast<int>(std::max<int64_t>(0, timeout.count()));
    ::poll(&pfd, 1, ms);
    return m_stop.load();
}

void CBoardWorker::OnDeviceGone() {
    CScannerBoard& board = m_link.Board();
    m_link.Port().Close();
    m_link.Capture().Event("disconnected");
    m_link.Outbox().Clear();
    board.SetRxState(kRxRestart);
    // The scan under way cannot finish: it is given up and the view told; a
    // board that was power-cycled has forgotten its mode, so ask for it again.
    board.OnDeviceGone();
    m_connected = false;
    m_nextRetry = std::chrono::steady_clock::now() + m_options.retryInterval;
    if (m_options.onConnectionChanged) m_options.onConnectionChanged(false);
}

bool CBoardWorker::WaitAndReconnect() {
    const auto now = std::chrono::steady_clock::now();
    if (now < m_nextRetry &&
        WaitForStop(std::chrono::duration_cast<std::chrono::milliseconds>(m_nextRetry - now) +
                    std::chrono::milliseconds(1)))
        return false;
    if (std::chrono::steady_clock::now() < m_nextRetry) return false;  // woken early
    m_nextRetry = std::chrono::steady_clock::now() + m_options.retryInterval;
    if (!m_link.Reopen()) return false;
    CScannerBoard& board = m_link.Board();
    m_link.Capture().Event("connected " + m_link.DevicePath());
    m_link.Outbox().Clear();  // what was queued for the old connection is stale
    board.SetRxState(kRxRestart);
    m_connected = true;
    ++m_reconnects;
    if (m_options.onConnectionChanged) m_options.onConnectionChanged(true);
    board.RequestFirmware();  // greet the board again
    board.OnDeviceBack();     // then a scan that waited for it may go out
    return true;
}

void CBoardWorker::WatchBoard() {
    CScannerBoard& board = m_link.Board();
    const int64_t now = NowMs();
    const uint32_t scan = board.ScanNumber();
    const uint64_t frames = board.FramesReceived();
    if (!board.ScanWanted() || scan != m_watchedScan || frames != m_watchedFrames) {
        m_watchedScan = scan;
        m_watchedFrames = frames;
        m_scanNewsMs = now;
    } else if (now - m_scanNewsMs >= m_options.scanTimeout.count()) {
        board.OnScanTimedOut(scan);
        m_nextGreetMs = now;
    }
    // A board that fell silent is greeted until it answers (any good frame).
    if (board.Presence() == BoardPresence::kNotAnswering && m_link.Port().IsOpen() &&
        now >= m_nextGreetMs) {
        board.RequestFirmware();
        m_nextGreetMs = now + m_options.retryInterval.count();
    }
}

void CBoardWorker::CaptureDrops() {
    const CScannerBoard& board = m_link.Board();
    for (size_t i = 0; i < kFrameDropCauses; ++i) {
        const auto cause = static_cast<FrameDrop>(i);
        const uint64_t dropped = board.FramesDropped(cause);
        if (dropped < m_dropsSeen[i]) m_dropsSeen[i] = 0;  // the board was reset
        for (; m_dropsSeen[i] < dropped; ++m_dropsSeen[i])
            m_link.Capture().Event(std::string("dropped ") + FrameDropName(cause));
    }
}

int CBoardWorker::WaitForLine(pollfd* fds, int count) {
    CScannerBoard& board = m_link.Board();
    const auto deadline = std::chrono::steady_clock::now() + m_options.readTimeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        const int64_t slice =
            board.HasKeptReports() ? std::min<int64_t>(left, kKeptRetry.count()) : left;
        const int ready = ::poll(fds, count, static_cast<int>(std::max<int64_t>(0, slice)));
        if (ready != 0 || slice >= left) return ready;
        board.MergeKeptReports();  // the user interface may have let go meanwhile
    }
}

void CBoardWorker::Loop() {
    CScannerBoard& board = m_link.Board();
    CSerialPort& port = m_link.Port();
    CTxQueue& outbox = m_link.Outbox();
    CCaptureWriter& capture = m_link.Capture();

    board.SetRxState(kRxRestart);
    for (size_t i = 0; i < kFrameDropCauses; ++i)
        m_dropsSeen[i] = board.FramesDropped(static_cast<FrameDrop>(i));
    m_connected = port.IsOpen();
    // A port that did not open is tried again like a vanished one, and the
    // surveyor sees the board as away until it opens.
    if (!m_connected) board.OnDeviceGone();
    m_nextRetry = std::chrono::steady_clock::now() + m_options.retryInterval;
    uint8_t byte = 0;
    uint32_t bytesRead = 0;  // kept over a pass that does not read
    uint32_t lastActivity = 0;
    uint32_t clock = 0;
    bool restartIdleClock = true;

    while (!m_stop.load()) {
        ++m_passes;
        WatchBoard();
        board.MergeKeptReports();
        if (!port.IsOpen()) {
            if (WaitAndReconnect()) {
                bytesRead = 0;
                restartIdleClock = true;
            }
            continue;
        }

        const int wanted = board.ReceiveStep(&byte, bytesRead);
        CaptureDrops();
        bool gone = false;
        if (wanted != 0) {
            bytesRead = 0;
            // While waiting for a header, a queued frame may go out at once;
            // inside a frame it waits for the trailer (or the read time-out).
            const bool betweenFrames = board.GetRxState() == kRxExpectEscape;
            pollfd fds[3] = {
                {port.Fd(), POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {outbox.EventFd(), POLLIN, 0}};
            const int ready = WaitForLine(fds, betweenFrames ? 3 : 2);
            if (m_stop.load()) break;
            if (ready == 0) capture.Flush();
            if (fds[0].revents & POLLIN) {
                size_t n = 0;
                const CSerialPort::IoResult result = port.Read(&byte, 1, n);
                if (result == CSerialPort::IoResult::kGone) {
                    gone = true;
                } else if (n == 1) {
                    bytesRead = 1;
                    capture.Read(&byte, 1);
                    ++m_bytesReceived;
                }
            } else if (fds[0].revents & kGoneEvents) {
                gone = true;
            }
        }

        if (!gone) {
            if (bytesRead != 0 && !ReceiverBetweenFrames(board.GetRxState())) {
                lastActivity = clock;
            } else {
                // One budget for all the frames of a pass, and a stop cuts it
                // short: a line that does not drain never holds up Stop().
                const auto writeDeadline = std::chrono::steady_clock::now() + kWriteBudget;
                for (const std::vector<uint8_t>& frame : outbox.TakeAll()) {
                    if (m_stop.load()) break;  // the link is going; the rest is dropped
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        writeDeadline - std::chrono::steady_clock::now());
                    const CSerialPort::IoResult result = port.WriteAll(
                        frame.data(), frame.size(),
                        static_cast<int>(std::max<int64_t>(0, left.count())), m_wakeFd);
                    if (result == CSerialPort::IoResult::kGone) {
                        gone = true;
                        break;
                    }
                    if (result == CSerialPort::IoResult::kOk)
                        capture.Wrote(frame.data(), frame.size());
                    lastActivity = clock;
                }
            }
        }
        if (gone) {
            OnDeviceGone();
            bytesRead = 0;
            continue;
        }

        clock = NowSeconds();
        if (restartIdleClock) {
            lastActivity = clock;
            restartIdleClock = false;
        }
        if (clock > lastActivity + kKeepAliveSeconds) {
            lastActivity = clock;
            board.SendKeepAlive();
        }
    }
}
