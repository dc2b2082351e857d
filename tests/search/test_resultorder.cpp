#include "runtime/codepage.h"
#include "search/resultorder.h"
#include "search/resultrow.h"

#include <gtest/gtest.h>

using namespace jiujiu;

namespace {

ResultRow Row(const char *serial, const char *name, const char *size, const char *sources)
{
    return {Utf8ToText(serial), Utf8ToText(name), Utf8ToText(size), Utf8ToText(sources),
            Utf8ToText(std::string("ed2k://|file|") + name + "|1|/")};
}

} // namespace

TEST(ResultOrder, ParsesColumnAndDirection)
{
    struct Row
    {
        const char *text;
        std::optional<SortRequest> request;
    };
    const Row rows[] = {
        {"serial", SortRequest{0, false}},
        {"name", SortRequest{1, false}},
        {"size:desc", SortRequest{2, true}},
        {"sources:asc", SortRequest{3, false}},
        {"link", SortRequest{4, false}},
        {"资源数:desc", SortRequest{3, true}},
        {"2", SortRequest{2, false}},
        {"", std::nullopt},
        {"name:down", std::nullopt},
        {"colour", std::nullopt},
        {"5", std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(SortRequest::Parse(row.text), row.request);
    }
}

TEST(ResultOrder, ColumnsSortByTheirMeaning)
{
    const std::vector<ResultRow> rows = {
        Row("1", "b", "700 MB", "12"),   // 0
        Row("2", "a", "?", "9"),         // 1
        Row("10", "c", "1.2 GB", "100"), // 2
        Row("9", "d", "12.3KB", ""),     // 3
        Row("3", "e", "700 MB", "12"),   // 4
    };
    struct Case
    {
        const char *name;
        SortRequest request;
        std::vector<std::size_t> order;
    };
    const Case cases[] = {
        {"serial as numbers", {0, false}, {0, 1, 4, 3, 2}},
        {"serial descending", {0, true}, {2, 3, 4, 1, 0}},
        {"size in bytes, unknown last", {2, false}, {3, 0, 4, 2, 1}},
        {"size descending, unknown still last, ties in list order", {2, true}, {2, 0, 4, 3, 1}},
        {"sources as numbers, unknown last", {3, false}, {1, 0, 4, 2, 3}},
        {"sources descending", {3, true}, {2, 0, 4, 1, 3}},
        {"names", {1, false}, {1, 0, 2, 3, 4}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SortedOrder(rows, c.request), c.order);
    }
}

TEST(ResultOrder, UnknownLastHelperFitsAReversingCaller)
{
    const std::optional<int> known = 1, unknown;
    // Ascending: known before unknown. Descending callers ask less(b, a): still known first.
    EXPECT_TRUE(LessUnknownLast(known, unknown, false));
    EXPECT_FALSE(LessUnknownLast(unknown, known, false));
    EXPECT_TRUE(LessUnknownLast(unknown, known, true));
    EXPECT_FALSE(LessUnknownLast(known, unknown, true));
    EXPECT_FALSE(LessUnknownLast(unknown, unknown, false));
}
