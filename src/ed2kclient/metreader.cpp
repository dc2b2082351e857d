#include "ed2kclient/metreader.h"

namespace jiujiu {

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
        m_failed = true;
        return {};
    }
    const std::string_view out = m_bytes.substr(m_at, length);
    m_at += length;
    return out;
}

bool MetReader::skip(std::uint64_t length)
{
    if (length > remaining()) {
        m_failed = true;
        return false;
    }
    m_at += static_cast<std::size_t>(length);
    return true;
}

} // namespace jiujiu
