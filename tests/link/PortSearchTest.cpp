#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScratchDir.h"
#include "board/BoardLink.h"
#include "board/PortSearch.h"

TEST(PortSearch, QuatechEntryWinsOverLaterMatchesAndSocketEntries) {
    CTableDeviceList devices;
    devices.Set(2, {"Socket Communications", "COM2:"});
    devices.Set(7, {"Quatech SSP-100", "COM4:"});
    devices.Set(9, {"Quatech DSP-200", "COM5:"});
    EXPECT_EQ(FindBoardPortName(devices), "COM4:");
    EXPECT_EQ(PortNameToDevicePath(FindBoardPortName(devices)), "/dev/ttyS3");
}

TEST(PortSearch, MatchIsCaseSensitiveAndOnThePrefixOnly) {
    CTableDeviceList devices;
    devices.Set(1, {"quatech SSP-100", "COM4:"});
    devices.Set(2, {"My Quatech card", "COM6:"});
    EXPECT_EQ(FindBoardPortName(devices), "COM1:");
}

TEST(PortSearch, SocketEntryUsedOnlyWithoutAnyQuatech) {
    CTableDeviceList devices;
    devices.Set(3, {"Socket Serial CF", "COM2:"});
    EXPECT_EQ(FindBoardPortName(devices), "COM2:");
    devices.Set(50, {"Quatech last key", "/dev/ttyUSB1"});
    EXPECT_EQ(FindBoardPortName(devices), "/dev/ttyUSB1");
}

TEST(PortSearch, EntryWithoutDevicePathIsSkippedAndSearchGoesOn) {
    CTableDeviceList devices;
    devices.Set(0, {"Quatech without name", ""});
    devices.Set(4, {"Quatech SSP-100", "/dev/ttyUSB0"});
    EXPECT_EQ(FindBoardPortName(devices), "/dev/ttyUSB0");
}

TEST(PortSearch, SearchRangesEndAtFiftyAndForty) {
    CTableDeviceList devices;
    devices.Set(51, {"Quatech beyond range", "COM7:"});
    devices.Set(41, {"Socket beyond range", "COM8:"});
    EXPECT_EQ(FindBoardPortName(devices), "COM1:");
    devices.Set(40, {"Socket last key", "COM8:"});
    EXPECT_EQ(FindBoardPortName(devices), "COM8:");
}

TEST(PortSearch, NoMatchFallsBackToFirstSerialPortAndLongNamesAreCut) {
    CTableDeviceList none;
    EXPECT_EQ(PortNameToDevicePath(FindBoardPortName(none)), "/dev/ttyS0");
    EXPECT_EQ(PortNameToDevicePath("COM10:"), "/dev/ttyS9");
    EXPECT_EQ(PortNameToDevicePath("COM0:"), "COM0:");
    EXPECT_EQ(PortNameToDevicePath("/dev/ttyACM0"), "/dev/ttyACM0");

    CTableDeviceList longName;
    longName.Set(0, {"Quatech", "/dev/" + std::string(200, 'x')});
    EXPECT_EQ(FindBoardPortName(longName).size(), kPortNameMax);
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

TEST(OpenBoardPort, EachFailureIsShownOnceWithItsText) {
    std::vector<std::string> shown;
    BoardLinkOptions options;
    options.message = [&](const std::string& text) { shown.push_back(text); };

    CSerialPort port;
    std::string path;
    options.portOverride = "/nonexistent/ttyQ9";
    EXPECT_EQ(OpenBoardPort(port, options, path), 0);
    EXPECT_EQ(path, "/nonexistent/ttyQ9");
    options.portOverride = "/dev/null";  // opens, but is no terminal
    EXPECT_EQ(OpenBoardPort(port, options, path), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(shown, (std::vector<std::string>{"Cannot Open Connection To Board.",
                                               "Could not SetCommState"}));
}
