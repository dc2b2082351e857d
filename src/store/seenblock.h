#pragma once

#include "store/seenfiles.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

// The files a saved search has seen whose hash begins with one byte: a row of the store, so a
// run reads and writes a few hundred blobs instead of a row per file. Keys in ascending order,
// each with when it was first and last listed.
struct SeenBlock
{
    struct Times
    {
        std::int64_t first = 0;
        std::int64_t last = 0;
    };

    std::vector<SeenFiles::Key> keys;
    std::vector<Times> times; // one for each key

    // The block a key belongs to: its hash's first byte, as a signed number, so blocks in
    // ascending order hold the keys in ascending order.
    static std::int64_t BlockOf(const SeenFiles::Key &key) { return key.high >> 56; }

    // The blobs: keys, 24 bytes each (high, low, size), and times, 16 bytes each (first,
    // last), every number 8 bytes little-endian.
    std::string encodedKeys() const;
    std::string encodedTimes() const;
    // Appends the keys of a blob; false when its length is no whole number of keys.
    static bool DecodeKeys(std::string_view blob, std::vector<SeenFiles::Key> &keys);
    static bool DecodeTimes(std::string_view blob, std::vector<Times> &times);
};

} // namespace jiujiu
