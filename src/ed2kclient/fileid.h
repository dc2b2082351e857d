#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jiujiu {

// The MD4 hash that names an ed2k file.
using Md4Hash = std::array<std::uint8_t, 16>;

// An ed2k file: its hash and its size, as links and the client's files name it.
struct FileId
{
    Md4Hash hash{};
    std::uint64_t size = 0;

    friend auto operator<=>(const FileId &, const FileId &) = default;
};

// 32 hexadecimal digits (either case) as a hash; none for anything else.
std::optional<Md4Hash> ParseMd4Hex(std::string_view hex);
// 32 lower-case hexadecimal digits.
std::string Md4Hex(const Md4Hash &hash);

} // namespace jiujiu
