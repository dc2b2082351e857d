#pragma once

// <compare> comes with <array>: moc, which reads this header as C++17, fails on <compare>
// named on its own.
#include <array>
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

    friend bool operator==(const FileId &, const FileId &) = default;
    // By hash (its bytes in order), then size; as two words, so a lookup among many files
    // costs a few integer comparisons a step.
    friend std::strong_ordering operator<=>(const FileId &a, const FileId &b)
    {
        for (std::size_t half = 0; half < 2; ++half) {
            const std::uint64_t x = BigEndianWord(a.hash, half);
            const std::uint64_t y = BigEndianWord(b.hash, half);
            if (x != y)
                return x <=> y;
        }
        return a.size <=> b.size;
    }

private:
    static std::uint64_t BigEndianWord(const Md4Hash &hash, std::size_t half)
    {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < 8; ++i)
            word = word << 8 | hash[half * 8 + i];
        return word;
    }
};

// For unordered containers of files.
struct FileIdHash
{
    std::size_t operator()(const FileId &file) const;
};

// 32 hexadecimal digits (either case) as a hash; none for anything else.
std::optional<Md4Hash> ParseMd4Hex(std::string_view hex);
// 32 lower-case hexadecimal digits.
std::string Md4Hex(const Md4Hash &hash);

} // namespace jiujiu
