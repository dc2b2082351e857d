// Types, broken links and suspicious results: rows and lists with the verdicts they must get,
// a corpus of ordinary results that must get none, and the judge fed a page at a time against
// a judge that sees the whole list at once.
#include "catalogue.h"
#include "results/directioncontrols.h"
#include "results/resultjudge.h"
#include "results/resultrow.h"
#include "results/sizetext.h"
#include "results/suspicionrules.h"
#include "runtime/asciicase.h"
#include "runtime/codepage.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

constexpr std::uint64_t MB = 1024 * 1024;

struct Listing
{
    std::string name;
    std::string size; // the size cell
    std::string link;
    std::string sources = "10";
};

std::string Hash(unsigned id)
{
    char hash[33];
    std::snprintf(hash, sizeof hash, "%032X", id);
    return hash;
}

std::string Link(const std::string &fileName, std::uint64_t bytes, unsigned hashId)
{
    return "ed2k://|file|" + fileName + "|" + std::to_string(bytes) + "|" + Hash(hashId) + "|/";
}

// A listing whose cells agree with its link, as the site lists an ordinary file.
Listing File(const std::string &name, std::uint64_t bytes, unsigned hashId,
             std::string sources = "10")
{
    return {name, FormatSizeText(bytes), Link(name, bytes, hashId), std::move(sources)};
}

ResultRow RowOf(const Listing &l, std::size_t serial)
{
    return ResultRow(std::to_string(serial), Utf8ToText(l.name), Utf8ToText(l.size),
                     Utf8ToText(l.sources), Utf8ToText(l.link));
}

std::vector<ResultRow> Rows(const std::vector<Listing> &listings)
{
    std::vector<ResultRow> rows;
    for (const Listing &l : listings)
        rows.push_back(RowOf(l, rows.size() + 1));
    return rows;
}

// The rule ids of every row, the judge fed all rows at once.
std::vector<std::set<std::string>> Verdicts(const std::vector<ResultRow> &rows)
{
    ResultJudge judge;
    for (const ResultRow &row : rows)
        judge.append(row);
    judge.settle([&](std::size_t r) -> const ResultRow & { return rows[r]; });
    std::vector<std::set<std::string>> out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::set<std::string> ids;
        for (const Warning &w : judge.warnings(r, rows[r])) {
            EXPECT_FALSE(w.text.empty()) << w.rule;
            ids.emplace(w.rule);
        }
        EXPECT_EQ(judge.suspicious(r) || judge.brokenLink(r), !ids.empty()) << rows[r][NameColumn];
        out.push_back(std::move(ids));
    }
    return out;
}

std::vector<Listing> Videos(int count, const std::string &title)
{
    std::vector<Listing> out;
    for (int i = 0; i < count; ++i)
        out.push_back(
            File(title + ".第" + std::to_string(i + 1) + "集.mkv", 700 * MB + i, 900 + i));
    return out;
}

} // namespace

TEST(FileType, FromTheLinksFileName)
{
    const struct
    {
        const char *shownName;
        const char *fileName; // in the link
        FileType type;
        const char *extension;
    } rows[] = {
        {"a", "Movie.2020.MKV", FileType::Video, "mkv"},
        {"a", "第1期.rmvb", FileType::Video, "rmvb"},
        {"a", "album.flac", FileType::Audio, "flac"},
        {"a", "cover.JPG", FileType::Image, "jpg"},
        {"a", "book.epub", FileType::Document, "epub"},
        {"a", "src.tar.gz", FileType::Archive, "gz"},
        {"a", "debian-12.iso", FileType::DiscImage, "iso"},
        {"a", "app.apk", FileType::Program, "apk"},
        {"trailing dots and blanks are dropped", "setup.exe. ", FileType::Program, "exe"},
        {"the name cell does not count", "setup.exe", FileType::Program, "exe"},
        {"an unknown extension", "data.xyz", FileType::Other, "xyz"},
        {"no dot", "README", FileType::Other, ""},
        {"a dot in front only", ".profile", FileType::Other, ""},
        {"too long to be an extension", "a.extensionlong", FileType::Other, ""},
        {"not letters and digits", "a.第1集", FileType::Other, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.fileName);
        const ResultRow result("1", Utf8ToText(std::string(row.shownName) + ".mkv"), "1 MB", "1",
                               Utf8ToText(Link(row.fileName, MB, 1)));
        ResultJudge judge;
        judge.append(result);
        EXPECT_EQ(judge.type(0), row.type);
        EXPECT_EQ(judge.extension(0), row.extension);
    }
    for (int t = 0; t < kFileTypeCount; ++t) {
        const auto type = static_cast<FileType>(t);
        EXPECT_EQ(ParseFileType(FileTypeName(type)), type);
        EXPECT_EQ(ParseFileType(AsciiUppered(FileTypeKeyword(type))), type);
    }
    EXPECT_EQ(ParseFileType("movie"), std::nullopt);
}

