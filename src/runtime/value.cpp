#include "runtime/value.h"

#include <cstring>

namespace jiujiu {

ByteSet::ByteSet(const void *data, std::size_t size)
    : m_bytes(static_cast<const char *>(data), size)
{}

ByteSet ByteSet::fromImage(std::string_view image)
{
    if (image.size() < 8)
        return {};
    std::int32_t tag = 0;
    std::int32_t length = 0;
    std::memcpy(&tag, image.data(), 4);
    std::memcpy(&length, image.data() + 4, 4);
    if (tag != 1 || length < 0 || static_cast<std::size_t>(length) > image.size() - 8)
        return {};
    return ByteSet(std::string(image.substr(8, static_cast<std::size_t>(length))));
}

std::string ByteSet::image() const
{
    if (m_bytes.empty())
        return {};
    std::string out(8 + m_bytes.size(), '\0');
    const std::int32_t tag = 1;
    const auto length = static_cast<std::int32_t>(m_bytes.size());
    std::memcpy(out.data(), &tag, 4);
    std::memcpy(out.data() + 4, &length, 4);
    std::memcpy(out.data() + 8, m_bytes.data(), m_bytes.size());
    return out;
}

bool IsNumericKind(Kind kind)
{
    switch (kind) {
    case Kind::Byte:
    case Kind::Short:
    case Kind::Int:
    case Kind::Long:
    case Kind::Float:
    case Kind::Double:
        return true;
    default:
        return false;
    }
}

} // namespace jiujiu
