#include "link/PortSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

void CTableDeviceList::Set(int index, SerialDeviceEntry entry) {
    if (index < 0) return;
    if (static_cast<size_t>(index) >= m_entries.size()) m_entries.resize(index + 1);
    m_entries[index] = std::move(entry);
}

std::optional<SerialDeviceEntry> CTableDeviceList::Entry(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size()) return std::nullopt;
    return m_entries[index];
}

namespace {

std::string ReadFirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

// Walks up from the tty's device to the first parent naming its maker.
std::string IdentifyDevice(const std::filesystem::path& deviceLink) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::canonical(deviceLink, ec);
    if (ec) return {};
    for (int depth = 0; depth < 8 && dir.has_relative_path(); ++depth, dir = dir.parent_path()) {
        std::string manufacturer = ReadFirstLine(dir / "manufacturer");
        std::string product = ReadFirstLine(dir / "product");
        if (!manufacturer.empty() || !product.empty()) {
            if (manufacturer.empty()) return product;
            if (product.empty()) return manufacturer;
            return manufacturer + " " + product;
        }
    }
    return {};
}

bool SearchFor(const ISerialDeviceList& devices, const std::string& prefix, int lastIndex,
               std::string& portName) {
    for (int i = 0; i <= lastIndex; ++i) {
        std::optional<SerialDeviceEntry> entry = devices.Entry(i);
        if (!entry || entry->idText.compare(0, prefix.size(), prefix) != 0) continue;
        if (entry->devicePath.empty()) continue;  // no "Name": skipped, the search goes on
        portName = entry->devicePath.substr(0, kPortNameMax);
        return true;
    }
    return false;
}

}  // namespace

CSysfsDeviceList::CSysfsDeviceList(std::string sysClassTty, std::string devDir) {
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(sysClassTty, ec)) {
        std::error_code linkEc;
        if (std::filesystem::exists(item.path() / "device", linkEc))
            names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        SerialDeviceEntry entry;
        entry.idText = IdentifyDevice(std::filesystem::path(sysClassTty) / name / "device");
        entry.devicePath = devDir + "/" + name;
        m_entries.push_back(std::move(entry));
    }
}

std::optional<SerialDeviceEntry> CSysfsDeviceList::Entry(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_entries.size()) return std::nullopt;
    return m_entries[index];
}

std::string FindBoardPortName(const ISerialDeviceList& devices) {
    std::string portName = kFallbackPortName;
    if (SearchFor(devices, "Quatech", 50, portName)) return portName;
    if (SearchFor(devices, "Socket", 40, portName)) return portName;
    return portName;
}

std::string PortNameToDevicePath(const std::string& portName) {
    if (portName.size() >= 5 && portName.compare(0, 3, "COM") == 0 && portName.back() == ':') {
        const std::string digits = portName.substr(3, portName.size() - 4);
        if (!digits.empty() && digits.size() <= 3 &&
            std::all_of(digits.begin(), digits.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
            const int n = std::stoi(digits);
            if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
        }
    }
    return portName;
}