TEST(ResultJudge, RowsByThemselves)
{
    const std::uint64_t gib137 = 1471026299; // 1.37 GiB
    const struct
    {
        const char *what;
        Listing listing;
        std::set<std::string> rules;
    } rows[] = {
        {"an ordinary film", File("Movie.2020.1080p.BluRay.mkv", 4 * 1024 * MB, 1), {}},
        {"a name the site shortened",
         {"Movie.2020.1080p…", "4.00 GB", Link("Movie.2020.1080p.BluRay.mkv", 4096 * MB, 1)},
         {}},
        {"a name the site shows without its extension",
         {"啾啾历险记 第1集", "700 MB", Link("啾啾历险记.第1集.mkv", 700 * MB, 1)},
         {}},
        {"another file's name in the link",
         {"电影A.国语.mkv", "700 MB", Link("完全不同.mkv", 700 * MB, 1)},
         {"name-mismatch"}},
        {"a size rounded", {"a.mkv", "1.37 GB", Link("a.mkv", gib137, 1)}, {}},
        {"a size cut to one digit", {"a.mkv", "1.4 GB", Link("a.mkv", gib137, 1)}, {}},
        {"a size in decimal units", {"a.mkv", "1.47 GB", Link("a.mkv", gib137, 1)}, {}},
        {"a size in bytes", {"a.mkv", "1,024 B", Link("a.mkv", 1024, 1)}, {}},
        {"a size far from the link's",
         {"a.mkv", "1.37 GB", Link("a.mkv", 2 * MB, 1)},
         {"size-mismatch"}},
        {"a size cell that is no size", {"a.mkv", "未知", Link("a.mkv", 2 * MB, 1)}, {}},
        {"a program behind a video's extension",
         File("电影.avi.exe", 2 * MB, 1),
         {"double-extension"}},
        {"a document's", File("readme.txt.scr", 2 * MB, 1), {"double-extension"}},
        {"a shortcut", File("x.mp4.lnk", 2048, 1), {"double-extension"}},
        {"with a blank between", File("movie.avi .exe", 2 * MB, 1), {"double-extension"}},
        {"a version number is no extension", File("setup.v1.2.exe", 2 * MB, 1), {}},
        {"two extensions that are no program", File("src.tar.gz", 2 * MB, 1), {}},
        {"text turned around", File("x\u202Egpj.exe", 2 * MB, 1), {"direction-control"}},
        {"1080p in 45 MB", File("Film.1080p.mkv", 45 * MB, 1), {"too-small-for-quality"}},
        {"1080p in 1.2 GB", File("Film.1080p.mkv", 1228 * MB, 1), {}},
        {"蓝光 in 40 MB", File("电影.蓝光.mp4", 40 * MB, 1), {"too-small-for-quality"}},
        {"a 4K word", File("Film [4K] HDR.mkv", 40 * MB, 1), {"too-small-for-quality"}},
        {"4k inside a word is no quality", File("Film.x4kb.mkv", 40 * MB, 1), {}},
        {"a music video at 1080p", File("Song.MV.1080p.mp4", 60 * MB, 1), {}},
        {"a trailer", File("电影.预告.1080p.mp4", 30 * MB, 1), {}},
        {"720p may be small", File("Film.720p.mkv", 45 * MB, 1), {}},
        {"an archive is not a video", File("Film.1080p.rar", 45 * MB, 1), {}},
        {"a whole season in 30 MB", File("剧集.全30集.mkv", 30 * MB, 1), {"too-small-for-season"}},
        {"in Chinese numerals", File("剧集.全二十四集.rar", 30 * MB, 1), {"too-small-for-season"}},
        {"complete season", File("Show.S01.Complete.mkv", 40 * MB, 1), {"too-small-for-season"}},
        {"a whole season in 3 GB", File("剧集.全30集.mkv", 3 * 1024 * MB, 1), {}},
        {"one episode", File("Show.S01E01.mkv", 40 * MB, 1), {}},
        {"a novel's complete works", File("小说.全集.txt", 5 * MB, 1), {}},
        {"no link", {"a.mkv", "1 MB", ""}, {"broken-link"}},
        {"a server link", {"a.mkv", "1 MB", "ed2k://|server|192.0.2.1|4661|/"}, {"broken-link"}},
        {"a web address", {"a.mkv", "1 MB", "http://example.invalid/a.mkv"}, {"broken-link"}},
        {"a hash one digit short",
         {"a.mkv", "1 MB", "ed2k://|file|a.mkv|1048576|0123456789ABCDEF0123456789ABCDE|/"},
         {"broken-link"}},
        {"no bytes", {"a.mkv", "0 B", Link("a.mkv", 0, 1)}, {"broken-link"}},
        {"cut short",
         {"a.mkv", "1 MB", "ed2k://|file|a.mkv|1048576|" + Hash(1) + "|"},
         {"broken-link"}},
        {"with AICH and sources parts",
         {"a.mkv", "1 MB", "ed2k://|file|a.mkv|1048576|" + Hash(1) + "|h=ABC|s=1.2.3.4:4662|/"},
         {}},
    };
    std::vector<ResultRow> single(1);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        single[0] = RowOf(row.listing, 1);
        EXPECT_EQ(Verdicts(single)[0], row.rules) << row.listing.name;
    }
}

