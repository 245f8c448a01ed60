#include "journal/JournalReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "common/Crc32.h"
#include "site/ByteOrder.h"
#include "site/PointsWalker.h"
#include "site/SiteFile.h"

size_t JournalContents::PointCount() const {
    size_t n = 0;
    for (const JournalChange& c : changes) n += std::holds_alternative<JournalPoint>(c);
    return n;
}

size_t JournalContents::DeletionCount() const { return changes.size() - PointCount(); }

JournalContents ReadJournal(IByteSource& src) {
    using namespace journal;
    JournalContents out;
    const uint64_t size = src.Size();
    SectionCursor cursor(src, 0);
    uint8_t header[kHeaderBytes];
    if (size < kHeaderBytes) {
        // A journal whose start was cut short holds nothing, but it is one.
        std::vector<uint8_t> whole;
        AppendFileHeader(whole);
        const size_t n = src.ReadAt(0, header, static_cast<size_t>(size));
        if (n == size && std::equal(header, header + n, whole.begin()))
            out.end = JournalEnd::TornTail;
        return out;
    }
    if (!cursor.Take(header, kHeaderBytes, kHeaderBytes) || !FileHeaderIsValid(header)) return out;

    uint64_t at = kHeaderBytes;
    out.validEnd = at;
    std::vector<uint8_t> payload;
    out.end = JournalEnd::Clean;
    while (at < size) {
        uint8_t frame[kFrameBytes];
        if (size - at < kFrameBytes) {
            out.end = JournalEnd::TornTail;
            break;
        }
        cursor.Take(frame, kFrameBytes, kFrameBytes);
        const uint32_t length = LoadLe32(frame);
        if (length == 0 || length > kMaxPayloadBytes) {
            out.end = JournalEnd::Corrupt;
            break;
        }
        // Checked against the bytes really there before anything is allocated.
        if (length > size - at - kFrameBytes) {
            out.end = JournalEnd::TornTail;
            break;
        }
        payload.resize(length);
        if (!cursor.Take(payload.data(), length, length)) {
            out.end = JournalEnd::TornTail;  // the file shrank under us
            break;
        }
        Decoded record;
        if (Crc32(payload.data(), length, Crc32(frame, 4)) != LoadLe32(frame + 4) ||
            !DecodePayload(payload.data(), length, record)) {
            out.end = JournalEnd::Corrupt;
            break;
        }
        // Begin stands first and only there.
        const bool isBegin = std::holds_alternative<JournalBegin>(record);
        if (isBegin != !out.hasBegin) {
            out.end = out.hasBegin ? JournalEnd::Corrupt : JournalEnd::NotAJournal;
            break;
        }
        at += kFrameBytes + length;
        out.validEnd = at;
        if (isBegin) {
            out.begin = std::get<JournalBegin>(record);
            out.hasBegin = true;
            out.beginEnd = at;
        } else if (const auto* saved = std::get_if<JournalSaved>(&record)) {
            out.savedAs = saved->binding;
        } else {
            if (auto* point = std::get_if<JournalPoint>(&record))
                out.changes.emplace_back(std::move(*point));
            else
                out.changes.emplace_back(std::get<JournalDeletion>(record));
            out.changeEnds.push_back(at);
            out.savedAs.reset();
        }
    }
    return out;
}

JournalFile ReadJournalFile(const std::string& path) {
    JournalFile file;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return file;
    file.exists = true;
    FileSource src(path);
    if (!src.Status().ok) {
        // The reason alone: the status names the file on a line below it.
        file.error = src.Status().text.substr(0, src.Status().text.find('\n'));
        return file;
    }
    file.contents = ReadJournal(src);
    return file;
}

std::string JournalPathFor(const std::string& sitePath) { return sitePath + ".journal"; }

const char* JournalEndName(JournalEnd end) {
    switch (end) {
        case JournalEnd::Clean:
            return "clean";
        case JournalEnd::TornTail:
            return "torn tail";
        case JournalEnd::Corrupt:
            return "corrupt";
        case JournalEnd::NotAJournal:
            break;
    }
    return "not a journal";
}
