#pragma once
// The kernel's scan results for one interface, through nl80211 (libnl-genl-3).
// NL80211_CMD_GET_SCAN with NLM_F_DUMP reads what the last scan heard and
// needs no privilege. Blocks for at most `bound` per datagram, so it runs off
// the user-interface thread.

#include <chrono>
#include <cstdint>
#include <string>

#include "sources/wifi/Nl80211ScanParser.h"
#include "sources/wifi/WifiScan.h"

KernelScan DumpKernelScan(const std::string& interfaceName,
                          std::chrono::milliseconds bound = std::chrono::milliseconds(2000));

// One generic-netlink dump: `command` with NLM_F_DUMP to the family named
// `family`, carrying the u32 `value` as attribute `attribute` unless that is 0.
// Every datagram of the answer goes whole to `parser` until the answer ends.
// Empty on success, else why not.
std::string RunGenericDump(const char* family, uint8_t command, uint16_t attribute, uint32_t value,
                           Nl80211ScanDumpParser& parser, std::chrono::milliseconds bound);
