#pragma once
// CBoardLink: owner of the board's serial port and of the outbox through
// which requests reach the board worker. Built by the start-up sequence on the
// user-interface thread; deleted after the worker has stopped.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "board/BoardInterfaces.h"
#include "link/Capture.h"
#include "link/PortSearch.h"
#include "link/SerialPort.h"
#include "link/TxQueue.h"

class CScannerBoard;

// Shows one of the link's texts to the user (the app passes its message box).
using BoardMessageFn = std::function<void(const std::string& text)>;

constexpr const char* kCannotOpenText = "Cannot Open Connection To Board.";
constexpr const char* kSetCommStateText = "Could not SetCommState";

struct BoardLinkOptions {
    std::string portOverride;                    // --port DEVICE: no search
    const ISerialDeviceList* devices = nullptr;  // null: the sysfs list
    BoardMessageFn message;                      // null: messages are not shown
    std::string capturePath;  // --capture FILE, empty: none; unwritable: told through message
    // The pause before the port is closed (1000 ms on the handheld).
    std::chrono::milliseconds closePause{1000};
    CScannerBoard* board = nullptr;  // null: theBoard; its outbox becomes the link
};

// What the surveyor is told (in a box and on standard error) when --capture
// FILE cannot be written; the program runs on without a capture.
std::string CaptureFailedText(const std::string& path, int error);

// Finds the port (unless overridden), opens and sets it up. On failure shows
// "Cannot Open Connection To Board." or "Could not SetCommState" once through
// message and returns 0; else 1. devicePath receives the path tried.
int OpenBoardPort(CSerialPort& port, const BoardLinkOptions& options, std::string& devicePath);

class CBoardLink : public IFrameOutbox {
public:
    explicit CBoardLink(BoardLinkOptions options = {});
    // The worker must have stopped. Pauses (closePause), then closes the port.
    virtual ~CBoardLink();
    CBoardLink(const CBoardLink&) = delete;
    CBoardLink& operator=(const CBoardLink&) = delete;

    // Any thread. Queues one whole frame (cut to 128 bytes); 1 when queued,
    // 0 when the outbox is full.
    int QueueTx(const uint8_t* bytes, size_t length) override;

    // Set to 1 when construction has finished, whether or not the port opened.
    uint8_t m_bReady = 0;

    // For the board worker only (the one thread that touches the port).
    CSerialPort& Port() { return m_port; }
    CTxQueue& Outbox() { return m_outbox; }
    CCaptureWriter& Capture() { return m_capture; }
    CScannerBoard& Board() { return *m_board; }
    const std::string& DevicePath() const { return m_devicePath; }
    // Opens the same device again, silently; true when it is open.
    bool Reopen();

private:
    BoardLinkOptions m_options;
    CScannerBoard* m_board;
    CSerialPort m_port;
    CTxQueue m_outbox;
    CCaptureWriter m_capture;
    std::string m_devicePath;
};

// The one link of the program (owned by the start-up sequence / the app);
// null while there is none.
extern CBoardLink* g_pBoardLink;
