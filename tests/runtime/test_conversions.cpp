#include "runtime/codepage.h"
#include "runtime/conversions.h"

#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace jiujiu;

namespace {

Text G(const char *utf8)
{
    return Utf8ToText(utf8);
}

ByteSet Bytes(std::string_view bytes)
{
    return ByteSet(std::string(bytes));
}

template <class T>
Array NumericArray(Kind kind, std::initializer_list<T> values)
{
    Array array{kind, {}, values.size()};
    for (T v : values)
        array.elementBytes.append(reinterpret_cast<const char *>(&v), sizeof v);
    return array;
}

struct ToTextRow
{
    const char *name;
    Value value;
    Text expected;
};

} // namespace

TEST(ToText, EveryKind)
{
    const ToTextRow rows[] = {
        {"text copied", Value(G("中文abc")), G("中文abc")},
        {"empty text", Value(Text()), Text()},
        {"byte-set stops at first zero", Value(Bytes({"ab\0cd", 5})), "ab"},
        {"byte-set without zero whole", Value(Bytes("xyz")), "xyz"},
        {"empty byte-set", Value(ByteSet()), ""},
        {"int array as element bytes", Value(NumericArray<std::int32_t>(Kind::Int, {0x434241})),
         "ABC"},
        {"byte array", Value(NumericArray<std::uint8_t>(Kind::Byte, {'h', 'i'})), "hi"},
        {"text array is empty", Value(Array{Kind::Text, {}, 3}), ""},
        {"byte", Value(std::uint8_t{200}), "200"},
        {"short negative", Value(std::int16_t{-32768}), "-32768"},
        {"int 7", Value(7), "7"},
        {"int min", Value(std::numeric_limits<std::int32_t>::min()), "-2147483648"},
        {"long", Value(std::int64_t{-9000000000LL}), "-9000000000"},
        {"float %.6g", Value(3.14159265f), "3.14159"},
        {"float large", Value(1234567.0f), "1.23457e+06"},
        {"double 0.1", Value(0.1), "0.1"},
        {"double %.13g", Value(1.0 / 3.0), "0.3333333333333"},
        {"double integral", Value(42.0), "42"},
        {"bool true", Value(true), G("真")},
        {"bool false", Value(false), G("假")},
        {"date only", Value(DateTime{45000.0}), G("2023年3月15日")},
        {"date hour", Value(DateTime{45000.25}), G("2023年3月15日6时")},
        {"date minutes", Value(DateTime{45000.0 + 90.0 / 1440}), G("2023年3月15日1时30分")},
        {"date seconds", Value(DateTime{45000.0 + 5.0 / 86400}), G("2023年3月15日0时0分5秒")},
        {"epoch", Value(DateTime{0}), G("1899年12月30日")},
        {"negative date keeps time of day", Value(DateTime{-1.25}), G("1899年12月29日6时")},
        {"negative date rounding up to midnight is the next day", Value(DateTime{-2.9999999999}),
         G("1899年12月29日")},
        {"negative fraction rounding up to midnight is the next day",
         Value(DateTime{-0.9999999999}), G("1899年12月31日")},
        {"positive date rounding up to midnight is the next day", Value(DateTime{45000.9999999999}),
         G("2023年3月16日")},
        {"clamped low", Value(DateTime{-1e9}), G("100年1月1日")},
        {"clamped high", Value(DateTime{1e9}), G("9999年12月31日")},
        {"omitted", Value(), ""},
        {"subroutine", Value(SubroutinePointer{5}), ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ToText(row.value), row.expected);
    }
}

