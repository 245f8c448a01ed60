#include "link/BoardLink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "board/ScannerBoard.h"

CBoardLink* g_pBoardLink = nullptr;

int OpenBoardPort(CSerialPort& port, const BoardLinkOptions& options, std::string& devicePath) {
    if (!options.portOverride.empty()) {
        devicePath = PortNameToDevicePath(options.portOverride);
    } else if (options.devices != nullptr) {
        devicePath = PortNameToDevicePath(FindBoardPortName(*options.devices));
    } else {
        const CSysfsDeviceList sysfs;
        devicePath = PortNameToDevicePath(FindBoardPortName(sysfs));
    }
    switch (port.Open(devicePath)) {
        case CSerialPort::OpenResult::kOk:
            return 1;
        case CSerialPort::OpenResult::kOpenFailed:
            if (options.message) options.message(kCannotOpenText);
            return 0;
        case CSerialPort::OpenResult::kSetupFailed:
            if (options.message) options.message(kSetCommStateText);
            return 0;
    }
    return 0;
}

std::string CaptureFailedText(const std::string& path, int error) {
    return "Cannot write the capture file " + path + " (" + std::strerror(error) +
           "). The board's traffic is not recorded.";
}

CBoardLink::CBoardLink(BoardLinkOptions options)
    : m_options(std::move(options)), m_board(m_options.board ? m_options.board : &theBoard) {
    OpenBoardPort(m_port, m_options, m_devicePath);
    if (!m_options.capturePath.empty()) {
        if (m_capture.Open(m_options.capturePath, m_devicePath, "pellorin board link")) {
            m_capture.Event(m_port.IsOpen() ? "connected " + m_devicePath
                                            : "not connected " + m_devicePath);
        } else {
            // The program runs on without a capture, but nobody is left
            // believing one is being made.
            const std::string text = CaptureFailedText(m_options.capturePath, errno);
            std::fprintf(stderr, "pellorin: %s\n", text.c_str());
            if (m_options.message) m_options.message(text);
        }
    }
    m_board->SetOutbox(this);
    m_bReady = 1;
}

CBoardLink::~CBoardLink() {
    // Nothing may reach this link through the board once it is going.
    m_board->SetOutbox(nullptr);
    if (m_options.closePause.count() > 0) std::this_thread::sleep_for(m_options.closePause);
    m_port.Close();
    m_capture.Close();
}

int CBoardLink::QueueTx(const uint8_t* bytes, size_t length) {
    return m_outbox.Push(bytes, length);
}

bool CBoardLink::Reopen() { return m_port.Open(m_devicePath) == CSerialPort::OpenResult::kOk; }
