#pragma once
// Finding the board's serial port. The handheld looked through its numbered
// active-driver entries for a serial PC card ("Quatech", else "Socket"); here
// the same search runs over a numbered list of serial devices, each with an
// identification text (manufacturer and description) and a device path.

#include <optional>
#include <string>
#include <vector>

// One numbered entry of the device list. Either field may be missing (empty).
struct SerialDeviceEntry {
    std::string idText;      // like "Quatech SSP-100": what the search compares
    std::string devicePath;  // "COM4:" or a plain path such as "/dev/ttyUSB0"
};

class ISerialDeviceList {
public:
    virtual ~ISerialDeviceList() = default;
    // The entry numbered index (0, 1, ...), or nothing when there is none.
    virtual std::optional<SerialDeviceEntry> Entry(int index) const = 0;
};

// A fixed table (tests, and the place where another source can be adapted).
class CTableDeviceList : public ISerialDeviceList {
public:
    // Entries by number; a number absent from the table has no entry.
    void Set(int index, SerialDeviceEntry entry);
    std::optional<SerialDeviceEntry> Entry(int index) const override;

private:
    std::vector<std::optional<SerialDeviceEntry>> m_entries;
};

// Serial devices from sysfs: every /sys/class/tty/<name> with a "device" link,
// sorted by name, numbered from 0. The identification text is the
// "manufacturer" and "product" of the nearest USB (or other) parent that has
// them, joined by a space; the device path is /dev/<name>.
class CSysfsDeviceList : public ISerialDeviceList {
public:
    explicit CSysfsDeviceList(std::string sysClassTty = "/sys/class/tty",
                              std::string devDir = "/dev");
    std::optional<SerialDeviceEntry> Entry(int index) const override;
    size_t Size() const { return m_entries.size(); }

private:
    std::vector<SerialDeviceEntry> m_entries;
};

constexpr const char* kFallbackPortName = "COM1:";
constexpr size_t kPortNameMax = 127;

// The port name the search gives: the first entry of 0..50 whose id text
// begins with "Quatech" (case-sensitive) and that has a device path; only if
// there is none, the same over 0..40 with "Socket"; else "COM1:". A path
// longer than 127 characters is cut to 127.
std::string FindBoardPortName(const ISerialDeviceList& devices);

// "COMn:" (n >= 1) stands for /dev/ttyS<n-1>; any other name is a path already.
std::string PortNameToDevicePath(const std::string& portName);
