#pragma once
// A fresh board for the link tests; the board's pseudo-terminal, frames,
// report messages, hex, scratch directories, a counting notifier and bounded
// waits come from tests/support.

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

inline std::unique_ptr<CScannerBoard> NewBoard() { return std::make_unique<CScannerBoard>(); }
