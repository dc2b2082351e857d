#include "results/resultfilter.h"
#include "results/sizetext.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

struct Sample
{
    std::string name;
    std::string link;
    std::string size;
    std::string sources;
    FileType type = FileType::Other;
    std::string extension;
    bool brokenLink = false;
    bool suspicious = false;
};

bool Accepts(const ResultFilter &filter, const Sample &s)
{
    const std::string key = ResultFilter::MatchKey(s.name, s.link);
    return filter.accepts({key, ParseSizeText(s.size), ParseCountText(s.sources), s.type,
                           s.extension, s.brokenLink, s.suspicious});
}

const Sample kTom{"Tom & Jerry.Remix.E01.mkv",
                  "ed2k://|file|Tom%20Jerry.mkv|1024|ABCDEF|/",
                  "1.37 GB",
                  "120",
                  FileType::Other,
                  "",
                  false,
                  false};
const Sample kNews{"每日新闻.第0001期.mp4",
                   "ed2k://|file|news.mp4|99|00FF|/",
                   "700 MB",
                   "3",
                   FileType::Other,
                   "",
                   false,
                   false};
const Sample kUnknown{"Ｆｕｌｌ Width ÄÖ Привет", "", "?", "", FileType::Other, "", false, false};
const Sample kVideo{"a", "", "1 GB", "1", FileType::Video, "mkv", false, false};
const Sample kBrokenProgram{"b", "", "1 MB", "1", FileType::Program, "exe", true, true};

} // namespace

TEST(ResultFilter, Grammar)
{
    struct Row
    {
        const char *name;
        const char *expression;
        const Sample &sample;
        bool accepted;
    };
    const Row rows[] = {
        {"empty accepts", "", kTom, true},
        {"blanks only accept", "  \t\xE3\x80\x80 ", kTom, true},
        {"one word in the name", "jerry", kTom, true},
        {"case-insensitive", "JERRY remix", kTom, true},
        {"words are ANDed", "jerry news", kTom, false},
        {"a word in the link", "abcdef", kTom, true},
        {"no match across name and link", "mkved2k", kTom, false},
        {"exclusion", "-remix", kTom, false},
        {"exclusion of an absent word", "tom -trailer", kTom, true},
        {"phrase", "\"tom & jerry\"", kTom, true},
        {"phrase order matters", "\"jerry & tom\"", kTom, false},
        {"excluded phrase", "-\"tom & jerry\"", kTom, false},
        {"unterminated phrase runs to the end", "\"jerry.remix", kTom, true},
        {"a line feed ends a phrase: no match across name and link", "\"mp4\ned2k\"", kNews, false},
        {"so does a carriage return", "\"mp4\red2k\"", kNews, false},
        {"Chinese quotes", "\xE2\x80\x9Ctom & jerry\xE2\x80\x9D", kTom, true},
        {"a lone dash is a word", "-", kNews, false},
        {"Chinese word", "新闻 第0001期", kNews, true},
        {"ideographic space separates", "新闻\xE3\x80\x80第0002期", kNews, false},
        {"full-width letters fold", "ｆｕｌｌ width", kUnknown, true},
        {"Latin-1 letters fold", "äö", kUnknown, true},
        {"Cyrillic letters fold", "привет", kUnknown, true},
        {"size minimum met", "size>=1GB", kTom, true},
        {"size minimum missed", "size>=2GB", kTom, false},
        {"size maximum", "size<1GB", kNews, true},
        {"size maximum missed", "size<=500MB", kNews, false},
        {"strict bound at the value", "size>700MB", kNews, false},
        {"inclusive bound at the value", "size>=700MB", kNews, true},
        {"Chinese size field", "大小<1.5GB", kTom, true},
        {"unknown size fails a bound", "size>0", kUnknown, false},
        {"unknown size passes without a bound", "width", kUnknown, true},
        {"sources minimum", "sources>=100", kTom, true},
        {"sources minimum missed", "sources>=121", kTom, false},
        {"strict sources", "sources>120", kTom, false},
        {"Chinese sources field", "资源数>=3", kNews, true},
        {"unknown sources fail a minimum", "sources>=0", kUnknown, false},
        {"size of nothing", "size<0", kNews, false},
        {"full-width comparison", "大小＞＝1GB", kTom, true},
        {"a field name alone is a word", "size", kTom, false},
        {"a longer word is a word", "sizes>1", kTom, false},
        {"a quoted bound is a phrase", "\"size>=1GB\"", kTom, false},
        {"bounds and words together", "新闻 size<1GB sources>=3 -第0002期", kNews, true},
        {"a type", "type:视频", kVideo, true},
        {"another type", "type:程序", kVideo, false},
        {"a type by its English name", "TYPE:Video", kVideo, true},
        {"the Chinese field and colon", "类型：视频", kVideo, true},
        {"types are ORed", "type:program type:video", kVideo, true},
        {"an excluded type", "-type:视频", kVideo, false},
        {"an extension", "ext:mkv", kVideo, true},
        {"with its dot and in capitals", "ext:.MKV", kVideo, true},
        {"extensions are ORed", "ext:mp4 扩展名:mkv", kVideo, true},
        {"an excluded extension", "-ext:exe", kBrokenProgram, false},
        {"broken links only", "链接无效", kBrokenProgram, true},
        {"broken links hidden", "-链接无效", kBrokenProgram, false},
        {"a sound link stays", "-链接无效", kVideo, true},
        {"suspicious rows only", "可疑", kVideo, false},
        {"suspicious rows hidden", "-可疑", kBrokenProgram, false},
        {"a quoted 链接无效 is a word", "\"链接无效\"", kBrokenProgram, false},
        {"a field name alone is a word", "type", kVideo, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Accepts(ResultFilter::Parse(row.expression), row.sample), row.accepted)
            << row.expression;
    }
}

