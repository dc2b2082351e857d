#include "regex/regexmatches.h"
#include "regex/regexobject.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

// Every match of the object as (whole match, groups...) in UTF-8, to compare in one go.
std::vector<std::vector<std::string>> AllMatches(const RegexObject &regex)
{
    std::vector<std::vector<std::string>> out;
    const int groups = regex.GetSubMatchCount();
    for (int m = 1; m <= regex.GetMatchCount(); ++m) {
        std::vector<std::string> row{TextToUtf8(regex.GetMatchText(m))};
        for (int g = 1; g <= groups; ++g)
            row.push_back(TextToUtf8(regex.GetSubMatchText(m, g)));
        out.push_back(row);
    }
    return out;
}

using Matches = std::vector<std::vector<std::string>>;

} // namespace

TEST(RegexObject, FlagsDefaultToTrueAndFalseStaysFalse)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a"));
    const RegexFlags defaults = regex.Component()->flags();
    EXPECT_TRUE(defaults.ignoreCase);
    EXPECT_TRUE(defaults.multiline);
    EXPECT_TRUE(defaults.global);

    ASSERT_TRUE(regex.Create("a", false, true, false));
    const RegexFlags given = regex.Component()->flags();
    EXPECT_FALSE(given.ignoreCase);
    EXPECT_TRUE(given.multiline);
    EXPECT_FALSE(given.global);
    EXPECT_EQ(regex.GetPattern(), "a");
}

TEST(RegexObject, EmptyStateAnswersNothing)
{
    RegexObject regex;
    EXPECT_EQ(regex.GetPattern(), "");
    EXPECT_EQ(regex.Execute("abc"), 0);
    EXPECT_EQ(regex.GetMatchCount(), 0);
    EXPECT_EQ(regex.GetMatchText(1), "");
    EXPECT_EQ(regex.GetSubMatchText(1, 1), "");
    EXPECT_EQ(regex.GetSubMatchCount(), 0);
    EXPECT_EQ(regex.Replace("abc", "x"), "");
    EXPECT_EQ(regex.Matches(), nullptr);
}

TEST(RegexObject, PatternThatDoesNotCompile)
{
    RegexObject regex;
    EXPECT_TRUE(regex.Create("(unclosed"));
    EXPECT_FALSE(regex.Component()->compiled());
    EXPECT_EQ(regex.GetPattern(), "(unclosed");
    EXPECT_EQ(regex.Execute("(unclosed"), 0);
    EXPECT_EQ(regex.Matches(), nullptr) << "a failed execution keeps an empty collection";
    EXPECT_EQ(regex.GetMatchText(1), "");
    EXPECT_EQ(regex.Replace("(unclosed", "x"), "");
}

