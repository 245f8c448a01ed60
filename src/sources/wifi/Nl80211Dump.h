#pragma once
// The kernel's scan results, stations and channel survey for one interface,
// through nl80211 (libnl-genl-3). NL80211_CMD_GET_SCAN, NL80211_CMD_GET_STATION
// and NL80211_CMD_GET_SURVEY with NLM_F_DUMP need no privilege. Blocks for at most `bound` per
// datagram, so it runs off the user-interface thread.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sources/wifi/Nl80211ScanParser.h"
#include "sources/wifi/WifiScan.h"

// The three dumps of the interface as read, one after the other; a dump marked NLM_F_DUMP_INTR (it
// changed while it was read) is taken once more.
KernelDumps TakeKernelDumps(const std::string& interfaceName,
                            std::chrono::milliseconds bound = std::chrono::milliseconds(2000));

// TakeKernelDumps, read.
KernelScan DumpKernelScan(const std::string& interfaceName,
                          std::chrono::milliseconds bound = std::chrono::milliseconds(2000));

// One generic-netlink dump: `command` with NLM_F_DUMP to the family named
// `family`, carrying the u32 `value` as attribute `attribute` unless that is 0.
// Every datagram of the answer goes whole to `parser` (which tells when the
// answer ends) and into `datagrams`. Empty when the answer was read to its
// end, else why not.
std::string RunGenericDump(const char* family, uint8_t command, uint16_t attribute, uint32_t value,
                           std::chrono::milliseconds bound, Nl80211ScanDumpParser& parser,
                           std::vector<std::vector<uint8_t>>& datagrams);