TEST(ToInteger, EveryKind)
{
    struct Row
    {
        const char *name;
        Value value;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"bool true", Value(true), 1},
        {"int", Value(-5), -5},
        {"subroutine", Value(SubroutinePointer{0x401000}), 0x401000},
        {"long low bits", Value(std::int64_t{0x1'0000'0005LL}), 5},
        {"long negative", Value(std::int64_t{-3}), -3},
        {"byte zero-extended", Value(std::uint8_t{0xFF}), 255},
        {"short sign-extended", Value(std::int16_t{-2}), -2},
        {"double truncates", Value(-2.7), -2},
        {"float truncates", Value(2.9f), 2},
        {"double NaN is indefinite", Value(std::numeric_limits<double>::quiet_NaN()),
         std::numeric_limits<std::int32_t>::min()},
        {"double too large is indefinite", Value(1e20), std::numeric_limits<std::int32_t>::min()},
        {"blanks sign digits letters", Value("  -12abc"), -12},
        {"plus sign", Value("+7"), 7},
        {"leading tab and newline", Value("\t\n 42"), 42},
        {"no digits", Value("abc"), 0},
        {"empty", Value(""), 0},
        {"digits then markup", Value("25&amp;mode"), 25},
        {"full-width digits", Value(G("１２")), 12},
        {"full-width minus", Value(G("－３")), -3},
        {"ideographic space skipped", Value(G("　9")), 9},
        {"chinese stops", Value(G("3页")), 3},
        {"saturates high", Value("99999999999"), std::numeric_limits<std::int32_t>::max()},
        {"saturates low", Value("-99999999999"), std::numeric_limits<std::int32_t>::min()},
        {"int min text", Value("-2147483648"), std::numeric_limits<std::int32_t>::min()},
        {"byte-set", Value(ByteSet(std::string("12"))), 0},
        {"omitted", Value(), 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ToInteger(row.value), row.expected);
    }
}

TEST(NormaliseText, DoubleByteForms)
{
    struct Row
    {
        const char *name;
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        {"full-width A", "\xA3\xC1", "A"},
        {"full-width range ends", "\xA3\xA1\xA3\xFE", "!~"},
        {"ideographic space", "\xA1\xA1", " "},
        {"wave dash", "\xA1\xAB", "~"},
        {"two stars", "\xA1\xEE\xA1\xEF", "**"},
        {"other double-byte kept", "\xD6\xD0", "\xD6\xD0"},
        {"single bytes kept", "a1 ", "a1 "},
        {"trailing lead byte ends", "ab\xA3", "ab"},
        {"four-byte sequence kept whole", "\x81\x30\x81\x30x", "\x81\x30\x81\x30x"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NormaliseText(row.input), row.expected);
    }
}

TEST(ByteSet, WireImageRoundTrip)
{
    const ByteSet bytes(std::string("a\0b", 3));
    const std::string image = bytes.image();
    ASSERT_EQ(image.size(), 11u);
    std::int32_t tag = 0, length = 0;
    std::memcpy(&tag, image.data(), 4);
    std::memcpy(&length, image.data() + 4, 4);
    EXPECT_EQ(tag, 1);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(ByteSet::fromImage(image), bytes);
    EXPECT_EQ(ByteSetLength(bytes), 3);
    EXPECT_EQ(ByteSetLength(ByteSet()), 0);
    EXPECT_TRUE(ByteSet().image().empty());
}

TEST(ByteSet, MalformedImagesAreEmpty)
{
    const std::string good = ByteSet(std::string("xyz")).image();
    std::string badTag = good;
    badTag[0] = 2;
    std::string longLength = good;
    longLength[4] = 4;
    std::string negative = good;
    negative[7] = static_cast<char>(0x80);
    for (const std::string &image : {badTag, longLength, negative, good.substr(0, 7)})
        EXPECT_TRUE(ByteSet::fromImage(image).empty());
}

TEST(Concatenate, JoinsInOrder)
{
    EXPECT_EQ(Concatenate({"a", "", "bc", G("中")}), "abc" + G("中"));
    EXPECT_EQ(Concatenate({}), "");
}

TEST(Value, LiteralTextIsTextNotBool)
{
    EXPECT_EQ(Value("x").kind(), Kind::Text);
    EXPECT_EQ(Value(std::string("x")).kind(), Kind::Text);
    EXPECT_EQ(Value(1).kind(), Kind::Int);
    EXPECT_TRUE(Value().isOmitted());
}
