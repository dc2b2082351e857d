#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace jiujiu {

// A cursor over the bytes of a client file, little-endian as the .met formats are. Every read
// checks what remains first: a read past the end fails and leaves the cursor failed, so a
// chain of reads needs one check at its end.
class MetReader final
{
public:
    explicit MetReader(std::string_view bytes) : m_bytes(bytes) {}

    bool failed() const { return m_failed; }
    std::size_t remaining() const { return m_failed ? 0 : m_bytes.size() - m_at; }

    // Zero once failed.
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    // The next `length` bytes; empty once failed.
    std::string_view bytes(std::size_t length);
    // Skips `length` bytes.
    bool skip(std::uint64_t length);

private:
    std::uint64_t little(std::size_t length);

    std::string_view m_bytes;
    std::size_t m_at = 0;
    bool m_failed = false;
};

} // namespace jiujiu
