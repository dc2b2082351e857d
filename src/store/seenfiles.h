#pragma once

#include "ed2kclient/fileid.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace jiujiu {

// The files earlier runs of one saved search listed, to tell which rows are new. A search
// that never ran has no baseline: nothing is new on its first run.
class SeenFiles final
{
public:
    // A file as the store keys it: the hash as two signed words (big-endian halves), the size.
    struct Key
    {
        std::int64_t high = 0;
        std::int64_t low = 0;
        std::int64_t size = 0;

        friend auto operator<=>(const Key &, const Key &) = default;
    };

    static Key KeyOf(const FileId &file);

    SeenFiles() = default;
    // keys in ascending order, as the store reads them.
    SeenFiles(std::vector<Key> keys, bool baseline);

    // A file no earlier run listed, once there was one; a row without a well-formed link
    // (file: none) is never new.
    bool isNew(const std::optional<FileId> &file) const;
    // How many different files of these are new.
    std::int64_t countNew(const std::vector<FileId> &files) const;
    bool hasBaseline() const { return m_baseline; }
    std::size_t size() const { return m_keys.size(); }

private:
    // Where the keys of each value of the hash's first 16 bits begin: a lookup searches a
    // handful of keys instead of half a million (each step of which misses the cache).
    static std::size_t Slot(const Key &key);
    bool contains(const Key &key) const;

    std::vector<Key> m_keys;
    std::vector<std::uint32_t> m_slots;
    bool m_baseline = false;
};

} // namespace jiujiu
