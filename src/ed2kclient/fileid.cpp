#include "ed2kclient/fileid.h"

#include "runtime/asciictype.h"

namespace jiujiu {
std::optional<Md4Hash> ParseMd4Hex(std::string_view hex)
{
    Md4Hash hash;
    if (hex.size() != hash.size() * 2)
        return std::nullopt;
    for (std::size_t i = 0; i < hash.size(); ++i) {
        const int high = AsciiHexValue(hex[2 * i]);
        const int low = AsciiHexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        hash[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return hash;
}

std::size_t FileIdHash::operator()(const FileId &file) const
{
    // The hash is already uniform: its first word, mixed with the size, is enough.
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < 8; ++i)
        word = word << 8 | file.hash[i];
    return static_cast<std::size_t>(word ^ (file.size * 0x9E3779B97F4A7C15ull));
}

std::string Md4Hex(const Md4Hash &hash)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(hash.size() * 2);
    for (const std::uint8_t byte : hash) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

} // namespace jiujiu
