#include "results/duplicategroups.h"
#include "results/ed2klink.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

using namespace jiujiu;

namespace {

constexpr const char *kHash = "0123456789ABCDEF0123456789abcdef";

// A file named by a short text, so that tables read as names; none for "".
std::optional<FileId> Key(std::string_view name)
{
    if (name.empty())
        return std::nullopt;
    FileId file;
    for (std::size_t i = 0; i < name.size() && i < file.hash.size(); ++i)
        file.hash[i] = static_cast<std::uint8_t>(name[i]);
    file.size = name.size();
    return file;
}

// "hash:size" of the file a link names, "" when it names none.
std::string KeyOfLink(std::string_view link)
{
    const auto file = Ed2kLink::Parse(link).file();
    return file ? Md4Hex(file->hash) + ":" + std::to_string(file->size) : std::string();
}

} // namespace

TEST(DuplicateGroups, KeyOfALink)
{
    struct Row
    {
        const char *name;
        std::string link;
        std::string key;
    };
    const std::string lower = "0123456789abcdef0123456789abcdef";
    const Row rows[] = {
        {"file link", std::string("ed2k://|file|a.mkv|1048576|") + kHash + "|/",
         lower + ":1048576"},
        {"upper-case scheme", std::string("ED2K://|FILE|a.mkv|5|") + kHash + "|/", lower + ":5"},
        {"extra fields after the hash", std::string("ed2k://|file|a.mkv|5|") + kHash + "|h=ABC|/",
         lower + ":5"},
        {"a bar inside the name", std::string("ed2k://|file|a|b|12|") + kHash + "|/",
         lower + ":12"},
        {"Chinese name", std::string("ed2k://|file|每日新闻.mp4|07|") + kHash + "|/", lower + ":7"},
        {"no hash", "ed2k://|file|a.mkv|5|XYZ|/", ""},
        {"short hash", "ed2k://|file|a.mkv|5|0123|/", ""},
        {"size not a number", std::string("ed2k://|file|a.mkv|5MB|") + kHash + "|/", ""},
        {"not a file link", std::string("ed2k://|server|1.2.3.4|4661|") + kHash + "|/", ""},
        {"empty", "", ""},
        {"web address", "http://example.com/", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyOfLink(row.link), row.key);
    }
}

TEST(DuplicateGroups, HighestSourcesFirstRow)
{
    DuplicateGroups groups;
    groups.append(Key("a"), 5);            // 0
    groups.append(Key("b"), 1);            // 1
    groups.append(Key("a"), 9);            // 2
    groups.append(Key(""), 50);            // 3: no key, never merged
    groups.append(Key(""), 60);            // 4
    groups.append(Key("a"), 9);            // 5: a tie keeps the earlier member
    groups.append(Key("c"), std::nullopt); // 6
    EXPECT_EQ(groups.first(2), 0u);
    EXPECT_EQ(groups.first(5), 0u);
    EXPECT_TRUE(groups.isFirst(0));
    EXPECT_FALSE(groups.isFirst(2));
    EXPECT_EQ(groups.copies(0), 3u);
    EXPECT_EQ(groups.groupSources(0), 9);
    EXPECT_EQ(groups.sourcesRow(0), 2u);
    EXPECT_TRUE(groups.isFirst(3));
    EXPECT_TRUE(groups.isFirst(4));
    EXPECT_EQ(groups.copies(3), 1u);
    EXPECT_EQ(groups.groupSources(6), std::nullopt);
    EXPECT_EQ(groups.sourcesRow(6), 6u);
}

TEST(DuplicateGroups, ReportsTheRowsWhoseMergedLookChanged)
{
    DuplicateGroups groups;
    groups.append(Key(""), std::nullopt); // a row is listed before its cells are set
    groups.append(Key(""), std::nullopt);
    EXPECT_EQ(groups.update(0, Key("k"), 3), (std::vector<std::size_t>{0}));
    EXPECT_EQ(groups.update(1, Key("k"), 7), (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(groups.update(1, Key("k"), 7).empty()); // no change
    EXPECT_EQ(groups.groupSources(0), 7);
    // The first member leaves: the second one stands for the group now.
    EXPECT_EQ(groups.update(0, Key("other"), 3), (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(groups.isFirst(1));
    EXPECT_EQ(groups.copies(1), 1u);
}

// Against a reference that regroups everything from scratch after every change.
TEST(DuplicateGroups, IncrementalMatchesRegroupingFromScratch)
{
    struct Entry
    {
        std::string key;
        std::optional<std::int64_t> sources;
    };
    std::vector<Entry> reference;
    DuplicateGroups groups;
    std::mt19937 random(5);
    const auto randomEntry = [&] {
        const int k = static_cast<int>(random() % 6);
        Entry e{k == 0 ? std::string() : "k" + std::to_string(k), std::nullopt};
        if (random() % 4)
            e.sources = static_cast<std::int64_t>(random() % 10);
        return e;
    };
    int checks = 0;
    for (int step = 0; step < 600; ++step) {
        const int what = static_cast<int>(random() % 10);
        Entry e = randomEntry();
        if (what < 5 || reference.empty()) {
            reference.push_back(e);
            groups.append(Key(e.key), e.sources);
        } else if (what < 9) {
            const std::size_t row = random() % reference.size();
            reference[row] = e;
            groups.update(row, Key(e.key), e.sources);
        } else {
            const std::size_t row = random() % reference.size();
            reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(row), e);
            groups.insert(row, Key(e.key), e.sources);
        }
        ASSERT_EQ(groups.rowCount(), reference.size());
        std::map<std::string, std::vector<std::size_t>> members;
        for (std::size_t r = 0; r < reference.size(); ++r)
            members[reference[r].key.empty() ? "#" + std::to_string(r) : reference[r].key]
                .push_back(r);
        ASSERT_EQ(groups.groupCount(), members.size()) << "step " << step;
        for (const auto &[key, rows] : members) {
            std::size_t best = rows.front();
            for (std::size_t r : rows)
                if (reference[r].sources &&
                    (!reference[best].sources || *reference[r].sources > *reference[best].sources))
                    best = r;
            for (std::size_t r : rows) {
                ASSERT_EQ(groups.first(r), rows.front()) << "step " << step << " row " << r;
                ASSERT_EQ(groups.copies(r), rows.size());
                ASSERT_EQ(groups.sourcesRow(r), best) << "step " << step << " row " << r;
                ++checks;
            }
        }
    }
    EXPECT_GT(checks, 50000);
}
