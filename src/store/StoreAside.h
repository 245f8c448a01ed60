#pragma once
// A store kept under another name, never written over: the file with its
// write-ahead log and shared memory, named as a journal set aside is
// ("office.hss.survey.20261207-051500"), so that nothing of it meets the
// store begun in its place.

#include <ctime>
#include <string>

#include "journal/JournalWriter.h"

// Sets the store at `storePath` aside; `aside` the name it was given. A log
// left without its store goes aside under its own name.
JournalStatus SetStoreAside(const std::string& storePath, time_t now, std::string& aside);
// Whether a store (or its log) lies at `storePath`.
bool StoreIsThere(const std::string& storePath);
