#include "regex/regexobject.h"
#include "regex/regexsubject.h"
#include "resultpage.h"
#include "resultpagegenerator.h"
#include "results/htmlreferences.h"
#include "runtime/codepage.h"
#include "search/answertext.h"
#include "search/resultpagereader.h"
#include "search/searchexpressions.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

// Group 1 of every match of an expression, in UTF-8.
std::vector<std::string> Captures(const Text &expression, const std::string &pageUtf8)
{
    RegexObject regex;
    regex.Create(expression);
    const int n = regex.Execute(Utf8ToText(pageUtf8));
    std::vector<std::string> out;
    for (int m = 1; m <= n; ++m)
        out.push_back(TextToUtf8(regex.GetSubMatchText(m, 1)));
    return out;
}

using Strings = std::vector<std::string>;
using Cells = std::vector<Text>; // name, size, sources, link

// The rows as matching each column expression over the whole page and giving row j the j-th
// match of each reads them: the way to read a page where every column matches in step.
std::vector<Cells> RowsByColumn(const std::string &answer, RegexEngine engine)
{
    const Text text = AnswerText(answer);
    RegexObject names(engine);
    names.Create(NameExpression());
    const int rows = names.Execute(text);
    std::vector<Cells> out(static_cast<std::size_t>(rows));
    for (int j = 1; j <= rows; ++j)
        out[static_cast<std::size_t>(j - 1)].push_back(
            DecodeCapturedText(names.GetSubMatchText(j, 1)));
    for (const Text *expression : {&SizeExpression(), &SourcesExpression(), &LinkExpression()}) {
        RegexObject column(engine);
        column.Create(*expression);
        column.Execute(text);
        for (int j = 1; j <= rows; ++j)
            out[static_cast<std::size_t>(j - 1)].push_back(
                DecodeCapturedText(column.GetSubMatchText(j, 1)));
    }
    return out;
}

std::vector<Cells> RowsByRow(const std::string &answer, RegexEngine engine,
                             std::int64_t *missing = nullptr)
{
    ResultPageReader reader(engine);
    const ResultPageReader::Page page = reader.read(answer);
    if (missing)
        *missing = page.rowsMissingCells;
    std::vector<Cells> out;
    for (const ResultRow &row : page.rows)
        out.push_back({row[NameColumn], row[SizeColumn], row[SourcesColumn], row[LinkColumn]});
    return out;
}

} // namespace

