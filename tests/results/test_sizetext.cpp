#include "results/sizetext.h"

#include <gtest/gtest.h>
#include <optional>

using namespace jiujiu;

TEST(SizeText, Sizes)
{
    constexpr std::uint64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024, TiB = GiB * 1024;
    struct Row
    {
        const char *name;
        const char *text;
        std::optional<std::uint64_t> bytes;
    };
    const Row rows[] = {
        {"gigabytes with a fraction", "4.37 GB", 4692251771ULL}, // 4692251770.88
        {"megabytes", "700 MB", 700 * MiB},
        {"no blank before the unit", "12.3KB", 12595}, // 12595.2
        {"thousands separator", "1,024 B", 1024},
        {"rounds half up", "0.5 B", 1},
        {"bare number is bytes", "123", 123},
        {"lower-case unit", "1.5 mb", MiB + MiB / 2},
        {"short units", "2K", 2 * KiB},
        {"binary prefix spelled out", "3 GiB", 3 * GiB},
        {"terabytes", "1 TB", TiB},
        {"blanks around", "  1.00 GB \n", GiB},
        {"the demo service's megabytes", "81.3 MB", 85249229ULL},
        {"bytes spelled out", "10 bytes", 10},
        {"zero", "0 B", 0},
        {"leading zeros", "007 KB", 7 * KiB},
        {"many fraction digits", "1.0000000000000000000000001 KB", KiB},
        {"empty is unknown", "", std::nullopt},
        {"words are unknown", "unknown", std::nullopt},
        {"Chinese is unknown", "\xE6\x9C\xAA\xE7\x9F\xA5", std::nullopt},
        {"negative is unknown", "-1 MB", std::nullopt},
        {"unknown unit", "5 XB", std::nullopt},
        {"dot without fraction", "5. MB", std::nullopt},
        {"fraction without whole", ".5 MB", std::nullopt},
        {"two numbers", "1 2 MB", std::nullopt},
        {"bad grouping", "1,02 MB", std::nullopt},
        {"group too long", "1,0245 B", std::nullopt},
        {"overflow", "99999999999 PB", std::nullopt},
        {"largest whole bytes", "18446744073709551615", 18446744073709551615ULL},
        {"one past the largest", "18446744073709551616", std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ParseSizeText(row.text), row.bytes) << row.text;
    }
}

TEST(SizeText, Counts)
{
    struct Row
    {
        const char *name;
        const char *text;
        std::optional<std::int64_t> count;
    };
    const Row rows[] = {
        {"digits", "1234", 1234},
        {"blanks around", " 12 ", 12},
        {"thousands", "1,234,567", 1234567},
        {"zero", "0", 0},
        {"empty", "", std::nullopt},
        {"sign", "-5", std::nullopt},
        {"trailing text", "12x", std::nullopt},
        {"fraction", "1.5", std::nullopt},
        {"too large", "99999999999999999999", std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ParseCountText(row.text), row.count) << row.text;
    }
}
