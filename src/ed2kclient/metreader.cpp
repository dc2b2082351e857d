#include "ed2kclient/metreader.h"

#include <algorithm>

namespace jiujiu {
namespace {

// Read from a file at least this much at a time.
constexpr std::size_t kBlock = std::size_t{1} << 16;

} // namespace

MetReader::MetReader(std::string_view bytes) : m_bytes(bytes), m_size(bytes.size()) {}

MetReader::MetReader(std::FILE *file, std::uint64_t size) : m_size(size), m_file(file) {}

bool MetReader::fail()
{
    m_failed = true;
    return false;
}

std::uint64_t MetReader::little(std::size_t length)
{
    const std::string_view raw = bytes(length);
    std::uint64_t value = 0;
    for (std::size_t i = raw.size(); i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(raw[i]);
    return value;
}

std::uint8_t MetReader::u8()
{
    return static_cast<std::uint8_t>(little(1));
}

std::uint16_t MetReader::u16()
{
    return static_cast<std::uint16_t>(little(2));
}

std::uint32_t MetReader::u32()
{
    return static_cast<std::uint32_t>(little(4));
}

std::uint64_t MetReader::u64()
{
    return little(8);
}

std::string_view MetReader::bytes(std::size_t length)
{
    if (length > remaining()) {
        fail();
        return {};
    }
    if (!m_file) {
        const std::string_view out = m_bytes.substr(static_cast<std::size_t>(m_at), length);
        m_at += length;
        return out;
    }
    const std::uint64_t buffered = m_bufferAt + m_bytes.size();
    if (m_at + length > buffered) {
        // Keep what is left of the buffer, then fill it up to a block or to what is asked.
        std::string next(m_bytes.substr(static_cast<std::size_t>(m_at - m_bufferAt)));
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(std::max(length, kBlock), m_size - m_at) - next.size());
        const std::size_t kept = next.size();
        next.resize(kept + want);
        const std::size_t got = std::fread(next.data() + kept, 1, want, m_file);
        next.resize(kept + got);
        m_buffer = std::move(next);
        m_bufferAt = m_at;
        m_bytes = m_buffer;
        if (m_bytes.size() < length) { // the file is shorter than it was
            fail();
            return {};
        }
    }
    const std::string_view out =
        m_bytes.substr(static_cast<std::size_t>(m_at - m_bufferAt), length);
    m_at += length;
    return out;
}

bool MetReader::skip(std::uint64_t length)
{
    if (length > remaining())
        return fail();
    const std::uint64_t buffered = m_bufferAt + m_bytes.size();
    if (m_file && m_at + length > buffered) {
        // Past the buffer: straight to the place in the file.
        const std::uint64_t to = m_at + length;
        if (std::fseek(m_file, static_cast<long>(to - buffered), SEEK_CUR) != 0)
            return fail();
        m_bytes = {};
        m_buffer.clear();
        m_bufferAt = to;
    }
    m_at += length;
    return true;
}

} // namespace jiujiu
