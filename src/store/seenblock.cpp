#include "store/seenblock.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace jiujiu {

namespace {

std::uint64_t LittleEndian(std::uint64_t value)
{
    if constexpr (std::endian::native == std::endian::little)
        return value;
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i, value >>= 8)
        swapped = swapped << 8 | (value & 0xff);
    return swapped;
}

// Numbers as 8-byte little-endian words, appended or read in place.
void Put(std::string &out, std::size_t &at, std::int64_t value)
{
    const std::uint64_t word = LittleEndian(static_cast<std::uint64_t>(value));
    std::memcpy(out.data() + at, &word, 8);
    at += 8;
}

std::int64_t Get(const char *&from)
{
    std::uint64_t word = 0;
    std::memcpy(&word, from, 8);
    from += 8;
    return static_cast<std::int64_t>(LittleEndian(word));
}

} // namespace

std::string SeenBlock::encodedKeys() const
{
    std::string out(keys.size() * 24, '\0');
    std::size_t at = 0;
    for (const SeenFiles::Key &key : keys) {
        Put(out, at, key.high);
        Put(out, at, key.low);
        Put(out, at, key.size);
    }
    return out;
}

std::string SeenBlock::encodedTimes() const
{
    std::string out(times.size() * 16, '\0');
    std::size_t at = 0;
    for (const Times &t : times) {
        Put(out, at, t.first);
        Put(out, at, t.last);
    }
    return out;
}

bool SeenBlock::DecodeKeys(std::string_view blob, std::vector<SeenFiles::Key> &keys)
{
    if (blob.size() % 24 != 0)
        return false;
    const char *from = blob.data();
    // Blocks are appended one after another: the room grows by doubling, not block by block.
    if (const std::size_t needed = keys.size() + blob.size() / 24; needed > keys.capacity())
        keys.reserve(std::max(needed, keys.capacity() * 2));
    for (std::size_t n = blob.size() / 24; n > 0; --n) {
        SeenFiles::Key key;
        key.high = Get(from);
        key.low = Get(from);
        key.size = Get(from);
        keys.push_back(key);
    }
    return true;
}

bool SeenBlock::DecodeTimes(std::string_view blob, std::vector<Times> &times)
{
    if (blob.size() % 16 != 0)
        return false;
    const char *from = blob.data();
    if (const std::size_t needed = times.size() + blob.size() / 16; needed > times.capacity())
        times.reserve(std::max(needed, times.capacity() * 2));
    for (std::size_t n = blob.size() / 16; n > 0; --n) {
        Times t;
        t.first = Get(from);
        t.last = Get(from);
        times.push_back(t);
    }
    return true;
}

} // namespace jiujiu
