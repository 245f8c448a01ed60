#pragma once
// Feeds a fuzz input to a netlink dump parser as the socket would deliver it.
// Byte 0 chooses how the rest is cut into datagrams:
//   bit 7    0: one datagram; 1: datagrams of varying size
//   bits 0-6 seed of the sizes
// Each datagram is an exact-size heap copy, so ASan sees any read past its
// end; after the parser has left State::kMore nothing may change it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

template <typename Parser>
void FeedDatagrams(Parser& parser, const uint8_t* data, size_t size, const char* target) {
    if (size == 0) return;
    const bool split = data[0] & 0x80;
    uint32_t seed = data[0] & 0x7F;
    ++data;
    --size;
    size_t at = 0;
    while (at < size) {
        size_t n = size - at;
        if (split) {
            seed = seed * 1664525u + 1013904223u;
            n = 1 + (seed >> 8) % n;
        }
        const auto datagram = std::make_unique<uint8_t[]>(n);
        std::memcpy(datagram.get(), data + at, n);
        const auto before = parser.GetState();
        const size_t entries = parser.Entries().size();
        parser.Feed(datagram.get(), n);
        if (before != Parser::State::kMore &&
            (parser.GetState() != before || parser.Entries().size() != entries)) {
            std::fprintf(stderr, "%s: the parser read on after the end of the answer\n", target);
            std::abort();
        }
        at += n;
    }
}
