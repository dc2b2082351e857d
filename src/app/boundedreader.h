#pragma once

#include <cstdint>

namespace jiujiu {

struct LoaderApiTable;

// A bounded view of bytes: every read says whether it stayed inside. With a loader table, a
// read must also find its pages readable (a mapped image has inaccessible sections).
class BoundedReader
{
public:
    BoundedReader(const void *data, std::uint64_t size, const LoaderApiTable *readable = nullptr);

    bool contains(std::uint64_t offset, std::uint64_t length) const;
    bool read16(std::uint64_t offset, std::uint16_t &v) const;
    bool read32(std::uint64_t offset, std::uint32_t &v) const;
    // A zero-terminated string that ends inside, read a page at most at a time.
    const char *string(std::uint64_t offset) const;
    const unsigned char *at(std::uint64_t offset) const { return m_data + offset; }

private:
    const unsigned char *m_data;
    std::uint64_t m_size;
    const LoaderApiTable *m_readable;
};

// Stores a little-endian 32-bit word.
void Write32(void *address, std::uint32_t v);

} // namespace jiujiu
