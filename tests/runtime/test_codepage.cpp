#include "runtime/codepage.h"

#include <gtest/gtest.h>

using namespace jiujiu;

namespace {

const std::string kReplacementUtf8 = "\xEF\xBF\xBD";

} // namespace

TEST(CodePage, RoundTrips)
{
    struct Row
    {
        const char *name;
        std::string utf8;
    };
    const Row rows[] = {
        {"ascii", "hello, world"},
        {"gbk chinese", "啾啾神器 为您找到"},
        {"full-width and ideographic space", "１２　ＡＢ"},
        {"hangul outside gbk", "한국어"},
        {"emoji outside gbk", "play \xF0\x9F\x8E\xAC"},
        {"rare cjk extension b", "\xF0\xA0\x80\x80"},
        {"empty", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Text text = Utf8ToText(row.utf8);
        EXPECT_EQ(TextToUtf8(text), row.utf8);
        const std::u16string utf16 = TextToUtf16(text);
        EXPECT_EQ(Utf16ToText(utf16), text);
        EXPECT_EQ(row.utf8.empty(), text.empty());
    }
}

TEST(CodePage, GbkBytesAreTheSame)
{
    // 中 is D6 D0 in GBK; GB18030 must give the identical bytes.
    EXPECT_EQ(Utf8ToText("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(TextToUtf16("\xD6\xD0"), u"中");
}

TEST(CodePage, InvalidInputIsReplacedNotDropped)
{
    struct Row
    {
        const char *name;
        std::string input;
        CodePage from;
        std::string expectedUtf8;
    };
    const Row rows[] = {
        {"stray utf-8 continuation", "a\x80z", CodePage::Utf8, "a" + kReplacementUtf8 + "z"},
        {"truncated utf-8 at end", "ab\xE4\xB8", CodePage::Utf8,
         "ab" + kReplacementUtf8 + kReplacementUtf8},
        {"overlong utf-8", "\xC0\xAF!", CodePage::Utf8, kReplacementUtf8 + kReplacementUtf8 + "!"},
        {"gb18030 lead byte at end", "x\xD6", CodePage::Ansi, "x" + kReplacementUtf8},
        {"gb18030 bad trail",
         "\xD6\x7F"
         "ok",
         CodePage::Ansi, kReplacementUtf8 + "\x7Fok"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ConvertCodePage(row.input, row.from, CodePage::Utf8), row.expectedUtf8);
    }
}

TEST(CodePage, LoneSurrogateInUtf16IsReplaced)
{
    const Text text = Utf16ToText(std::u16string(u"a") + char16_t(0xD800) + u"b");
    EXPECT_EQ(TextToUtf8(text), "a" + kReplacementUtf8 + "b");
}

TEST(CodePage, Utf8Validation)
{
    EXPECT_TRUE(IsValidUtf8("abc 中文 \xF0\x9F\x8E\xAC"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));
}

TEST(CodePage, LargeInputConvertsWhole)
{
    std::string utf8;
    for (int i = 0; i < 100000; ++i)
        utf8 += "结果总数&lt;";
    const Text text = Utf8ToText(utf8);
    EXPECT_EQ(TextToUtf8(text), utf8);
}