TEST(ResultFilter, ParsedTerms)
{
    const ResultFilter filter =
        ResultFilter::Parse("Alpha -Beta \"Two Words\" alpha size>=1KB size>=2KB size<=1MB");
    EXPECT_EQ(filter.included(), (std::vector<std::string>{"alpha", "two words"}));
    EXPECT_EQ(filter.excluded(), (std::vector<std::string>{"beta"}));
    EXPECT_EQ(filter.minimumBytes(), 2048u); // the tighter of two bounds
    EXPECT_EQ(filter.maximumBytes(), 1048576u);
    EXPECT_FALSE(filter.isEmpty());
    EXPECT_TRUE(ResultFilter::Parse(" \"\" ").isEmpty());
    EXPECT_EQ(ResultFilter::Parse("\"two\r\nwords").included(),
              (std::vector<std::string>{"two", "words"}));
    // Without the error, a bound that cannot be read is left out, never made a word.
    const ResultFilter lenient = ResultFilter::Parse("jerry size>= sources<5");
    EXPECT_EQ(lenient.included(), (std::vector<std::string>{"jerry"}));
    EXPECT_EQ(lenient, ResultFilter::Parse("jerry"));
}

TEST(ResultFilter, BoundsThatCannotBeReadAreErrors)
{
    using Reason = ResultFilter::Error::Reason;
    struct Row
    {
        const char *expression;
        Reason reason;
        const char *term; // the first bad one
        const char *value;
    };
    const Row rows[] = {
        {"size>=", Reason::MissingSize, "size>=", ""},
        {"jerry 大小<", Reason::MissingSize, "大小<", ""},
        {"sources>", Reason::MissingCount, "sources>", ""},
        {"size>=lots", Reason::NotASize, "size>=lots", "lots"},
        {"SIZE<-1GB", Reason::NotASize, "SIZE<-1GB", "-1GB"},
        {"size>1,02GB", Reason::NotASize, "size>1,02GB", "1,02GB"},
        {"size>=99999999999999999999TB", Reason::SizeTooLarge, "size>=99999999999999999999TB",
         "99999999999999999999TB"},
        {"大小<=16384PB", Reason::SizeTooLarge, "大小<=16384PB", "16384PB"},
        {"size>18446744073709551615", Reason::SizeTooLarge, "size>18446744073709551615",
         "18446744073709551615"},
        {"sources>=-1", Reason::NotACount, "sources>=-1", "-1"},
        {"资源数>=1.5", Reason::NotACount, "资源数>=1.5", "1.5"},
        {"sources>=99999999999999999999", Reason::CountTooLarge, "sources>=99999999999999999999",
         "99999999999999999999"},
        {"sources>9223372036854775807", Reason::CountTooLarge, "sources>9223372036854775807",
         "9223372036854775807"},
        {"size=1GB", Reason::NoSuchComparison, "size=1GB", "1GB"},
        {"size=>1GB", Reason::NoSuchComparison, "size=>1GB", "1GB"},
        {"size<>1GB", Reason::NoSuchComparison, "size<>1GB", "1GB"},
        {"sources<5", Reason::SourcesMinimumOnly, "sources<5", "5"},
        {"资源数＜＝5", Reason::SourcesMinimumOnly, "资源数＜＝5", "5"},
        {"-size>=1GB", Reason::ExcludedBound, "-size>=1GB", "1GB"},
        {"tom size>= sources>=x", Reason::MissingSize, "size>=", ""},
        {"type:", Reason::MissingType, "type:", ""},
        {"类型：电影", Reason::UnknownType, "类型：电影", "电影"},
        {"-type:lots", Reason::UnknownType, "-type:lots", "lots"},
        {"mkv ext:", Reason::MissingExtension, "ext:", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.expression);
        ResultFilter::Error error;
        EXPECT_FALSE(ResultFilter::Parse(row.expression, error).has_value());
        EXPECT_EQ(error.reason, row.reason);
        EXPECT_EQ(error.term, row.term);
        EXPECT_EQ(error.value, row.value);
    }
    ResultFilter::Error error;
    ASSERT_FALSE(ResultFilter::Parse("size>=", error));
    EXPECT_EQ(error.what(), "'size>=': a size is missing after '>='");
    ASSERT_TRUE(ResultFilter::Parse("size>=1GB size<=18446744073709551615 sources>=0", error));
}

