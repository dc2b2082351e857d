#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace jiujiu {

// A cursor over the bytes of a client file, little-endian as the .met formats are: over bytes
// in memory, or read from an open file a block at a time, so a large known.met never has to be
// held whole (its part hashes, most of its bytes, are skipped over). Every read checks what
// remains first: a read past the end fails and leaves the cursor failed, so a chain of reads
// needs one check at its end.
class MetReader final
{
public:
    explicit MetReader(std::string_view bytes);
    // Reads `size` bytes of the file from where it stands; the file must outlive the reader.
    MetReader(std::FILE *file, std::uint64_t size);

    bool failed() const { return m_failed; }
    std::uint64_t remaining() const { return m_failed ? 0 : m_size - m_at; }

    // Zero once failed.
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    // The next `length` bytes, valid until the next read; empty once failed.
    std::string_view bytes(std::size_t length);
    // Skips `length` bytes.
    bool skip(std::uint64_t length);

private:
    std::uint64_t little(std::size_t length);
    bool fail();

    std::string_view m_bytes; // in memory: all of them; from a file: what the buffer holds
    std::uint64_t m_size;     // of everything
    std::uint64_t m_at = 0;   // position in everything
    std::FILE *m_file = nullptr;
    std::string m_buffer;
    std::uint64_t m_bufferAt = 0; // position of the buffer's first byte
    bool m_failed = false;
};

} // namespace jiujiu