TEST(ResultJudge, RowsAmongTheList)
{
    const auto with = [](std::vector<Listing> list, std::initializer_list<Listing> more) {
        list.insert(list.end(), more);
        return list;
    };
    const struct
    {
        const char *what;
        std::vector<Listing> list;
        std::size_t row; // the row looked at
        std::set<std::string> rules;
    } cases[] = {
        {"a program among videos",
         with(Videos(5, "v"), {File("v.player.exe", 5 * MB, 1)}),
         5,
         {"program-among-media"}},
        {"among four videos only", with(Videos(4, "v"), {File("v.player.exe", 5 * MB, 1)}), 4, {}},
        {"seven in ten are videos",
         with(Videos(7, "v"), {File("a.exe", MB, 1), File("b.exe", MB, 2), File("c.exe", MB, 3)}),
         9,
         {"program-among-media"}},
        {"six in nine are videos",
         with(Videos(6, "v"), {File("a.exe", MB, 1), File("b.exe", MB, 2), File("c.exe", MB, 3)}),
         8,
         {}},
        {"a small archive among videos",
         with(Videos(5, "v"), {File("v.hd.rar", 3 * MB, 1)}),
         5,
         {"small-archive-among-media"}},
        {"subtitles", with(Videos(5, "v"), {File("v.字幕.zip", 100 * 1024, 1)}), 5, {}},
        {"subtitles in English",
         with(Videos(5, "v"), {File("v.eng.subs.zip", 90 * 1024, 1)}),
         5,
         {}},
        {"a large archive", with(Videos(5, "v"), {File("v.rar", 20 * MB, 1)}), 5, {}},
        {"far more sources than the same name's other files",
         {File("x.mkv", 700 * MB, 1, "12"), File("x.mkv", 750 * MB, 2, "30"),
          File("x.mkv", 710 * MB, 3, "9000")},
         2,
         {"sources-far-above"}},
        {"the others of that name are not flagged",
         {File("x.mkv", 700 * MB, 1, "12"), File("x.mkv", 750 * MB, 2, "30"),
          File("x.mkv", 710 * MB, 3, "9000")},
         0,
         {}},
        {"its other copy too",
         {File("x.mkv", 700 * MB, 1, "12"), File("x.mkv", 750 * MB, 2, "30"),
          File("x.mkv", 710 * MB, 3, "9000"), File("X mkv", 710 * MB, 3, "40")},
         3,
         {"sources-far-above"}},
        {"two files are too few to tell",
         {File("x.mkv", 700 * MB, 1, "12"), File("x.mkv", 710 * MB, 3, "9000")},
         1,
         {}},
        {"ten times but not 500 more",
         {File("x.mkv", 700 * MB, 1, "10"), File("x.mkv", 750 * MB, 2, "20"),
          File("x.mkv", 710 * MB, 3, "400")},
         2,
         {}},
        {"one name, hashes of very different sizes",
         {File("y.mkv", 300 * MB, 1), File("y.mkv", 1434 * MB, 2), File("Y.MKV", 4198 * MB, 3)},
         0,
         {"many-hashes-one-name"}},
        {"sizes close together",
         {File("y.mkv", 700 * MB, 1), File("y.mkv", 750 * MB, 2), File("y.mkv", 1300 * MB, 3)},
         0,
         {}},
        {"one file listed three times",
         {File("y.mkv", 300 * MB, 1), File("y.mkv", 300 * MB, 1), File("y.mkv", 300 * MB, 1)},
         0,
         {}},
        {"names that only look alike",
         {File("y.1.mkv", 300 * MB, 1), File("y.2.mkv", 1434 * MB, 2),
          File("y.3.mkv", 4198 * MB, 3)},
         0,
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Verdicts(Rows(c.list)).at(c.row), c.rules);
    }
}

