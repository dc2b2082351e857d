#include "net/urlencoding.h"
#include "runtime/codepage.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using jiujiu::Text;
using jiujiu::UrlEncode;
using jiujiu::UrlEncodeQueryValue;
using jiujiu::Utf8ToAnsi;
using jiujiu::Utf8ToText;
using jiujiu::Value;

namespace {

// Reference: the byte-wise format the encoder is defined by.
std::string ReferenceEncode(const std::string &bytes)
{
    std::string out;
    char piece[4];
    for (const char c : bytes) {
        std::snprintf(piece, sizeof piece, "%%%02X", static_cast<unsigned char>(c));
        out += piece;
    }
    return out;
}

TEST(UrlEncode, EveryByteAsUpperCaseHexAgainstTheReference)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(UrlEncode(all), ReferenceEncode(all));
    EXPECT_EQ(UrlEncode(all).size(), 3 * all.size());

    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(1, 255), length(1, 40);
    int compared = 0;
    for (int i = 0; i < 300; ++i, ++compared) {
        std::string text(static_cast<std::size_t>(length(random)), '\0');
        for (char &c : text)
            c = static_cast<char>(byte(random));
        ASSERT_EQ(UrlEncode(text, Value(0)), ReferenceEncode(text));
    }
    EXPECT_EQ(compared, 300);
}

TEST(UrlEncode, Table)
{
    const Text zhong = Utf8ToText("中");
    ASSERT_EQ(zhong, "\xD6\xD0");
    const struct
    {
        const char *name;
        Text text;
        Value utf8;
        Text expected;
    } cases[] = {
        {"letters are encoded too", "abc", Value(0), "%61%62%63"},
        {"omitted flag: no conversion", "abc", {}, "%61%62%63"},
        {"reserved characters", "a b&c=d/?", Value(0), "%61%20%62%26%63%3D%64%2F%3F"},
        {"GBK bytes unchanged without the flag", zhong, Value(0), "%D6%D0"},
        {"flag 1 encodes the UTF-8 form", zhong, Value(1), "%E4%B8%AD"},
        {"flag true is 1", zhong, Value(true), "%E4%B8%AD"},
        {"flag 2 is not 1", zhong, Value(2), "%D6%D0"},
        {"keyword with Chinese and ASCII", Utf8ToText("阿凡达 3D"), Value(1),
         "%E9%98%BF%E5%87%A1%E8%BE%BE%20%33%44"},
        {"character outside GBK survives", Utf8ToText("한"), Value(1), "%ED%95%9C"},
        {"empty gives empty", "", Value(1), ""},
        {"empty without flag", "", Value(0), ""},
        {"a text ends at its NUL", Text("ab\0cd", 5), Value(0), "%61%62"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UrlEncode(c.text, c.utf8), c.expected);
    }
}

TEST(Utf8ToAnsi, Table)
{
    const struct
    {
        const char *name;
        std::string utf8;
        Text expected;
    } cases[] = {
        {"empty", "", ""},
        {"ASCII unchanged", "total 12 pages", "total 12 pages"},
        {"Chinese to GBK", "中文", "\xD6\xD0\xCE\xC4"},
        {"full-width digit", "１", "\xA3\xB1"},
        {"mixed", "共有<b>35</b>个", "\xB9\xB2\xD3\xD0<b>35</b>\xB8\xF6"},
        {"a text ends at its NUL", std::string("ab\0cd", 5), "ab"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToAnsi(c.utf8), c.expected);
    }
}

TEST(Utf8ToAnsi, MalformedInputNeverFailsAndKeepsTheRest)
{
    for (const std::string &bad : {std::string("\xFF"), std::string("a\xC3"),
                                   std::string("\xE4\xB8"), std::string("\xED\xA0\x80")}) {
        SCOPED_TRACE(jiujiu::TextToUtf8(bad));
        const Text out = Utf8ToAnsi(bad + "ok");
        EXPECT_FALSE(out.empty());
        EXPECT_TRUE(out.ends_with("ok"));
        // Back in UTF-8 the damage is marked, not silently dropped.
        EXPECT_NE(jiujiu::TextToUtf8(out).find("\xEF\xBF\xBD"), std::string::npos);
    }
}

TEST(Utf8ToAnsi, RoundTripsWithUrlEncodeOfTheUtf8Form)
{
    // What the search form sends is what the service's UTF-8 answer decodes back to.
    const Text keyword = Utf8ToText("变形金刚 · 第3部");
    const std::string utf8 = jiujiu::TextToUtf8(keyword);
    EXPECT_EQ(UrlEncode(keyword, Value(1)), ReferenceEncode(utf8));
    EXPECT_EQ(Utf8ToAnsi(utf8), keyword);
}

} // namespace

namespace {

// Decodes "%XX" as any web server does; the reference for the query-value encoder.
std::string PercentDecode(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

TEST(UrlEncodeQueryValue, Table)
{
    const struct
    {
        const char *name;
        const char *utf8;
        const char *expected;
    } cases[] = {
        {"ed2k link", "ed2k://|file|a b|1|/", "ed2k://%7Cfile%7Ca%20b%7C1%7C/"},
        {"query characters", "a&b=c#d?e+f%g", "a%26b%3Dc%23d%3Fe%2Bf%25g"},
        {"unreserved kept", "AZaz09-._~", "AZaz09-._~"},
        {"Chinese as UTF-8", "啾", "%E5%95%BE"},
        {"empty", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UrlEncodeQueryValue(Utf8ToText(c.utf8)), c.expected);
    }
}

// Whatever the text, a server decoding the value gets its UTF-8 back, and nothing that ends a
// query value is left in it.
TEST(UrlEncodeQueryValue, DecodesBackToTheText)
{
    std::mt19937 random(11);
    const std::string pieces[] = {"&", "=", "#", "%", "+", "|",  " ", "?",     "啾",
                                  "a", "Z", "9", "/", ":", "\t", "€", "&amp;", "%41"};
    for (int n = 0; n < 500; ++n) {
        std::string utf8;
        for (int i = static_cast<int>(random() % 8); i > 0; --i)
            utf8 += pieces[random() % std::size(pieces)];
        const std::string encoded = UrlEncodeQueryValue(Utf8ToText(utf8));
        ASSERT_EQ(encoded.find_first_of("&=#+?| "), std::string::npos) << encoded;
        ASSERT_EQ(PercentDecode(encoded), utf8) << encoded;
    }
}
