#pragma once
// Walking the netlink messages of a dump answer and the attributes inside
// them, with every length checked before it is used: for the parsers of the
// kernel's nl80211 dumps. Host byte order; the bytes may be unaligned.
//
//   nlmsghdr  len u32 (header included), type u16, flags u16, seq u32, pid u32
//   type NLMSG_DONE   end of the dump (an int32 error may follow: < 0 failed)
//   type NLMSG_ERROR  int32 -errno, then the request's header (0: an ack)
//   type NLMSG_OVERRUN  the kernel lost messages
//   type >= 16        the generic-netlink family (its id differs from boot to
//                     boot, so it is not compared)
//   attribute  nla_len u16 (header included), nla_type u16 (top two bits are
//              flags), payload, padded to 4

#include <linux/netlink.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace netlink {

template <typename T>
T Read(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Calls take(type, payload, length) for each attribute in [p, p + n); false
// when an attribute's length does not fit, when take refuses one, or when a
// tail too short for a header is left.
template <typename Take>
bool WalkAttributes(const uint8_t* p, size_t n, Take&& take) {
    size_t at = 0;
    while (n - at >= NLA_HDRLEN) {
        const uint16_t len = Read<uint16_t>(p + at);
        const uint16_t type = Read<uint16_t>(p + at + 2) & NLA_TYPE_MASK;
        if (len < NLA_HDRLEN || len > n - at) return false;
        if (!take(type, p + at + NLA_HDRLEN, size_t{len} - NLA_HDRLEN)) return false;
        const size_t step = NLA_ALIGN(size_t{len});
        at = step < n - at ? at + step : n;
    }
    return at == n;
}

enum class DumpState { kMore, kDone, kFailed };

// Reads one datagram of a dump answer: family(payload, length) for each
// message of the family, until the end of the dump. `error` gets the errno
// of a failed answer; `interrupted` is set when a message carries
// NLM_F_DUMP_INTR (the kernel's list changed while it was read: ask again). A
// message whose length does not fit ends the datagram (counted in
// `dropped`); bytes after the end are not read.
template <typename Family>
DumpState FeedDump(const uint8_t* data, size_t length, DumpState state, int& error, size_t& dropped,
                   bool& interrupted, Family&& family) {
    const auto fail = [&](int e) {
        error = e;
        return DumpState::kFailed;
    };
    const auto errnoOf = [](int32_t code) { return code == INT32_MIN ? EBADMSG : -code; };
    size_t at = 0;
    while (state == DumpState::kMore && length - at >= NLMSG_HDRLEN) {
        const uint32_t len = Read<uint32_t>(data + at);
        const uint16_t type = Read<uint16_t>(data + at + 4);
        if (Read<uint16_t>(data + at + 6) & NLM_F_DUMP_INTR) interrupted = true;
        if (len < NLMSG_HDRLEN || len > length - at) {
            ++dropped;
            break;
        }
        const uint8_t* payload = data + at + NLMSG_HDRLEN;
        const size_t n = len - NLMSG_HDRLEN;
        if (type == NLMSG_DONE || type == NLMSG_ERROR) {
            if (type == NLMSG_ERROR && n < 4) {
                state = fail(EBADMSG);
            } else {
                const int32_t code = n >= 4 ? Read<int32_t>(payload) : 0;
                state = code < 0 ? fail(errnoOf(code)) : DumpState::kDone;
            }
        } else if (type == NLMSG_OVERRUN) {
            state = fail(ENOBUFS);
        } else if (type >= NLMSG_MIN_TYPE) {
            family(payload, n);
        }
        const size_t step = NLMSG_ALIGN(size_t{len});
        at = step < length - at ? at + step : length;
    }
    return state;
}

}  // namespace netlink
