#include "cliwindow.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using jiujiu::CliWindow;

namespace {

// One character at a time, the obvious way: what the bulk escaper must agree with.
std::string ReferenceEscape(std::string_view cell)
{
    std::string out;
    for (char c : cell) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

struct EscapeRow
{
    const char *name;
    std::string cell;
    std::string escaped;
};

void PrintTo(const EscapeRow &row, std::ostream *out)
{
    *out << row.name;
}

class TsvEscape : public ::testing::TestWithParam<EscapeRow>
{
};

TEST_P(TsvEscape, WritesTheCellOnOneLine)
{
    EXPECT_EQ(CliWindow::EscapeTsvCell(GetParam().cell), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, TsvEscape,
    ::testing::Values(EscapeRow{"empty", "", ""}, EscapeRow{"plain", "Tom & Jerry", "Tom & Jerry"},
                      EscapeRow{"chinese", "每日新闻.第0001期", "每日新闻.第0001期"},
                      EscapeRow{"tab", "a\tb", "a\\tb"},
                      EscapeRow{"line_ends", "a\r\nb", "a\\r\\nb"},
                      EscapeRow{"backslash", "C:\\dir", "C:\\\\dir"},
                      EscapeRow{"at_both_ends", "\tmid\\", "\\tmid\\\\"},
                      EscapeRow{"only_escapes", "\\\\\n", "\\\\\\\\\\n"},
                      EscapeRow{"nul_kept", std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TsvEscape, AgreesWithTheReferenceOnRandomCells)
{
    // Cells drawn from the escaped characters, letters and UTF-8 bytes, so runs of every
    // length meet escapes at every position.
    const std::string alphabet = std::string("\t\r\n\\ab &") + "\xE6\x96\xB0";
    std::mt19937 random(20261208);
    int compared = 0;
    for (int i = 0; i < 5000; ++i) {
        std::string cell(random() % 40, ' ');
        for (char &c : cell)
            c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(CliWindow::EscapeTsvCell(cell), ReferenceEscape(cell)) << cell;
        ++compared;
    }
    EXPECT_EQ(compared, 5000);
}

} // namespace
