#pragma once
// Reading a survey journal: every whole, valid record up to the first one
// that is cut short or damaged, and where that happened. Nothing after a bad
// record is ever read, so a torn tail or a flipped byte loses only what
// follows it and is never taken for something else. Never throws.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/JournalFormat.h"

class IByteSource;

// How the readable part of a journal ended.
enum class JournalEnd {
    Clean,        // at the end of the file, after a whole record
    TornTail,     // inside a record (or the file header) cut short by the end of the file
    Corrupt,      // at a record that fails its CRC or does not decode
    NotAJournal,  // no valid file header, or a first record that is not Begin
};

struct JournalContents {
    bool hasBegin = false;
    JournalBegin begin;
    std::vector<JournalChange> changes;  // points and deletions, in order
    std::vector<uint64_t> changeEnds;    // where the record of each change ends
    uint64_t beginEnd = 0;               // where the begin record ends
    uint64_t validEnd = 0;               // bytes up to the end of the last whole record
    // The save the journal ends with (a Saved record after the last change).
    std::optional<JournalBinding> savedAs;
    JournalEnd end = JournalEnd::NotAJournal;

    size_t PointCount() const;
    size_t DeletionCount() const;
};

JournalContents ReadJournal(IByteSource& src);

// The journal file at `path`. `exists` false: there is none (nothing else
// is set). `error` holds the system's reason when it exists but cannot be
// read; then `contents` is empty.
struct JournalFile {
    bool exists = false;
    std::string error;
    JournalContents contents;
};
JournalFile ReadJournalFile(const std::string& path);

// Where the journal of the site file `sitePath` lives: beside it, named
// after it ("office.hss" -> "office.hss.journal").
std::string JournalPathFor(const std::string& sitePath);

const char* JournalEndName(JournalEnd end);
