#include "conversionreference.h"
#include "regex/regexmatches.h"
#include "regex/regexobject.h"
#include "regex/regexsubject.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace jiujiu;

namespace {

// Random bytes biased towards the byte classes GB18030 is made of, so that two-byte and
// four-byte codes, bad trails and cut-off codes all occur often.
std::string RandomGbBytes(std::mt19937 &random, std::size_t length)
{
    std::string out;
    while (out.size() < length) {
        switch (random() % 6) {
        case 0:
            out += static_cast<char>(random() % 0x80);
            break;
        case 1:
            out += static_cast<char>(0x81 + random() % 0x7E);
            out += static_cast<char>(0x40 + random() % 0xBF);
            break;
        case 2: // four-byte shape, valid or not
            out += static_cast<char>(0x81 + random() % 0x7E);
            out += static_cast<char>(0x30 + random() % 10);
            out += static_cast<char>(0x81 + random() % 0x7E);
            out += static_cast<char>(0x30 + random() % 10);
            break;
        case 3: // a real supplementary-plane or BMP four-byte character
            out += random() % 2 ? "\x95\x32\x82\x36" : "\x81\x30\x81\x30";
            break;
        default:
            out += static_cast<char>(random() % 256);
            break;
        }
    }
    return out;
}

} // namespace

// The subject conversion must give exactly what the program's code-page converter gives.
TEST(RegexSubject, AgreesWithTheCodePageConverter)
{
    std::mt19937 random(20261208);
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string bytes = RandomGbBytes(random, 1 + random() % 64);
        const RegexSubject subject(bytes);
        ASSERT_TRUE(subject.utf8() == ConvertCodePage(bytes, CodePage::Ansi, CodePage::Utf8))
            << testing::PrintToString(bytes);
        ASSERT_TRUE(IsValidUtf8(subject.utf8()));
        ++compared;
    }
    EXPECT_EQ(compared, 3000);
}

// Against the plain converter too, with ASCII runs ending around the scanner's widths.
TEST(RegexSubject, AgreesWithThePlainConverterAtRunEdges)
{
    std::mt19937 random(20261210);
    int compared = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string bytes = test::RandomSample(random, CodePage::Ansi, random() % 200);
        ASSERT_TRUE(RegexSubject(bytes).utf8() ==
                    test::IconvReference(bytes, CodePage::Ansi, CodePage::Utf8))
            << testing::PrintToString(bytes);
        ++compared;
    }
    EXPECT_EQ(compared, 3000);
}

TEST(RegexSubject, EveryTwoByteCodeAgrees)
{
    std::string all;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            all += static_cast<char>(lead);
            all += static_cast<char>(trail);
            all += ' '; // keeps a bad code from swallowing the next one
        }
    EXPECT_TRUE(RegexSubject(all).utf8() == ConvertCodePage(all, CodePage::Ansi, CodePage::Utf8));
    EXPECT_TRUE(RegexSubject(all).utf8() ==
                test::IconvReference(all, CodePage::Ansi, CodePage::Utf8));
}

// Matching each character on its own and joining the matches must give the subject back:
// every character boundary maps to the right subject byte.
TEST(RegexSubject, CharacterMatchesTileTheSubject)
{
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        const std::string bytes = RandomGbBytes(random, 1 + random() % 200);
        SCOPED_TRACE(testing::PrintToString(bytes));
        RegexObject regex;
        regex.Create("[\\s\\S]");
        const int n = regex.Execute(bytes);
        std::size_t characters = 0; // UTF-8 lead bytes
        const RegexSubject converted(bytes);
        for (const char b : converted.utf8())
            characters += (static_cast<unsigned char>(b) & 0xC0) != 0x80;
        ASSERT_EQ(static_cast<std::size_t>(n), characters);
        std::string joined;
        for (int m = 1; m <= n; ++m) {
            const Text piece = regex.GetMatchText(m);
            ASSERT_FALSE(piece.empty());
            joined += piece;
        }
        ASSERT_EQ(joined, bytes);
    }
}

TEST(RegexSubject, TooLargeSubjectMatchesNothing)
{
    const std::string huge(RegexSubject::kMaxBytes + 1, 'a');
    RegexObject regex;
    regex.Create("a");
    EXPECT_EQ(regex.Execute(huge), 0);
    EXPECT_TRUE(regex.Matches()->limitReached());
    EXPECT_EQ(regex.Replace(huge, "b"), huge) << "no match: the source as it was";
    regex.Create("");
    EXPECT_EQ(regex.Execute(""), 1) << "the empty text after it is not mistaken for it";
}

// Every character boundary of subjects many blocks long maps back to its own subject byte.
TEST(RegexSubject, OffsetsMapBackAcrossBlocks)
{
    struct Piece
    {
        std::string text; // GB18030
        std::size_t utf8Length;
    };
    const Piece pieces[] = {
        {"a", 1},
        {std::string(300, 'x'), 300}, // longer than a block
        {"\xD6\xD0", 3},              // 中
        {"\x81\x30\x81\x30", 2},      // U+0080
        {"\x95\x32\x82\x36", 4},      // plane 2
        {"\xFF", 3},                  // a bad byte: U+FFFD
    };
    std::mt19937 random(99);
    int checked = 0;
    for (int round = 0; round < 40; ++round) {
        std::string text;
        std::vector<std::pair<std::size_t, std::size_t>> boundaries{{0, 0}};
        std::size_t utf8 = 0;
        const int count = 1 + static_cast<int>(random() % 3000);
        for (int k = 0; k < count; ++k) {
            const Piece &p = pieces[random() % std::size(pieces)];
            text += p.text;
            utf8 += p.utf8Length;
            boundaries.emplace_back(utf8, text.size());
        }
        const RegexSubject subject(text);
        ASSERT_EQ(subject.utf8().size(), utf8);
        for (const auto &[u, t] : boundaries) {
            ASSERT_EQ(subject.TextOffset(u), t) << "utf-8 offset " << u << " of " << utf8;
            ++checked;
        }
        EXPECT_EQ(subject.TextOffset(utf8 + 1000), text.size()) << "past the end";
    }
    EXPECT_GT(checked, 20000);
}
