#include "results/collator.h"
#include "results/resultorder.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"

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
        EXPECT_EQ(SortedOrder(rows, c.request, Collator("")), c.order);
    }
}

// Names as people read them, in the root order and in a Chinese locale's.
TEST(ResultOrder, NamesCollate)
{
    struct Case
    {
        const char *locale;
        std::vector<const char *> names;
        std::vector<const char *> sorted;
    };
    const Case cases[] = {
        {"", {"Abd", "abc"}, {"abc", "Abd"}},
        {"C", {"第10期", "第2期", "第1期"}, {"第1期", "第2期", "第10期"}},
        {"POSIX", {"ｂ", "C", "a"}, {"a", "ｂ", "C"}},
        {"en_US.UTF-8",
         {"file10.mkv", "File9.mkv", "file9.avi"},
         {"file9.avi", "File9.mkv", "file10.mkv"}},
        // Root: Han by code point; pinyin under zh_CN: a, li, wang, zhang.
        {"", {"张三", "李四", "王五", "阿杜"}, {"张三", "李四", "王五", "阿杜"}},
        {"zh_CN.UTF-8", {"张三", "李四", "王五", "阿杜"}, {"阿杜", "李四", "王五", "张三"}},
        {"zh_CN", {"第10集", "第9集"}, {"第9集", "第10集"}},
        {"xx_YY", {"b", "A"}, {"A", "b"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.locale) + ": " + c.names[0]);
        std::vector<ResultRow> rows;
        for (const char *name : c.names)
            rows.push_back(Row("1", name, "1 B", "1"));
        const Collator collator(c.locale);
        std::vector<std::string> sorted;
        for (std::size_t at : SortedOrder(rows, {NameColumn, false}, collator))
            sorted.push_back(TextToUtf8(rows[at][NameColumn]));
        EXPECT_EQ(sorted, std::vector<std::string>(c.sorted.begin(), c.sorted.end()));
    }
}
