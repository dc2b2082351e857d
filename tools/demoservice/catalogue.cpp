#include "catalogue.h"

#include "runtime/asciicase.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace jiujiu::demo {
namespace {

struct Title
{
    const char *name;
    int episodes; // 0: a film, listed in several formats
};

// Titles of our own; mixed Chinese and Latin, some with "&" in them.
const Title kTitles[] = {
    {"啾啾历险记", 24},        {"小啾啾的夏天", 12},
    {"星际旅行者", 0},         {"Jiujiu.Adventures", 20},
    {"Tom & Jerry.Remix", 16}, {"东方快车谋杀案", 0},
    {"山海经传说", 30},        {"Ocean.Blue.Documentary", 8},
    {"数码宝贝 & 朋友们", 10}, {"The.Quiet.Harbor", 0},
    {"城市猎人", 18},          {"Morning.Coffee.Jazz", 0},
};

// A long daily series: one keyword that fills many pages.
constexpr int kDailyIssues = 1000;

int g_archiveSize = 0;

const char *const kFormats[] = {"1080p.mkv", "720p.mp4", "BluRay.x264.mkv", "HDTV.rmvb"};

// Deterministic pseudo-random numbers (a 64-bit LCG), so the catalogue never changes.
std::uint64_t Next(std::uint64_t &state)
{
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return state >> 11;
}

std::string SizeText(std::uint64_t bytes)
{
    char buffer[32];
    if (bytes >= 1024ULL * 1024 * 1024)
        std::snprintf(buffer, sizeof buffer, "%.2f GB", bytes / (1024.0 * 1024 * 1024));
    else
        std::snprintf(buffer, sizeof buffer, "%.1f MB", bytes / (1024.0 * 1024));
    return buffer;
}

Resource MakeResource(std::string name, std::uint64_t &state)
{
    const std::uint64_t bytes = 80ULL * 1024 * 1024 + Next(state) % (3ULL * 1024 * 1024 * 1024);
    char hash[33];
    const std::uint64_t high = (Next(state) << 11) ^ Next(state);
    const std::uint64_t low = (Next(state) << 11) ^ Next(state);
    std::snprintf(hash, sizeof hash, "%016llX%016llX", static_cast<unsigned long long>(high),
                  static_cast<unsigned long long>(low));
    Resource r;
    r.size = SizeText(bytes);
    r.sources = std::to_string(1 + Next(state) % 4000);
    r.link =
        "ed2k://|file|" + name + "|" + std::to_string(bytes) + "|" + std::string(hash, 32) + "|/";
    r.name = std::move(name);
    return r;
}

// The resource's link for another file name and size, its hash kept.
void Relink(Resource &r, const std::string &fileName, std::uint64_t bytes)
{
    const std::string hash = r.link.substr(r.link.size() - 34, 32);
    r.link = "ed2k://|file|" + fileName + "|" + std::to_string(bytes) + "|" + hash + "|/";
}

// 假货: fakes and broken links among ordinary files, so every warning of the list shows.
void AddFakes(std::vector<Resource> &out)
{
    // A state of its own: the rest of the catalogue stays as it was.
    std::uint64_t state = 0x6A6961686F;
    const auto add = [&](const std::string &name, std::uint64_t bytes, const char *sources) {
        Resource r = MakeResource(name, state);
        r.size = SizeText(bytes);
        r.sources = sources;
        Relink(r, name, bytes);
        out.push_back(std::move(r));
        return &out.back();
    };
    constexpr std::uint64_t MB = 1024 * 1024;
    add("假货.银河守望者.1080p.mkv", 4692251771, "820");
    add("假货.银河守望者.720p.mp4", 1471026299, "450");
    add("假货.银河守望者.480p.rmvb", 400 * MB, "96");
    add("假货.银河守望者.原声.flac", 320 * MB, "37");
    add("假货.银河守望者.字幕.zip", 120 * 1024, "64");
    add("假货.夜行侦探.第2集.mkv", 720 * MB, "41");
    // One name under three hashes: one with far more sources than the others.
    add("假货.夜行侦探.第1集.mkv", 700 * MB, "12");
    add("假货.夜行侦探.第1集.mkv", 750 * MB, "30");
    add("假货.夜行侦探.第1集.mkv", 710 * MB, "9000");
    // One name under three hashes of very different sizes.
    add("假货.雾都来信.mkv", 300 * MB, "25");
    add("假货.雾都来信.mkv", 1434 * MB, "31");
    add("假货.雾都来信.mkv", 4198 * MB, "28");
    add("假货.雾岛.全30集.mkv", 30 * MB, "77");
    add("假货.银河守望者.BluRay.1080p.mkv", 45 * MB, "150");
    add("假货.银河守望者.1080p.avi.exe", 2 * MB, "300");
    add("假货.银河守望者.mp4.lnk", 2048, "210");
    add("假货.银河守望者.高清版.rar", 3 * MB, "180");
    add("假货.银河守望者.播放器.exe", 5 * MB, "95");
    // U+202E turns the rest around: it shows as "…exe.mkv".
    add("假货.银河守望者\u202Evkm.exe", 1 * MB, "60");
    Resource *other = add("另一部片子.mkv", 1229 * MB, "44");
    other->name = "假货.银河守望者.国语.mkv";
    Resource *small = add("假货.银河守望者.粤语.mkv", 2 * MB, "52");
    small->size = "1.37 GB";

    const struct
    {
        const char *name;
        std::string link;
    } broken[] = {
        {"假货.坏链接.散列不对.mkv",
         "ed2k://|file|假货.坏链接.散列不对.mkv|734003200|0123456789ABCDEF0123456789ABCDE|/"},
        {"假货.坏链接.零字节.mkv",
         "ed2k://|file|假货.坏链接.零字节.mkv|0|0123456789ABCDEF0123456789ABCDEF|/"},
        {"假货.坏链接.没有结尾.mkv",
         "ed2k://|file|假货.坏链接.没有结尾.mkv|734003200|0123456789ABCDEF0123456789ABCDEF|"},
        {"假货.坏链接.服务器.mkv", "ed2k://|server|192.0.2.1|4661|/"},
        {"假货.坏链接.网页.mkv", "http://download.example/fake.mkv"},
        {"假货.坏链接.没有链接.mkv", ""},
    };
    for (const auto &entry : broken) {
        Resource *r = add(entry.name, 700 * MB, "20");
        r->link = entry.link;
    }
}

std::vector<Resource> Build()
{
    std::vector<Resource> out;
    std::uint64_t state = 0x6A69756A6975ULL;
    for (const Title &title : kTitles) {
        if (title.episodes == 0) {
            for (const char *format : kFormats)
                out.push_back(MakeResource(std::string(title.name) + "." + format, state));
            continue;
        }
        for (int e = 1; e <= title.episodes; ++e) {
            char episode[16];
            std::snprintf(episode, sizeof episode, ".E%02d.", e);
            out.push_back(MakeResource(title.name + std::string(episode) + kFormats[e % 4], state));
        }
    }
    for (int issue = 1; issue <= kDailyIssues; ++issue) {
        char name[64];
        std::snprintf(name, sizeof name, "每日新闻.第%04d期.mp4", issue);
        out.push_back(MakeResource(name, state));
    }
    // One release listed three times with other source counts, as the site lists a file on
    // several pages: the same name, size and hash each time.
    const std::size_t firstRerun = out.size();
    for (int e = 1; e <= 3; ++e) {
        char name[64];
        std::snprintf(name, sizeof name, "Rerun.Special.Part%d.mkv", e);
        out.push_back(MakeResource(name, state));
    }
    for (int copy = 1; copy <= 2; ++copy) {
        for (int e = 0; e < 3; ++e) {
            Resource again = out[firstRerun + static_cast<std::size_t>(e)];
            again.sources = std::to_string(1 + Next(state) % 4000);
            out.push_back(std::move(again));
        }
    }
    // Names that show the list's order: case, numbers inside names, pinyin, full-width
    // letters; equal sizes and sources for ties, unreadable ones, and one file listed twice.
    // The links carry the size the size cell says, where it says one.
    const struct
    {
        const char *name;
        const char *size;
        const char *sources;
        std::uint64_t bytes; // 0: the size cannot be read, the link keeps its own
    } ordered[] = {
        {"排序.Abd.mkv", "700 MB", "12", 734003200},
        {"排序.abc.mkv", "700 MB", "12", 734003200},
        {"排序.第10期.mp4", "1.2 GB", "3", 1288490189},
        {"排序.第2期.mp4", "12.3KB", "300", 12595},
        {"排序.张三.avi", "?", "7", 0},
        {"排序.李四.avi", "1,024 B", "", 1024},
        {"排序.阿杜.avi", "4.37 GB", "7", 4692251771},
        {"排序.王五.avi", "700 MB", "0", 734003200},
        {"排序.ｂ全角.mkv", "2 GB", "12", 2147483648},
        {"排序.B.mkv", "未知", "45", 0},
        {"排序.abc.mkv", "700 MB", "13", 734003200},
        {"排序.file9.mkv", "1 GB", "9", 1073741824},
        {"排序.File10.mkv", "1 GB", "10", 1073741824},
    };
    for (const auto &entry : ordered) {
        Resource r = MakeResource(entry.name, state);
        r.size = entry.size;
        r.sources = entry.sources;
        if (entry.bytes)
            Relink(r, entry.name, entry.bytes);
        out.push_back(std::move(r));
    }
    // The second 排序.abc.mkv is another listing of the first: same link.
    const std::size_t abc = out.size() - 12;
    out[out.size() - 3].link = out[abc].link;
    AddFakes(out);
    for (int issue = 1; issue <= g_archiveSize; ++issue) {
        char name[64];
        std::snprintf(name, sizeof name, "档案馆.第%06d卷.zip", issue);
        out.push_back(MakeResource(name, state));
    }
    return out;
}

} // namespace

const std::vector<Resource> &Catalogue()
{
    static const std::vector<Resource> catalogue = Build();
    return catalogue;
}

std::vector<std::string> ShowcaseKeywords()
{
    std::vector<std::string> keywords;
    for (const Title &title : kTitles)
        keywords.emplace_back(title.name);
    for (const char *keyword : {"啾啾", "每日新闻", "Rerun", "排序", "假货", "档案馆"})
        keywords.emplace_back(keyword);
    return keywords;
}

void SetArchiveSize(int issues)
{
    g_archiveSize = issues;
}

std::vector<const Resource *> FindResources(std::string_view keyword)
{
    std::vector<const Resource *> found;
    if (keyword.empty())
        return found;
    const std::string needle = AsciiLowered(keyword);
    for (const Resource &r : Catalogue())
        if (AsciiLowered(r.name).find(needle) != std::string::npos)
            found.push_back(&r);
    return found;
}

} // namespace jiujiu::demo
