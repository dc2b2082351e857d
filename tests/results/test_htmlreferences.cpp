#include "resultpage.h"
#include "results/htmlreferences.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace jiujiu;

namespace {

std::string DecodeOnce(const std::string &utf8)
{
    return TextToUtf8(DecodeHtmlReferences(Utf8ToText(utf8)));
}

std::string DecodeCaptured(const std::string &utf8)
{
    return TextToUtf8(DecodeCapturedText(Utf8ToText(utf8)));
}

} // namespace

TEST(HtmlReferences, OneLevel)
{
    struct Row
    {
        const char *name;
        std::string in;
        std::string out;
    };
    const Row rows[] = {
        {"plain text is untouched", "啾啾 ed2k://|file|a|1|/", "啾啾 ed2k://|file|a|1|/"},
        {"five named references", "&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
        {"decimal apostrophe as the viewer writes it", "it&#39;s", "it's"},
        {"hexadecimal, either case", "&#x41;&#X42;&#x6a;", "ABj"},
        {"leading zeros", "&#0065;&#x00041;", "AA"},
        {"Chinese by number", "&#21886;&#x556E;", "啾啮"},
        {"beyond the basic plane", "&#x1F600;", "\xF0\x9F\x98\x80"},
        {"line feed by number", "a&#10;b", "a\nb"},
        {"references back to back", "&amp;&amp;&lt;", "&&<"},
        {"one level only", "&amp;lt;", "&lt;"},
        {"unknown name stays", "a&nbsp;b&copy;", "a&nbsp;b&copy;"},
        {"names are case-sensitive", "&AMP;&Lt;", "&AMP;&Lt;"},
        {"unterminated at the end", "Tom &amp", "Tom &amp"},
        {"unterminated before a blank", "Tom &amp Jerry", "Tom &amp Jerry"},
        {"a new ampersand ends the old one", "&&amp;", "&&"},
        {"bare ampersand", "Tom & Jerry", "Tom & Jerry"},
        {"empty reference", "&;", "&;"},
        {"number without digits", "&#;&#x;", "&#;&#x;"},
        {"hex digits in a decimal reference", "&#1F;", "&#1F;"},
        {"not hex", "&#xZZ;", "&#xZZ;"},
        {"zero names no character", "&#0;", "&#0;"},
        {"surrogate names no character", "&#xD800;&#57343;", "&#xD800;&#57343;"},
        {"beyond Unicode", "&#x110000;&#1114112;", "&#x110000;&#1114112;"},
        {"huge number", "&#99999999999999999999;", "&#99999999999999999999;"},
        {"Chinese inside a would-be reference", "&a啾;", "&a啾;"},
        {"reference after Chinese", "啾&amp;啾", "啾&啾"},
        {"too long to be one", "&#x000000000000000041;", "&#x000000000000000041;"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DecodeOnce(row.in), row.out);
    }
}

TEST(HtmlReferences, TwoLevelsOfACapturedCell)
{
    struct Row
    {
        const char *name;
        std::string in;
        std::string out;
    };
    const Row rows[] = {
        {"the site's &amp; under the viewer's", "Tom &amp;amp; Jerry", "Tom & Jerry"},
        {"a raw & under the viewer's", "Tom &amp; Jerry", "Tom & Jerry"},
        {"a link", "ed2k://|file|A&amp;amp;B.rar|1|/", "ed2k://|file|A&B.rar|1|/"},
        {"the page's numeric reference", "&amp;#21886;", "啾"},
        {"literal text &lt; on the page", "&amp;amp;lt;", "&lt;"},
        {"quote and apostrophe", "&amp;quot;x&amp;#39;", "\"x'"},
        {"nothing to decode", "每日新闻.第0001期.mp4", "每日新闻.第0001期.mp4"},
        {"unknown reference survives both", "&amp;nbsp;", "&nbsp;"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DecodeCaptured(row.in), row.out);
    }
}

// The demo service escapes as the viewer does; decoding undoes it for any text.
TEST(HtmlReferences, UndoesTheViewersEscaping)
{
    const std::string alphabet[] = {"&", "<", ">", "\"", "'",  ";", "#",    "x",  "a", "m",
                                    "p", "1", " ", "啾", "新", "|", "&amp", "&#", "€"};
    std::mt19937 random(12);
    int checked = 0;
    for (int n = 0; n < 2000; ++n) {
        std::string text;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i)
            text += alphabet[random() % std::size(alphabet)];
        const std::string escaped = demo::EscapeHtml(text);
        ASSERT_EQ(DecodeOnce(escaped), text) << escaped;
        // The page's own escaping under the viewer's: two levels.
        ASSERT_EQ(DecodeCaptured(demo::EscapeHtml(escaped)), text) << escaped;
        ++checked;
    }
    EXPECT_EQ(checked, 2000);
}

// Whatever the input, the output is text the code pages read back unchanged.
TEST(HtmlReferences, NeverMakesInvalidText)
{
    std::mt19937 random(7);
    const std::string pieces[] = {"&#",    "&#x", "&", ";",  "0", "9",    "F",    "D8",  "00",
                                  "10FFF", "1",   "x", "啾", "a", "&amp", "&lt;", "\xff"};
    for (int n = 0; n < 3000; ++n) {
        std::string text;
        const int length = static_cast<int>(random() % 10);
        for (int i = 0; i < length; ++i)
            text += pieces[random() % std::size(pieces)];
        const Text decoded = DecodeCapturedText(Utf8ToText(text));
        ASSERT_EQ(Utf8ToText(TextToUtf8(decoded)), decoded) << text;
    }
}