TEST(RegexObject, OutOfRangeIndexesAreEmpty)
{
    RegexObject regex;
    regex.Create("(b)(c)?");
    ASSERT_EQ(regex.Execute("ab abc"), 2);
    struct Row
    {
        const char *name;
        int match;
        int group; // 0: GetMatchText
        const char *expected;
    };
    const Row rows[] = {
        {"match 0", 0, 0, ""},
        {"negative match", -1, 0, ""},
        {"one past the last", 3, 0, ""},
        {"first match", 1, 0, "b"},
        {"last match", 2, 0, "bc"},
        {"group 0", 1, -0, "b"},
        {"group past the last", 2, 3, ""},
        {"negative group", 2, -1, ""},
        {"unset group", 1, 2, ""},
        {"set group", 2, 2, "c"},
        {"huge match", 0x7FFFFFFF, 1, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Text got = row.group == 0 ? regex.GetMatchText(row.match)
                                        : regex.GetSubMatchText(row.match, row.group);
        EXPECT_EQ(got, row.expected);
    }
    EXPECT_EQ(regex.GetSubMatchText(1, 0), "") << "groups count from 1";
    EXPECT_EQ(regex.GetSubMatchCount(), 2);
}

TEST(RegexObject, GroupThatTookNoPartIsEmpty)
{
    RegexObject regex;
    regex.Create("(a)|(b)");
    ASSERT_EQ(regex.Execute("b"), 1);
    EXPECT_EQ(regex.GetSubMatchText(1, 1), "");
    EXPECT_EQ(regex.GetSubMatchText(1, 2), "b");
    EXPECT_EQ(regex.GetSubMatchCount(), 2);
}

TEST(RegexObject, SubMatchCountAfterNoMatchIsZero)
{
    RegexObject regex;
    regex.Create("(x)(y)");
    EXPECT_EQ(regex.Execute("abc"), 0);
    EXPECT_NE(regex.Matches(), nullptr);
    EXPECT_EQ(regex.GetSubMatchCount(), 0);
}

TEST(RegexObject, CreateDropsTheOldMatches)
{
    RegexObject regex;
    regex.Create("a");
    ASSERT_EQ(regex.Execute("aaa"), 3);
    EXPECT_TRUE(regex.Create("a"));
    EXPECT_EQ(regex.GetMatchCount(), 0);
    EXPECT_EQ(regex.GetMatchText(1), "");
    EXPECT_EQ(regex.Matches(), nullptr);
    EXPECT_EQ(regex.Execute("aa"), 2);
}

TEST(RegexObject, GlobalFindsEveryRow)
{
    RegexObject regex;
    regex.Create("<b>(.*?)</b>");
    ASSERT_EQ(regex.Execute("<b>one</b>\n<b>two</b>\n<b>three</b>\n"), 3);
    EXPECT_EQ(regex.GetSubMatchText(3, 1), "three");
    EXPECT_EQ(regex.GetSubMatchText(1, 1), "one");

    regex.Create("<b>(.*?)</b>", true, true, false);
    EXPECT_EQ(regex.Execute("<b>one</b>\n<b>two</b>\n"), 1) << "without global: the first only";
    EXPECT_EQ(regex.GetSubMatchText(1, 1), "one");
}

TEST(RegexObject, ChinesePatternWithLineFeedGivesBackTheSameBytes)
{
    const Text pattern = Utf8ToText("结果\n总数(.*?)个");
    const Text subject = Utf8ToText("前言\n结果\n总数：一千零五个，完");
    RegexObject regex;
    regex.Create(pattern);
    ASSERT_EQ(regex.Execute(subject), 1);
    const Text captured = regex.GetSubMatchText(1, 1);
    EXPECT_EQ(captured, Utf8ToText("：一千零五"));
    EXPECT_NE(subject.find(captured), Text::npos) << "the subject's own GB18030 bytes";
    EXPECT_EQ(regex.GetMatchText(1), Utf8ToText("结果\n总数：一千零五个"));
}

// What the result-page expressions rely on, as (pattern, flags, subject) -> matches.
TEST(RegexObject, Semantics)
{
    struct Row
    {
        const char *name;
        const char *pattern; // UTF-8
        RegexFlags flags;
        std::string subject; // UTF-8 unless marked raw
        Matches expected;
    };
    const RegexFlags all{};
    const RegexFlags caseSensitive{false, true, true};
    const RegexFlags singleLine{true, false, true};
    const Row rows[] = {
        {"dot stops at a line feed", "a(.*)", all, "abc\ndef", {{"abc", "bc"}}},
        {"dot takes a carriage return", "a(.*)z", all, "a\rz", {{"a\rz", "\r"}}},
        {"carriage return ends no line", "^z", all, "a\rz", {}},
        {"literal line feed", "a\nb", all, "a\nb a b", {{"a\nb"}}},
        {"line feed star: none", "x\n*y", all, "xy", {{"xy"}}},
        {"line feed star: several", "x\n*y", all, "x\n\n\ny", {{"x\n\n\ny"}}},
        {"lazy takes the shortest", "<(.*?)>", all, "<a><b>", {{"<a>", "a"}, {"<b>", "b"}}},
        {"greedy takes the longest", "<(.*)>", all, "<a><b>", {{"<a><b>", "a><b"}}},
        {"groups by opening parenthesis", "((a)(b))", all, "ab", {{"ab", "ab", "a", "b"}}},
        {"case ignored", "abc", all, "xABCx", {{"ABC"}}},
        {"case ignored beyond ascii", "σ", all, "Σ", {{"Σ"}}},
        {"case kept", "abc", caseSensitive, "ABC abc", {{"abc"}}},
        {"multiline anchors", "^(\\w+)$", all, "one\ntwo", {{"one", "one"}, {"two", "two"}}},
        {"no multiline anchors", "^(\\w+)$", singleLine, "one\ntwo", {}},
        {"dollar is the very end", "b$", singleLine, "ab\n", {}},
        {"chinese is one character",
         "中(.)文",
         all,
         "中国文 中x文",
         {{"中国文", "国"}, {"中x文", "x"}}},
        {"four-byte character is one",
         "^(.)$",
         all,
         "\xF0\xA0\x80\x80",
         {{"\xF0\xA0\x80\x80", "\xF0\xA0\x80\x80"}}},
        {"non-overlapping, resuming after the match", "aa", all, "aaaaa", {{"aa"}, {"aa"}}},
        {"empty matches step one character", "x*", all, "a中x", {{""}, {""}, {"x"}, {""}}},
        {"no retry at the same place", "a??", all, "aa", {{""}, {""}, {""}}},
        {"empty pattern over chinese", "", all, "中文", {{""}, {""}, {""}}},
        {"unicode escape", "\\u4E2D", all, "中", {{"中"}}},
        {"unset back reference is empty", "(a)?b\\1", all, "b", {{"b", ""}}},
        {"nul bytes are characters",
         "a.b",
         all,
         std::string("a\0b", 3),
         {{std::string("a\0b", 3)}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        for (const RegexEngine engine : {RegexEngine::Jit, RegexEngine::Interpreter}) {
            SCOPED_TRACE(engine == RegexEngine::Jit ? "jit" : "interpreter");
            RegexObject regex(engine);
            regex.Create(Utf8ToText(row.pattern), row.flags.ignoreCase, row.flags.multiline,
                         row.flags.global);
            ASSERT_TRUE(regex.Component()->compiled());
            regex.Execute(Utf8ToText(row.subject));
            EXPECT_EQ(AllMatches(regex), row.expected);
        }
    }
}

TEST(RegexObject, InvalidBytesComeBackAsThemselves)
{
    // 80 and FF are no GB18030 characters; D6 7F is a lead with a bad trail; 81 30 at the end
    // is a cut-off four-byte code. Each bad byte is one character for the engine.
    const Text subject = std::string("<\x80\xFF|\xD6\x7F|\x95\x32\x82\x36|\x81\x30>");
    RegexObject regex;
    regex.Create("<(.)(.)\\|(.)(.)\\|(.)\\|(.)(.)>");
    ASSERT_EQ(regex.Execute(subject), 1);
    const char *expected[] = {"\x80", "\xFF", "\xD6", "\x7F", "\x95\x32\x82\x36", "\x81", "\x30"};
    for (int g = 1; g <= 7; ++g) {
        SCOPED_TRACE(g);
        EXPECT_EQ(regex.GetSubMatchText(1, g), expected[g - 1]);
    }
    EXPECT_EQ(regex.GetMatchText(1), subject);
}

TEST(RegexObject, CopySharesComponentAndMatches)
{
    RegexObject original;
    original.Create("(\\d+)");
    ASSERT_EQ(original.Execute("1 22 333"), 3);
    RegexObject copy = original;
    EXPECT_EQ(copy.Component(), original.Component());
    EXPECT_EQ(copy.Matches(), original.Matches());
    EXPECT_EQ(copy.GetMatchCount(), 3);

    original.Create("x");
    EXPECT_EQ(original.GetMatchCount(), 0);
    EXPECT_EQ(copy.GetSubMatchText(3, 1), "333") << "the copy keeps its own references";
    EXPECT_EQ(copy.GetPattern(), "(\\d+)");

    copy = original;
    EXPECT_EQ(copy.GetPattern(), "x");
    EXPECT_EQ(copy.GetMatchCount(), 0);
}

TEST(RegexObject, SameSubjectIsConvertedOnce)
{
    const Text page = Utf8ToText("名字 一a\n名字 二b\n");
    RegexObject regex;
    regex.Create(Utf8ToText("名字 (.*)"));
    ASSERT_EQ(regex.Execute(page), 2);
    const auto converted = regex.Matches()->subject();
    regex.Create(Utf8ToText("(名)"));
    ASSERT_EQ(regex.Execute(Text(page)), 2);
    EXPECT_EQ(regex.Matches()->subject(), converted);

    RegexObject column = regex;
    column.Create("(\\n)");
    ASSERT_EQ(column.Execute(page), 2);
    EXPECT_EQ(column.Matches()->subject(), converted) << "a copy reuses it too";

    // Same length, other bytes: converted anew, and the answers follow the new text.
    Text other = page;
    other[other.size() - 2] = 'c';
    ASSERT_EQ(other.size(), page.size());
    regex.Create(Utf8ToText("名字 (.*)"));
    ASSERT_EQ(regex.Execute(other), 2);
    EXPECT_NE(regex.Matches()->subject(), converted);
    EXPECT_EQ(TextToUtf8(regex.GetSubMatchText(2, 1)), "二c");
}

TEST(RegexObject, Replace)
{
    struct Row
    {
        const char *name;
        const char *pattern;
        bool global;
        const char *source;
        const char *replacement;
        const char *expected;
    };
    const Row rows[] = {
        {"groups", "(\\w+)@(\\w+)", true, "a@b c@d", "$2@$1", "b@a d@c"},
        {"whole match", "o", true, "foo", "[$&]", "f[o][o]"},
        {"dollar", "o", true, "foo", "$$", "f$$"},
        {"before and after", "b", true, "abc", "<$`|$'>", "a<a|c>c"},
        {"first only without global", "o", false, "foo", "0", "f0o"},
        {"no match keeps the source", "z", true, "foo", "0", "foo"},
        {"unset group is empty", "(a)|(b)", true, "ab", "[$1$2]", "[a][b]"},
        {"group beyond the count stays literal", "(a)", true, "a", "$2$0", "$2$0"},
        {"two digits fall back to one", "(a)", true, "a", "$10", "a0"},
        {"lone dollar at the end", "a", true, "a", "x$", "x$"},
        {"other dollar stays", "a", true, "a", "$x", "$x"},
        {"empty matches", "x*", true, "ab", "-", "-a-b-"},
        {"chinese", "(好)", true, "你好吗", "[$1]", "你[好]吗"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        RegexObject regex;
        regex.Create(Utf8ToText(row.pattern), true, true, row.global);
        EXPECT_EQ(TextToUtf8(regex.Replace(Utf8ToText(row.source), Utf8ToText(row.replacement))),
                  row.expected);
    }

    RegexObject regex;
    regex.Create("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)");
    EXPECT_EQ(regex.Replace("abcdefghij", "$10$1"), "ja") << "$10 is group 10 when it exists";
    EXPECT_EQ(regex.GetMatchCount(), 0) << "Replace leaves the matches alone";
    regex.Create("b");
    EXPECT_EQ(regex.Replace("\x80"
                            "b\xFF",
                            "c"),
              "\x80"
              "c\xFF")
        << "bad bytes kept as they are";
}

TEST(RegexObject, LimitEndsTheMatchListPromptly)
{
    // Nested repeats over a long run of x without the y they need: exponential backtracking.
    const std::string run(40, 'x');
    const std::string subject = "ab ab " + run + " ab";
    for (const RegexEngine engine : {RegexEngine::Jit, RegexEngine::Interpreter}) {
        SCOPED_TRACE(engine == RegexEngine::Jit ? "jit" : "interpreter");
        RegexObject regex(engine);
        regex.Create("(x+x+)+y|ab");
        EXPECT_EQ(regex.Execute(subject), 2) << "the matches before the run, none after it";
        EXPECT_TRUE(regex.Matches()->limitReached());
        EXPECT_EQ(regex.GetMatchText(2), "ab");

        regex.Create("(x+x+)+y|ab");
        EXPECT_EQ(regex.Replace(subject, "."), ". . " + run + " ab");
    }
}

TEST(RegexObject, DeepRecursionHitsALimitNotTheStack)
{
    // Every repeat of the group is one more frame (interpreter) or stack slot (JIT); the c
    // at the end gets past the engine's quick check for a required character.
    const std::string subject = std::string(2'000'000, 'a') + "!c";
    for (const RegexEngine engine : {RegexEngine::Jit, RegexEngine::Interpreter}) {
        SCOPED_TRACE(engine == RegexEngine::Jit ? "jit" : "interpreter");
        RegexObject regex(engine);
        regex.Create("^((a)|b)*c", false);
        EXPECT_EQ(regex.Execute(subject), 0);
        EXPECT_TRUE(regex.Matches()->limitReached());
    }
}
