#pragma once
// CSerialPort: the board's POSIX tty, opened for exclusive use and set up as
// the board wants it: raw, 38400 baud, 8 data bits, no parity, one stop bit,
// no flow control, DTR low and RTS high. Reads and writes never block for
// long: the descriptor is non-blocking and the worker polls it.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

class CSerialPort {
public:
    enum class OpenResult {
        kOk,
        kOpenFailed,   // the device could not be opened or is in use
        kSetupFailed,  // the settings were refused (the port is closed again)
    };
    enum class IoResult { kOk, kWouldBlock, kGone };

    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    OpenResult Open(const std::string& devicePath);
    // Drops whatever output the line has not taken, then closes: close() of a
    // tty with unsent output can otherwise wait for it in the kernel (up to
    // the driver's closing wait, 30 s by default).
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    const std::string& LastError() const { return m_lastError; }

    // One read of up to `capacity` bytes. kGone: end of file or an error that
    // means the device has gone (EIO, ENXIO, ENODEV, ...).
    IoResult Read(uint8_t* buffer, size_t capacity, size_t& bytesRead);
    // Writes all bytes, waiting (bounded by timeoutMs in all) while the driver
    // queue is full. kWouldBlock: timed out, or `cancelFd` became readable,
    // with bytes left unwritten.
    IoResult WriteAll(const uint8_t* bytes, size_t length, int timeoutMs = 1000, int cancelFd = -1);

private:
    bool Configure();

    int m_fd = -1;
    std::string m_lastError;
};
