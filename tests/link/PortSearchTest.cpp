
#include <fstream>

#include "LinkTestSupport.h"
#include "link/PortSearch.h"

struct SearchCase {
    const char* behaviour;
    std::vector<std::pair<int, SerialDeviceEntry>> entries;  // key -> (id text, device path)
    std::string port;
};

TEST(PortSearch, QuatechWinsOverSocketWithinTheirKeyRangesElseTheFirstSerialPort) {
    const std::vector<SearchCase> cases = {
        {"the first Quatech entry wins over later ones and over Socket",
         {{2, {"Socket Communications", "COM2:"}},
          {7, {"Quatech SSP-100", "COM4:"}},
          {9, {"Quatech DSP-200", "COM5:"}}},
         "COM4:"},
        {"the match is case-sensitive and on the prefix only",
         {{1, {"quatech SSP-100", "COM4:"}}, {2, {"My Quatech card", "COM6:"}}},
         "COM1:"},
        {"a Socket entry is used without any Quatech",
         {{3, {"Socket Serial CF", "COM2:"}}},
         "COM2:"},
        {"a Quatech entry at the last key still wins",
         {{3, {"Socket Serial CF", "COM2:"}}, {50, {"Quatech last key", "/dev/ttyUSB1"}}},
         "/dev/ttyUSB1"},
        {"an entry without device path is skipped",
         {{0, {"Quatech without name", ""}}, {4, {"Quatech SSP-100", "/dev/ttyUSB0"}}},
         "/dev/ttyUSB0"},
        {"the Quatech keys end at 50, the Socket keys at 40",
         {{51, {"Quatech beyond range", "COM7:"}}, {41, {"Socket beyond range", "COM8:"}}},
         "COM1:"},
        {"a Socket entry at key 40 counts", {{40, {"Socket last key", "COM8:"}}}, "COM8:"},
        {"without any match the first serial port", {}, "COM1:"},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.behaviour);
        CTableDeviceList devices;
        for (const auto& [key, entry] : c.entries) devices.Set(key, entry);
        EXPECT_EQ(FindBoardPortName(devices), c.port);
    }
    CTableDeviceList longName;
    longName.Set(0, {"Quatech", "/dev/" + std::string(200, 'x')});
    EXPECT_EQ(FindBoardPortName(longName).size(), kPortNameMax);
}

TEST(PortSearch, ComNamesMapToSerialDevicesAndOtherNamesPassThrough) {
    EXPECT_EQ(PortNameToDevicePath("COM1:"), "/dev/ttyS0");
    EXPECT_EQ(PortNameToDevicePath("COM4:"), "/dev/ttyS3");
    EXPECT_EQ(PortNameToDevicePath("COM10:"), "/dev/ttyS9");
    EXPECT_EQ(PortNameToDevicePath("COM0:"), "COM0:");
    EXPECT_EQ(PortNameToDevicePath("/dev/ttyACM0"), "/dev/ttyACM0");
}

TEST(PortSearch, SysfsListNamesTheUsbParentAndSkipsVirtualTtys) {
    namespace fs = std::filesystem;
    const ScratchDir scratch;
    const fs::path& root = scratch.Path();
    const fs::path usb = root / "devices/usb1/1-1";
    fs::create_directories(usb / "1-1:1.0/ttyUSB0");
    std::ofstream(usb / "manufacturer") << "Quatech\n";
    std::ofstream(usb / "product") << "SSP-100 serial card\n";
    fs::create_directories(root / "class/tty/ttyUSB0");
    fs::create_symlink(usb / "1-1:1.0", root / "class/tty/ttyUSB0/device");
    fs::create_directories(root / "class/tty/tty0");  // no device link: virtual

    CSysfsDeviceList list((root / "class/tty").string(), "/dev");
    ASSERT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.Entry(0)->idText, "Quatech SSP-100 serial card");
    EXPECT_EQ(list.Entry(0)->devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(FindBoardPortName(list), "/dev/ttyUSB0");
}