TEST(ResultFilter, WindowBoundsNarrowTheExpression)
{
    ResultFilter filter = ResultFilter::Parse("size>=1GB");
    filter.restrictBytes(std::uint64_t{512}, std::uint64_t{2} << 30);
    filter.restrictSources(std::int64_t{200});
    EXPECT_EQ(filter.minimumBytes(), std::uint64_t{1} << 30);
    EXPECT_EQ(filter.maximumBytes(), std::uint64_t{2} << 30);
    EXPECT_FALSE(Accepts(filter, kTom)); // 120 sources
    filter = ResultFilter::Parse("");
    filter.restrictSources(std::int64_t{100});
    EXPECT_TRUE(Accepts(filter, kTom));
    // The type chosen beside the box narrows the expression's types.
    filter = ResultFilter::Parse("type:video type:program");
    filter.restrictType(FileType::Program);
    EXPECT_FALSE(Accepts(filter, kVideo));
    EXPECT_TRUE(Accepts(filter, kBrokenProgram));
    filter.hideSuspicious();
    EXPECT_FALSE(Accepts(filter, kBrokenProgram));
}

// narrows() promises that rows the old filter rejected stay rejected: checked against a
// corpus for every pair of expressions it answers true for.
TEST(ResultFilter, NarrowingNeverAcceptsWhatThePreviousRejected)
{
    const std::vector<std::string> expressions = {
        "",
        "t",
        "to",
        "tom",
        "tom j",
        "-r",
        "-re",
        "-remix",
        "\"m &\"",
        "size>=1GB",
        "size>=2GB",
        "size<1GB",
        "新",
        "新闻",
        "新闻 -第",
        "sources>=3",
        "sources>=100",
        "tom sources>=3",
        "ed2k",
        "-ed2k news",
        "e01",
        "e0",
        "第0001期",
        "size<=700MB 新闻",
        "type:视频",
        "type:视频 type:程序",
        "-type:程序",
        "ext:mkv",
        "ext:mkv ext:exe",
        "-ext:exe",
        "链接无效",
        "-链接无效",
        "可疑",
        "-可疑",
        "tom -可疑 type:视频",
    };
    std::vector<Sample> corpus = {kTom, kNews, kUnknown};
    std::mt19937 random(3);
    const char *words[] = {"tom", "jerry", "remix", "新闻", "第0001期", "E01", "&", "m"};
    const char *sizes[] = {"1 GB", "700 MB", "2.5 GB", "", "3 KB"};
    for (int i = 0; i < 300; ++i) {
        Sample s;
        for (int w = 0; w < 3; ++w)
            s.name += std::string(words[random() % std::size(words)]) + " ";
        s.link = "ed2k://|file|" + std::string(words[random() % std::size(words)]) + "|1|/";
        s.size = sizes[random() % std::size(sizes)];
        s.sources = std::to_string(random() % 200);
        s.type = random() % 2 ? FileType::Video : FileType::Program;
        s.extension = random() % 2 ? "mkv" : "exe";
        s.brokenLink = random() % 2;
        s.suspicious = random() % 2;
        corpus.push_back(s);
    }
    int narrowingPairs = 0;
    int comparisons = 0;
    for (const std::string &before : expressions) {
        for (const std::string &after : expressions) {
            const ResultFilter previous = ResultFilter::Parse(before);
            const ResultFilter next = ResultFilter::Parse(after);
            if (!next.narrows(previous))
                continue;
            ++narrowingPairs;
            for (const Sample &s : corpus) {
                if (Accepts(previous, s))
                    continue;
                ++comparisons;
                ASSERT_FALSE(Accepts(next, s)) << before << " -> " << after << ": " << s.name;
            }
        }
    }
    // Typing on ("t" -> "to" -> "tom") must count as narrowing, or the window re-checks
    // every row on every key.
    EXPECT_TRUE(ResultFilter::Parse("tom").narrows(ResultFilter::Parse("to")));
    EXPECT_TRUE(ResultFilter::Parse("-remix").narrows(ResultFilter::Parse("-remixes")));
    EXPECT_FALSE(ResultFilter::Parse("to").narrows(ResultFilter::Parse("tom")));
    EXPECT_FALSE(ResultFilter::Parse("size>=1GB").narrows(ResultFilter::Parse("size>=2GB")));
    // Typing on at the end of a long expression narrows too.
    std::string manyTerms;
    for (int i = 0; i < 20000; ++i)
        manyTerms += "w" + std::to_string(i) + " ";
    EXPECT_TRUE(
        ResultFilter::Parse(manyTerms + "zz").narrows(ResultFilter::Parse(manyTerms + "z")));
    EXPECT_GT(narrowingPairs, 40);
    EXPECT_GT(comparisons, 5000); // rows the previous filter rejected
}
