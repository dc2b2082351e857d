#include "ed2kclient/fileid.h"

namespace jiujiu {
namespace {

// Hexadecimal digits' values, -1 for every other byte.
constexpr std::array<signed char, 256> kHexDigits = [] {
    std::array<signed char, 256> digits{};
    digits.fill(-1);
    for (int i = 0; i < 10; ++i)
        digits['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        digits['a' + i] = static_cast<signed char>(10 + i);
        digits['A' + i] = static_cast<signed char>(10 + i);
    }
    return digits;
}();

int HexDigit(char c)
{
    return kHexDigits[static_cast<unsigned char>(c)];
}

} // namespace

std::optional<Md4Hash> ParseMd4Hex(std::string_view hex)
{
    Md4Hash hash;
    if (hex.size() != hash.size() * 2)
        return std::nullopt;
    for (std::size_t i = 0; i < hash.size(); ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        hash[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return hash;
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