// The judge fed a page at a time, with cells changed on the way, must end where a judge fed
// the final list at once ends, and name every earlier row whose verdict changed on the way.
TEST(ResultJudge, PageAtATimeAgainstTheWholeList)
{
    std::mt19937 random(7);
    const char *names[] = {"x.mkv", "y.mkv", "z.avi", "a.exe", "b.rar", "c.flac", "d.pdf"};
    const std::uint64_t sizes[] = {2 * MB, 300 * MB, 700 * MB, 1434 * MB, 4198 * MB};
    const auto randomListing = [&] {
        const std::string name = names[random() % std::size(names)];
        Listing l = File(name, sizes[random() % std::size(sizes)], random() % 6,
                         std::to_string(random() % 3 ? random() % 40 : 9000));
        if (random() % 10 == 0)
            l.link.pop_back(); // broken
        return l;
    };
    int changesSeen = 0;
    for (int run = 0; run < 40; ++run) {
        std::vector<ResultRow> rows;
        ResultJudge judge;
        const auto source = [&](std::size_t r) -> const ResultRow & { return rows[r]; };
        std::vector<std::set<std::string>> before;
        for (int page = 0; page < 6; ++page) {
            for (int i = 0; i < 4; ++i) {
                rows.push_back(RowOf(randomListing(), rows.size() + 1));
                judge.append(rows.back());
            }
            if (rows.size() > 4 && random() % 2) {
                const std::size_t at = random() % (rows.size() - 4);
                rows[at].setCell(LinkColumn, Utf8ToText(randomListing().link));
                judge.update(at, rows[at]);
            }
            judge.settle(source);
            const auto now = Verdicts(rows);
            std::set<std::size_t> differ;
            for (std::size_t r = 0; r < before.size(); ++r)
                if (before[r] != now[r])
                    differ.insert(r);
            const auto changed = judge.takeChanged();
            for (std::size_t r : differ)
                EXPECT_TRUE(std::binary_search(changed.begin(), changed.end(), r))
                    << "run " << run << ", page " << page << ": row " << r << " not reported";
            changesSeen += static_cast<int>(differ.size());
            for (std::size_t r = 0; r < rows.size(); ++r) {
                std::set<std::string> ids;
                for (const Warning &w : judge.warnings(r, rows[r]))
                    ids.emplace(w.rule);
                ASSERT_EQ(ids, now[r]) << "run " << run << ", page " << page << ", row " << r;
            }
            before = now;
        }
    }
    EXPECT_GT(changesSeen, 50) << "rows must change their verdict for this to prove anything";
}

