// Skipping to a pattern's literal beginning: what is read off a pattern, and that a search
// which skips finds exactly the matches PCRE2 finds trying every place.
#include "regex/literalprefix.h"
#include "regex/regexcomponent.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <gtest/gtest.h>
#include <pcre2.h>
#include <random>

using namespace jiujiu;

namespace {

struct PrefixCase
{
    const char *pattern;
    bool caseless;
    const char *prefix;
};

void PrintTo(const PrefixCase &c, std::ostream *os)
{
    *os << '"' << c.pattern << (c.caseless ? "\" without case" : "\"");
}

class LiteralPrefixOf : public ::testing::TestWithParam<PrefixCase>
{
};

TEST_P(LiteralPrefixOf, ReadsOnlyWhatEveryMatchBeginsWith)
{
    EXPECT_EQ(LiteralPrefix::Of(GetParam().pattern, GetParam().caseless).bytes(),
              GetParam().prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LiteralPrefixOf,
    ::testing::Values(PrefixCase{"&lt;td&gt;(.*?) \n    ", true, "&lt;td&gt;"},
                      PrefixCase{"&LT;TD&GT;x", true, "&lt;td&gt;x"},
                      PrefixCase{"&LT;TD&GT;x", false, "&LT;TD&GT;x"},
                      // k and s also match the Kelvin sign and the long s.
                      PrefixCase{"&lt;span id", true, ""},
                      PrefixCase{"&lt;span id", false, "&lt;span id"},
                      PrefixCase{"width=&#39;70k", true, "width=&#39;70"},
                      // Quantified, alternated, escaped, grouped, non-ASCII, too short.
                      PrefixCase{"abcdefg*", true, "abcdef"},
                      PrefixCase{"abcdefg{2}", true, "abcdef"}, PrefixCase{"abcdefgh|x", true, ""},
                      PrefixCase{"abcdef\\d", true, "abcdef"}, PrefixCase{"\\x41bcdefg", true, ""},
                      PrefixCase{"(abcdefg)", true, ""}, PrefixCase{"[a]bcdefg", true, ""},
                      PrefixCase{"^abcdefg", true, ""}, PrefixCase{"abcdef结果", true, "abcdef"},
                      PrefixCase{"abcde", true, ""}, PrefixCase{"", true, ""}));

// Every match, trying every place: PCRE2 with the component's options and no skipping.
std::vector<std::pair<std::size_t, std::size_t>> EveryPlace(const std::string &pattern,
                                                            const std::string &text)
{
    pcre2_compile_context *context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_LF);
    int error = 0;
    PCRE2_SIZE at = 0;
    pcre2_code *code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE | PCRE2_ALT_BSUX |
                                         PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY |
                                         PCRE2_NO_START_OPTIMIZE,
                                     &error, &at, context);
    pcre2_match_data *data = pcre2_match_data_create_from_pattern(code, nullptr);
    std::vector<std::pair<std::size_t, std::size_t>> found;
    for (std::size_t start = 0; start <= text.size();) {
        if (pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start, 0,
                        data, nullptr) < 0)
            break;
        const PCRE2_SIZE *o = pcre2_get_ovector_pointer(data);
        found.emplace_back(o[0], o[1]);
        start = o[1] > o[0] ? o[1] : o[0] + 1;
    }
    pcre2_match_data_free(data);
    pcre2_code_free(code);
    pcre2_compile_context_free(context);
    return found;
}

// Texts made of the prefixes' pieces in every case, with the characters that fold onto k and s,
// so near misses stand next to matches.
TEST(LiteralPrefix, SkippingFindsWhatTryingEveryPlaceFinds)
{
    const std::vector<std::string> patterns = {"&lt;td&gt;(.*?);", "&lt;tr&gt;\n&lt;td&gt;x(.)",
                                               "Ktd&gt;(.)", "&amp;mode=(.*?);", "td&gt;;*"};
    const std::vector<std::string> pieces = {
        "&", "lt;", "LT;", "td", "TD",           "tR", "&gt;",     "\n",        "x",
        "y", ";",   "a",   "K",  "\xE2\x84\xAA", "s",  "\xC5\xBF", "amp;mode=", "&lt;td&gt;"};
    std::mt19937 random(20261208);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i)
            text += pieces[random() % pieces.size()];
        for (const std::string &pattern : patterns) {
            const RegexComponent component(pattern, {}, RegexEngine::Jit);
            ASSERT_TRUE(component.compiled()) << pattern;
            std::vector<std::pair<std::size_t, std::size_t>> skipping;
            component.scan(std::string_view(text), [&](const std::size_t *o) {
                skipping.emplace_back(o[0], o[1]);
                return true;
            });
            ASSERT_EQ(skipping, EveryPlace(pattern, text)) << pattern << " over " << text;
        }
    }
}

} // namespace
