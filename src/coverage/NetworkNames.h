#pragma once
// How the networks of the coverage map are named on screen and in the
// report, as UTF-8 (the SSID's bytes as DisplayByteText shows them).

#include <string>

#include "coverage/NetworkChoice.h"

// The SSID's bytes decoded, "(hidden)" for an empty SSID.
std::string SsidName(const std::string& bytes);
// Twelve hex digits, as the location dialog and the export show a MAC.
std::string MacName(const MacAddress& mac);
// "Strongest of all", the SSID's name, or the access point's MAC.
std::string ChoiceName(const NetworkChoice& choice);
