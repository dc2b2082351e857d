#include "results/ed2klink.h"
#include "results/resultrow.h"

#include <gtest/gtest.h>

using namespace jiujiu;

TEST(Ed2kLink, ReadsNameSizeHashAndWhatIsWrong)
{
    using Problem = Ed2kLink::Problem;
    const std::string hash = "0123456789ABCDEF0123456789abcdef";
    const std::string lower = "0123456789abcdef0123456789abcdef";
    struct Case
    {
        std::string link;
        std::string name;
        std::optional<std::uint64_t> size;
        std::string hash;
        Problem problem;
        std::string extra = {};
    };
    const Case cases[] = {
        {"ed2k://|file|a.mkv|1048576|" + hash + "|/", "a.mkv", 1048576, lower, Problem::None},
        {"ED2K://|FILE|a.mkv|5|" + hash + "|/", "a.mkv", 5, lower, Problem::None},
        {"ed2k://|file|%E5%95%BE %2B.mkv|5|" + hash + "|/", "啾 +.mkv", 5, lower, Problem::None},
        {"ed2k://|file|%FF.mkv|5|" + hash + "|/", "%FF.mkv", 5, lower, Problem::None},
        {"ed2k://|file|50%.mkv|5|" + hash + "|/", "50%.mkv", 5, lower, Problem::None},
        {"ed2k://|file|a|b|12|" + hash + "|/", "a|b", 12, lower, Problem::None},
        {"ed2k://|file|a.mkv|5|" + hash + "|h=ABC|p=DEF|/", "a.mkv", 5, lower, Problem::None,
         "h=ABC|p=DEF|"},
        {"ed2k://|file|a.mkv|5|" + hash + "|/|sources,1.2.3.4:4662|/", "a.mkv", 5, lower,
         Problem::None, "/|sources,1.2.3.4:4662|"},
        {"ed2k://|file|a.mkv|274877906944|" + hash + "|/", "a.mkv", 274877906944ull, lower,
         Problem::None},
        {"", "", std::nullopt, "", Problem::Empty},
        {"http://example.com/a.mkv", "", std::nullopt, "", Problem::NotEd2k},
        {"ed2k://|server|1.2.3.4|4661|/", "", std::nullopt, "", Problem::NotFileLink},
        {"ed2k://|file||5|" + hash + "|/", "", 5, lower, Problem::NoName},
        {"ed2k://|file|a.mkv|5MB|" + hash + "|/", "a.mkv", std::nullopt, "", Problem::BadSize},
        {"ed2k://|file|a.mkv|5|0123|/", "a.mkv", 5, "", Problem::BadHash},
        {"ed2k://|file|a.mkv", "a.mkv", std::nullopt, "", Problem::BadSize},
        {"ed2k://|file|a.mkv|0|" + hash + "|/", "a.mkv", 0, lower, Problem::SizeOutOfRange},
        {"ed2k://|file|a.mkv|274877906945|" + hash + "|/", "a.mkv", 274877906945ull, lower,
         Problem::SizeOutOfRange},
        {"ed2k://|file|a.mkv|99999999999999999999999|" + hash + "|/", "a.mkv", std::nullopt, lower,
         Problem::SizeOutOfRange},
        {"ed2k://|file|a.mkv|5|" + hash + "|", "a.mkv", 5, lower, Problem::Unterminated},
        {"ed2k://|file|a.mkv|5|" + hash, "a.mkv", 5, lower, Problem::Unterminated},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.link);
        const Ed2kLink link = Ed2kLink::Parse(c.link);
        EXPECT_EQ(link.name, c.name);
        EXPECT_EQ(link.size, c.size);
        EXPECT_EQ(link.hash ? Md4Hex(*link.hash) : std::string(), c.hash);
        EXPECT_EQ(link.problem, c.problem);
        EXPECT_EQ(link.extra, c.extra);
        const auto file = link.file();
        EXPECT_EQ(file ? Md4Hex(file->hash) + ":" + std::to_string(file->size) : std::string(),
                  c.hash.empty() || !c.size ? std::string()
                                            : c.hash + ":" + std::to_string(*c.size));
    }
}

// A row reads its cells once, as they are set; rewriting a cell reads it again.
TEST(ResultRow, ReadsItsCellsWhenTheyAreSet)
{
    ResultRow row("7", "a", "1.5 KB", "1,024",
                  "ed2k://|file|a|5|0123456789ABCDEF0123456789ABCDEF|/");
    EXPECT_EQ(row.serial(), 7);
    EXPECT_EQ(row.bytes(), 1536u);
    EXPECT_EQ(row.sources(), 1024);
    EXPECT_TRUE(row.link().valid());
    row.setCell(SizeColumn, "?");
    row.setCell(SourcesColumn, "");
    row.setCell(LinkColumn, "magnet:?xt=1");
    row.setCell(kResultColumnCount, "nothing"); // out of range: no change
    EXPECT_EQ(row.bytes(), std::nullopt);
    EXPECT_EQ(row.sources(), std::nullopt);
    EXPECT_EQ(row.link().problem, Ed2kLink::Problem::NotEd2k);
    EXPECT_EQ(row[SizeColumn], "?");
    EXPECT_EQ(row[kResultColumnCount], "");
}
