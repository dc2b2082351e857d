#include "store/seenfiles.h"

#include <algorithm>

namespace jiujiu {

SeenFiles::Key SeenFiles::KeyOf(const FileId &file)
{
    std::uint64_t halves[2] = {0, 0};
    for (std::size_t i = 0; i < 16; ++i)
        halves[i / 8] = halves[i / 8] << 8 | file.hash[i];
    return {static_cast<std::int64_t>(halves[0]), static_cast<std::int64_t>(halves[1]),
            static_cast<std::int64_t>(file.size)};
}

SeenFiles::SeenFiles(std::vector<Key> keys, bool baseline)
    : m_keys(std::move(keys)), m_baseline(baseline)
{
    // The store answers in key order; a hand-made list may not.
    if (!std::is_sorted(m_keys.begin(), m_keys.end()))
        std::sort(m_keys.begin(), m_keys.end());
    m_slots.assign((std::size_t{1} << 16) + 1, 0);
    for (const Key &key : m_keys)
        ++m_slots[Slot(key) + 1];
    for (std::size_t i = 1; i < m_slots.size(); ++i)
        m_slots[i] += m_slots[i - 1];
}

std::size_t SeenFiles::Slot(const Key &key)
{
    // In the keys' signed order: the sign bit flipped.
    return static_cast<std::size_t>((static_cast<std::uint64_t>(key.high) >> 48) ^ 0x8000);
}

bool SeenFiles::contains(const Key &key) const
{
    if (m_keys.empty())
        return false;
    const std::size_t slot = Slot(key);
    return std::binary_search(m_keys.begin() + m_slots[slot], m_keys.begin() + m_slots[slot + 1],
                              key);
}

bool SeenFiles::isNew(const std::optional<FileId> &file) const
{
    return m_baseline && file && !contains(KeyOf(*file));
}

std::int64_t SeenFiles::countNew(const std::vector<FileId> &files) const
{
    if (!m_baseline)
        return 0;
    std::vector<Key> fresh;
    for (const FileId &file : files)
        if (const Key key = KeyOf(file); !contains(key))
            fresh.push_back(key);
    std::sort(fresh.begin(), fresh.end());
    return std::unique(fresh.begin(), fresh.end()) - fresh.begin();
}

} // namespace jiujiu
