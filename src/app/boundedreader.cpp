#include "app/boundedreader.h"

#include "app/loaderapitable.h"

#include <algorithm>
#include <cstring>

namespace jiujiu {

BoundedReader::BoundedReader(const void *data, std::uint64_t size, const LoaderApiTable *readable)
    : m_data(static_cast<const unsigned char *>(data)), m_size(size), m_readable(readable)
{}

bool BoundedReader::contains(std::uint64_t offset, std::uint64_t length) const
{
    if (offset > m_size || length > m_size - offset)
        return false;
    return !m_readable || length == 0 ||
           !m_readable->isBadReadPtr(m_data + offset, static_cast<std::size_t>(length));
}

bool BoundedReader::read16(std::uint64_t offset, std::uint16_t &v) const
{
    if (!contains(offset, 2))
        return false;
    v = static_cast<std::uint16_t>(m_data[offset] | m_data[offset + 1] << 8);
    return true;
}

bool BoundedReader::read32(std::uint64_t offset, std::uint32_t &v) const
{
    if (!contains(offset, 4))
        return false;
    v = std::uint32_t(m_data[offset]) | std::uint32_t(m_data[offset + 1]) << 8 |
        std::uint32_t(m_data[offset + 2]) << 16 | std::uint32_t(m_data[offset + 3]) << 24;
    return true;
}

const char *BoundedReader::string(std::uint64_t offset) const
{
    constexpr std::uint64_t kChunk = 4096;
    for (std::uint64_t at = offset; at < m_size;) {
        const std::uint64_t address = reinterpret_cast<std::uintptr_t>(m_data) + at;
        const std::uint64_t length = std::min(m_size - at, kChunk - address % kChunk);
        if (!contains(at, length))
            return nullptr;
        if (std::memchr(m_data + at, 0, static_cast<std::size_t>(length)))
            return reinterpret_cast<const char *>(m_data + offset);
        at += length;
    }
    return nullptr;
}

void Write32(void *address, std::uint32_t v)
{
    auto *p = static_cast<unsigned char *>(address);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

} // namespace jiujiu
