#pragma once
// Frames as the board sends them (src/boardsim) and the requests the program
// sends, as they appear on the line.

#include "TestBytes.h"
#include "boardsim/BoardMessages.h"

inline const Bytes kFirmwareRequest = Hex("11 12 01 00 11 13");
inline const Bytes kSerialRequest = Hex("11 12 02 00 11 13");
inline const Bytes kModeRequest = Hex("11 12 03 07 00 11 13");  // survey scan mode
inline const Bytes kScanRequest = Hex("11 12 16 00 11 13");