// False alarms are the failure to avoid: every showcase keyword of the demo catalogue but 假货,
// and a generated corpus of ordinary results, must raise no warning at all.
TEST(ResultJudge, OrdinaryResultsRaiseNoWarning)
{
    std::size_t judged = 0;
    const auto expectClean = [&](const std::vector<Listing> &list, const std::string &what) {
        const auto verdicts = Verdicts(Rows(list));
        for (std::size_t r = 0; r < list.size(); ++r)
            EXPECT_TRUE(verdicts[r].empty())
                << what << ": " << list[r].name << " gets " << *verdicts[r].begin();
        judged += list.size();
    };
    for (const std::string &keyword : demo::ShowcaseKeywords()) {
        if (keyword == "假货")
            continue;
        std::vector<Listing> list;
        for (const demo::Resource *r : demo::FindResources(keyword))
            list.push_back({r->name, r->size, r->link, r->sources});
        expectClean(list, keyword);
    }
    ASSERT_GT(judged, 1000u);

    std::mt19937 random(11);
    const auto between = [&](std::uint64_t low, std::uint64_t high) {
        return low + random() % (high - low);
    };
    unsigned hash = 1;
    // A series in several qualities, listed with its subtitles and some files twice.
    std::vector<Listing> series;
    for (const char *title : {"山海经传说", "The.Quiet.Harbor", "城市猎人", "Ocean.Blue"}) {
        for (int e = 1; e <= 30; ++e) {
            const std::string episode =
                std::string(title) + ".S01E" + (e < 10 ? "0" : "") + std::to_string(e);
            series.push_back(File(episode + ".1080p.WEB-DL.mkv", between(1200 * MB, 4000 * MB),
                                  hash++, std::to_string(random() % 2000)));
            series.push_back(File(episode + ".720p.HDTV.mp4", between(400 * MB, 1200 * MB), hash++,
                                  std::to_string(random() % 500)));
            series.push_back(File(episode + ".rmvb", between(150 * MB, 400 * MB), hash++,
                                  std::to_string(random() % 300)));
            if (e % 10 == 0)
                series.push_back(series[series.size() - 3]);
        }
        series.push_back(
            File(std::string(title) + ".S01.字幕.zip", between(50 * 1024, 900 * 1024), hash++));
        series.push_back(File(std::string(title) + ".全30集.1080p.mkv",
                              between(40000 * MB, 60000 * MB), hash++));
    }
    expectClean(series, "series");

    // Albums: lossless and lossy, tracks, covers and lyrics.
    std::vector<Listing> music;
    for (const char *album : {"古典音乐精选", "Morning.Coffee.Jazz", "啾啾原声大碟"}) {
        music.push_back(File(std::string(album) + ".flac", between(250 * MB, 600 * MB), hash++));
        music.push_back(File(std::string(album) + ".ape", between(250 * MB, 600 * MB), hash++));
        music.push_back(File(std::string(album) + ".cue", between(1024, 4096), hash++));
        music.push_back(File(std::string(album) + ".封面.zip", between(2 * MB, 9 * MB), hash++));
        music.push_back(
            File(std::string(album) + ".歌词.rar", between(10 * 1024, 90 * 1024), hash++));
        for (int t = 1; t <= 12; ++t)
            music.push_back(File(std::string(album) + " - " + std::to_string(t) + ".mp3",
                                 between(3 * MB, 12 * MB), hash++));
    }
    expectClean(music, "music");

    // Software, installers and disc images: a list of programs, where programs are ordinary.
    std::vector<Listing> software;
    for (const char *name :
         {"Ubuntu.24.04.desktop.amd64.iso", "LibreOffice_7.6_Win_x64.msi", "7z2301-x64.exe",
          "VLC.3.0.20.win64.exe", "Firefox.Setup.exe", "GIMP.2.10.zip",
          "Notepad++.v8.6.portable.7z", "app-release.apk", "drivers.v1.2.exe", "manual.pdf"})
        software.push_back(File(name, between(MB, 4000 * MB), hash++));
    expectClean(software, "software");

    // Books, complete works included.
    std::vector<Listing> books;
    for (int b = 0; b < 40; ++b) {
        const char *ext[] = {".pdf", ".epub", ".mobi", ".txt", ".djvu", ".azw3"};
        books.push_back(File("小说" + std::to_string(b) + (b % 5 ? "" : ".全集") + ext[b % 6],
                             between(200 * 1024, 40 * MB), hash++));
    }
    expectClean(books, "books");
    EXPECT_GT(judged, 1400u);
}

// 假货 shows every rule: each fires on some row of it.
TEST(ResultJudge, TheFakesKeywordShowsEveryRule)
{
    std::vector<Listing> list;
    for (const demo::Resource *r : demo::FindResources("假货"))
        list.push_back({r->name, r->size, r->link, r->sources});
    std::set<std::string> fired;
    for (const auto &ids : Verdicts(Rows(list)))
        fired.insert(ids.begin(), ids.end());
    std::set<std::string> every{std::string(kBrokenLinkRule)};
    for (const SuspicionRule &rule : SuspicionRules())
        every.emplace(rule.id);
    EXPECT_EQ(fired, every);
}

// Direction controls found and shown against a reference that decodes every character: the
// nine controls anywhere, and their neighbours in the code chart (and a cut-short one) not.
TEST(DirectionControls, AgainstADecodingReference)
{
    const auto encode = [](char32_t c) {
        return std::string{static_cast<char>(0xE0 | (c >> 12)),
                           static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (c & 0x3F))};
    };
    const std::set<char32_t> controls = {0x202A, 0x202B, 0x202C, 0x202D, 0x202E,
                                         0x2066, 0x2067, 0x2068, 0x2069};
    int found = 0;
    for (char32_t c = 0x2020; c <= 0x2070; ++c) {
        for (const std::string &text :
             {encode(c), "a" + encode(c), "名称" + encode(c) + ".exe", encode(c) + "\xE2\x80"}) {
            SCOPED_TRACE(static_cast<unsigned>(c));
            const bool control = controls.count(c) > 0;
            EXPECT_EQ(HasDirectionControls(text), control);
            EXPECT_EQ(WithVisibleDirectionControls(text) != text, control);
            found += control;
        }
    }
    EXPECT_EQ(found, 36);
    EXPECT_FALSE(HasDirectionControls("\xE2\x80"));
    EXPECT_EQ(WithVisibleDirectionControls("x\xE2\x80\xAEy"), "x⟨RLO⟩y");
}
