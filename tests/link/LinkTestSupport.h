#pragma once
// A counting notifier, report messages, joined frames and a fresh board for
// the link tests; the board's pseudo-terminal, frames, hex, scratch
// directories and bounded waits come from tests/support.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "BoardFrame.h"
#include "BoardPty.h"
#include "CountingNotifier.h"
#include "ScratchDir.h"
#include "TestBytes.h"
#include "WaitUntil.h"
#include "board/BoardInterfaces.h"
#include "board/ScannerBoard.h"

// The message of a report: probes (mac last byte, rssi), beacons for all.
Bytes ReportMessage(const std::vector<std::pair<uint8_t, int16_t>>& probes, const std::string& ssid,
                    size_t beacons);

// Frames one after the other, as on the line.
Bytes Join(std::initializer_list<Bytes> frames);

inline std::unique_ptr<CScannerBoard> NewBoard() { return std::make_unique<CScannerBoard>(); }
