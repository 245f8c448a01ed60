#include "coverage/NetworkNames.h"

#include "common/TextDecode.h"

std::string SsidName(const std::string& bytes) {
    if (bytes.empty()) return "(hidden)";
    return DisplayByteText(bytes.data(), bytes.size());
}

std::string MacName(const MacAddress& mac) {
    char text[16] = {};
    FormatMacText(mac.data(), text);
    return text;
}

std::string ChoiceName(const NetworkChoice& choice) {
    switch (choice.kind) {
        case NetworkChoice::Kind::Ssid:
            return SsidName(choice.ssid);
        case NetworkChoice::Kind::AccessPoint:
            return MacName(choice.mac);
        default:
            return "Strongest of all";
    }
}