TEST(SearchExpressions, AgainstHandWrittenSnippets)
{
    struct Row
    {
        const char *name;
        const Text &expression;
        std::string page;
        Strings expected;
    };
    const Row rows[] = {
        {"total", TotalExpression(), "&lt;tr&gt;\n&lt;td&gt;结果总数 1234 &lt;/td&gt;", {" 1234 "}},
        {"total needs the line feed",
         TotalExpression(),
         "&lt;tr&gt;&lt;td&gt;结果总数1&lt;/td&gt;",
         {}},
        {"two totals",
         TotalExpression(),
         "&lt;tr&gt;\n&lt;td&gt;结果总数1&lt;/td&gt;\n&lt;TR&gt;\n&lt;TD&gt;结果总数2&lt;/td&gt;",
         {"1", "2"}},
        {"last page",
         LastPageExpression(),
         "&lt;a href=&quot;/s/x?page=7&amp;mode=list&quot;&gt;尾页&lt;/a&gt;",
         {"7"}},
        {"last page runs on through a pager line",
         LastPageExpression(),
         "?page=25&amp;mode=list&quot;&gt;2&lt;/a&gt; ?page=9&amp;mode=list&quot;&gt;尾页",
         {"25&amp;mode=list&quot;&gt;2&lt;/a&gt; ?page=9"}},
        {"name",
         NameExpression(),
         "    &lt;td&gt;Tom &amp; Jerry \n    &lt;/td&gt;",
         {"Tom &amp; Jerry"}},
        {"name keeps inner and leading blanks",
         NameExpression(),
         "&lt;td&gt;  a  b \n    x",
         {"  a  b"}},
        {"name needs four spaces", NameExpression(), "&lt;td&gt;abc \n   &lt;/td&gt;", {}},
        {"name needs the trailing space", NameExpression(), "&lt;td&gt;abc\n    &lt;/td&gt;", {}},
        {"size",
         SizeExpression(),
         "&lt;td width=&#39;70&#39; align=&#39;right&#39;&gt;1.5 GB\n    \n    &lt;/td&gt;",
         {"1.5 GB"}},
        {"size needs the blank line",
         SizeExpression(),
         "&lt;td width=&#39;70&#39; align=&#39;right&#39;&gt;1.5 GB\n    &lt;/td&gt;",
         {}},
        {"sources",
         SourcesExpression(),
         "&lt;td width=&#39;100&#39; align=&#39;right&#39;&gt;42 \n    &lt;/td&gt;\n    "
         "&lt;td width=&#39;140&#39; align=&#39;right&#39;&gt;",
         {"42"}},
        {"sources need the next cell",
         SourcesExpression(),
         "&lt;td width=&#39;100&#39; align=&#39;right&#39;&gt;42 \n    &lt;/td&gt;\n",
         {}},
        {"link is the last on its line",
         LinkExpression(),
         "&lt;span id=&#39;btns&#39;&gt;\n&lt;a href=&quot;/play&quot;&gt;x&lt;/a&gt; "
         "&lt;a href=&quot;ed2k://|file|a|1|H|/&quot;&gt;y",
         {"ed2k://|file|a|1|H|/"}},
        {"link after several line feeds",
         LinkExpression(),
         "&lt;span id=&#39;btns&#39;&gt;\n\n\n&lt;a href=&quot;ed2k://x&quot;&gt;",
         {"ed2k://x"}},
        {"link on the tag's own line",
         LinkExpression(),
         "&lt;span id=&#39;btns&#39;&gt; href=&quot;ed2k://y&quot;\nz",
         {"ed2k://y"}},
        {"no link on the line after the tag",
         LinkExpression(),
         "&lt;span id=&#39;btns&#39;&gt;\nnothing\n href=&quot;ed2k://z&quot;",
         {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Captures(row.expression, row.page), row.expected);
    }
}

// Generated pages are written from known rows; extraction must give those rows back.
TEST(SearchExpressions, ExtractEveryRowOfGeneratedPages)
{
    for (const int rows : {0, 1, 7, 250}) {
        SCOPED_TRACE(rows);
        const GeneratedPage page = GenerateResultPage({rows, 5000, rows > 1 ? 12 : 1, 99});
        RegexObject regex;
        regex.Create(TotalExpression());
        ASSERT_EQ(regex.Execute(page.text), 1);
        EXPECT_EQ(regex.GetSubMatchText(1, 1), page.total);
        regex.Create(LastPageExpression());
        EXPECT_EQ(regex.Execute(page.text), page.lastPage > 1 ? 1 : 0);
        if (page.lastPage > 1) {
            EXPECT_EQ(regex.GetSubMatchText(1, 1), std::to_string(page.lastPage));
        }

        regex.Create(NameExpression());
        ASSERT_EQ(regex.Execute(page.text), rows);
        RegexObject size = regex, sources = regex, link = regex;
        size.Create(SizeExpression());
        sources.Create(SourcesExpression());
        link.Create(LinkExpression());
        ASSERT_EQ(size.Execute(page.text), rows);
        ASSERT_EQ(sources.Execute(page.text), rows);
        ASSERT_EQ(link.Execute(page.text), rows);
        for (int j = 1; j <= rows; ++j) {
            const GeneratedRow &expected = page.rows[static_cast<std::size_t>(j - 1)];
            ASSERT_EQ(regex.GetSubMatchText(j, 1), expected.name);
            ASSERT_EQ(size.GetSubMatchText(j, 1), expected.size);
            ASSERT_EQ(sources.GetSubMatchText(j, 1), expected.sources);
            ASSERT_EQ(link.GetSubMatchText(j, 1), expected.link);
        }
    }
}

// Both engines read every field of a generated page alike.
TEST(SearchExpressions, JitAndInterpreterAgree)
{
    const GeneratedPage page = GenerateResultPage({400, 0, 3, 5});
    RegexObject jit(RegexEngine::Jit);
    RegexObject interpreter(RegexEngine::Interpreter);
    int compared = 0;
    for (const Text *expression : {&TotalExpression(), &LastPageExpression(), &NameExpression(),
                                   &SizeExpression(), &SourcesExpression(), &LinkExpression()}) {
        jit.Create(*expression);
        interpreter.Create(*expression);
        EXPECT_FALSE(interpreter.Component()->usesJit());
        EXPECT_TRUE(jit.Component()->usesJit()) << "this machine's PCRE2 has a JIT compiler";
        const int n = jit.Execute(page.text);
        ASSERT_EQ(interpreter.Execute(page.text), n);
        ASSERT_GT(n, 0);
        for (int m = 1; m <= n; ++m) {
            ASSERT_EQ(jit.GetMatchText(m), interpreter.GetMatchText(m));
            ASSERT_EQ(jit.GetSubMatchText(m, 1), interpreter.GetSubMatchText(m, 1));
            ++compared;
        }
    }
    EXPECT_GT(compared, 1600);
}

// Where every column matches in step, reading a row at a time gives byte for byte the rows
// that matching each column over the whole page gives: generated pages of two shapes (the
// benchmark's and the demo service's), with both engines.
TEST(SearchExpressions, RowByRowReadsWhatColumnByColumnReads)
{
    std::vector<std::string> answers;
    std::mt19937 random(23);
    for (std::uint32_t seed = 1; seed <= 40; ++seed)
        answers.push_back(
            GenerateResultPage({static_cast<std::int32_t>(random() % 120), 0, 3, seed}).html);
    std::vector<const demo::Resource *> all;
    for (const demo::Resource &r : demo::Catalogue())
        all.push_back(&r);
    for (std::size_t from = 0; from < all.size(); from += 97) {
        const std::vector<const demo::Resource *> rows(
            all.begin() + static_cast<std::ptrdiff_t>(from),
            all.begin() + static_cast<std::ptrdiff_t>(std::min(from + 97, all.size())));
        answers.push_back(demo::ViewerPage("x", demo::SearchResultPage("k", rows, 1000, 1, 9)));
    }
    answers.push_back(GenerateResultPage({2500, 0, 3, 77}).html);
    std::size_t rows = 0;
    for (const RegexEngine engine : {RegexEngine::Jit, RegexEngine::Interpreter}) {
        for (std::size_t a = 0; a < answers.size(); ++a) {
            SCOPED_TRACE(a);
            std::int64_t missing = -1;
            const std::vector<Cells> byRow = RowsByRow(answers[a], engine, &missing);
            ASSERT_EQ(byRow, RowsByColumn(answers[a], engine));
            EXPECT_EQ(missing, 0);
            rows += byRow.size();
        }
    }
    EXPECT_GT(rows, 4000u);
}

// The total and the last page read from the answer's UTF-8 are what the program's text gives,
// including answers with bytes that are no UTF-8 and characters the text cannot hold.
TEST(SearchExpressions, FirstPageReadsAlikeFromUtf8AndFromText)
{
    std::vector<std::string> answers;
    for (std::uint32_t seed = 1; seed <= 10; ++seed)
        answers.push_back(
            GenerateResultPage({5, 900, static_cast<std::int32_t>(seed) + 1, seed}).html);
    answers.push_back("&lt;tr&gt;\n&lt;td&gt;结果总数 1\xFF\xEE\x9E\x8D 2&lt;/td&gt; "
                      "page=3\xC3&amp;mode=list&quot;&gt;尾页");
    for (const std::string &answer : answers) {
        for (const Text *expression : {&TotalExpression(), &LastPageExpression()}) {
            RegexObject fromText;
            RegexObject fromUtf8;
            fromText.Create(*expression);
            fromUtf8.Create(*expression);
            const int n = fromText.Execute(AnswerText(answer));
            ASSERT_EQ(fromUtf8.Execute(RegexSubject::FromUtf8(AnswerUtf8(answer))), n);
            ASSERT_GT(n, 0);
            for (int m = 1; m <= n; ++m)
                EXPECT_EQ(fromUtf8.GetSubMatchText(m, 1), fromText.GetSubMatchText(m, 1));
        }
    }
}

// A large page missing one link late on: that row alone has
// no link, where matching the column over the whole page would shift every later link.
TEST(SearchExpressions, AMissingCellStaysInItsRowOnALargePage)
{
    std::string answer = GenerateResultPage({3000, 0, 1, 5}).html;
    const std::string span = "&lt;span id=&#39;btns&#39;&gt;";
    std::size_t at = 0;
    for (int n = 0; n <= 2200; ++n)
        at = answer.find(span, at + 1);
    ASSERT_NE(at, std::string::npos);
    answer.erase(at, span.size());
    std::int64_t missing = 0;
    const std::vector<Cells> byRow = RowsByRow(answer, RegexEngine::Jit, &missing);
    const std::vector<Cells> byColumn = RowsByColumn(answer, RegexEngine::Jit);
    ASSERT_EQ(byRow.size(), 3000u);
    ASSERT_EQ(byColumn.size(), 3000u);
    EXPECT_EQ(missing, 1);
    for (std::size_t j = 0; j < byRow.size(); ++j) {
        SCOPED_TRACE(j);
        ASSERT_EQ(Cells(byRow[j].begin(), byRow[j].begin() + 3),
                  Cells(byColumn[j].begin(), byColumn[j].begin() + 3));
        if (j < 2200)
            ASSERT_EQ(byRow[j][3], byColumn[j][3]);
        else if (j == 2200)
            ASSERT_EQ(byRow[j][3], "");
        else
            ASSERT_EQ(byRow[j][3], byColumn[j - 1][3]);
    }
}

// A row whose name cannot be read is counted as a row the site listed and the list could not,
// wherever it stands: first, last, or where a large page is split between two threads.
TEST(SearchExpressions, RowsWithoutAReadableNameAreCounted)
{
    struct Case
    {
        std::int32_t rows;
        std::vector<std::size_t> broken; // ascending
    };
    const Case cases[] = {
        {30, {}},         {30, {0}},  {30, {29}},
        {30, {3, 4, 17}}, {3000, {}}, {3000, {0, 1497, 1498, 1499, 2999}},
    };
    const std::string marker(RowStartMarker());
    // The site's own rows, as many as asked for.
    const auto SitePage = [](std::int32_t rows) {
        const auto &all = demo::Catalogue();
        std::vector<const demo::Resource *> listed;
        for (std::int32_t j = 0; j < rows; ++j)
            listed.push_back(&all[static_cast<std::size_t>(j) % all.size()]);
        return demo::ViewerPage("x", demo::SearchResultPage("k", listed, rows, 1, 1));
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " rows, " + std::to_string(c.broken.size()) +
                     " broken");
        std::string answer = SitePage(c.rows);
        std::vector<std::size_t> starts;
        for (std::size_t at = answer.find(marker); at != std::string::npos;
             at = answer.find(marker, at + 1))
            starts.push_back(at);
        ASSERT_EQ(starts.size(), static_cast<std::size_t>(c.rows));
        // The space that ends the name's line goes: the name expression no longer matches.
        for (auto k = c.broken.rbegin(); k != c.broken.rend(); ++k)
            answer.erase(answer.find(" \n", starts[*k] + marker.size()), 1);
        ResultPageReader reader;
        const ResultPageReader::Page page = reader.read(answer);
        EXPECT_EQ(page.rows.size(), c.rows - c.broken.size());
        EXPECT_EQ(page.rowsUnreadable, static_cast<std::int64_t>(c.broken.size()));
    }
}
