#include "results/suspicionrules.h"

#include "results/directioncontrols.h"
#include "results/ed2klink.h"
#include "results/sizetext.h"
#include "runtime/asciicase.h"
#include "runtime/asciictype.h"
#include "runtime/coretext.h"
#include "runtime/utf8.h"

#include <algorithm>
#include <array>

namespace jiujiu {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// Blanks, punctuation and symbols: what separates the words of a name.
bool IsSeparator(char32_t c)
{
    if (c < 0x80)
        return !IsAsciiAlnum(static_cast<char>(c));
    return (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c <= 0x206F) ||
           (c >= 0x2190 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF5F && c <= 0xFF65) ||
           (c >= 0xFFE0 && c <= 0xFFEE) || c == 0xFFFD;
}

// Lower case, full-width forms as ASCII, every run of separators one blank, no blank at
// either end: "【字幕】Tom＆Jerry.E01" -> "字幕 tom jerry e01"; without blanks at all when
// blanks is false.
std::string Simplified(std::string_view utf8, bool blanks = true)
{
    std::string out;
    out.reserve(utf8.size());
    bool blank = true; // nothing written yet counts as after a blank
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        std::size_t length = DecodeUtf8(utf8, at, c);
        if (length == 0) {
            length = 1;
            c = 0xFFFD;
        }
        if (c >= 0xFF01 && c <= 0xFF5E)
            c -= 0xFEE0; // full-width ASCII
        if (IsSeparator(c)) {
            if (!blank && blanks)
                out += ' ';
            blank = true;
        } else if (c < 0x80) {
            out += AsciiToLower(static_cast<char>(c));
            blank = false;
        } else {
            out.append(utf8.substr(at, length));
            blank = false;
        }
        at += length;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// The word in a simplified name, not inside a longer ASCII word: "4k" in "movie 4k" and in
// "电影4k版", not in "x4kb".
bool HasWord(std::string_view simplified, std::string_view word)
{
    for (std::size_t at = simplified.find(word); at != std::string_view::npos;
         at = simplified.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        const bool startsWord = at == 0 || !IsAsciiAlnum(simplified[at - 1]);
        const bool endsWord = end == simplified.size() || !IsAsciiAlnum(simplified[end]);
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

template <std::size_t N>
std::string_view FirstWord(std::string_view simplified,
                           const std::array<std::string_view, N> &words)
{
    for (std::string_view word : words)
        if (HasWord(simplified, word))
            return word;
    return {};
}

template <std::size_t N>
bool HasPart(std::string_view text, const std::array<std::string_view, N> &parts)
{
    for (std::string_view part : parts)
        if (text.find(part) != std::string_view::npos)
            return true;
    return false;
}

std::string Quoted(std::string_view text)
{
    // Names in a reason are cut short: a tool tip holds several reasons.
    constexpr std::size_t kLongest = 60;
    std::string out = "“";
    if (text.size() <= kLongest) {
        out.append(text);
    } else {
        std::size_t cut = kLongest;
        while (cut > 0 && IsUtf8Continuation(static_cast<unsigned char>(text[cut])))
            --cut; // never inside a character
        out.append(text.substr(0, cut));
        out += "…";
    }
    return out + "”";
}

// The sizes a size cell can stand for: its last digit may be rounded or cut, and its unit
// may be 1000 or 1024 of the next smaller one. None when the cell does not read as a size.
std::optional<std::pair<double, double>> SizeCellRange(std::string_view text)
{
    const auto parts = ParseSizeParts(text);
    if (!parts || !ParseSizeText(text))
        return std::nullopt;
    double value = 0;
    double step = 1;
    for (char c : parts->whole)
        value = value * 10 + (c - '0');
    for (char c : parts->fraction) {
        value = value * 10 + (c - '0');
        step /= 10;
    }
    if (!parts->fraction.empty())
        value *= step; // digits read as a whole number, scaled back
    const int exponent = parts->unitShift / 10;
    double decimal = 1;
    double binary = 1;
    for (int i = 0; i < exponent; ++i) {
        decimal *= 1000;
        binary *= 1024;
    }
    const double low = value - step;
    return std::pair{(low < 0 ? 0 : low) * decimal * 0.99, (value + step) * binary * 1.01};
}

// Row rules.

std::optional<std::string> NameMismatch(const RowFacts &row, const ListFacts &)
{
    if (!row.link || row.link->name.empty() || row.name.empty() || row.name == row.link->name)
        return std::nullopt;
    const std::string shown = NameKey(row.name);
    const std::string linked = NameKey(row.link->name);
    // A site that shortens names, or leaves out the extension, still names the same file.
    if (shown.empty() || linked.empty() || shown.find(linked) != std::string::npos ||
        linked.find(shown) != std::string::npos)
        return std::nullopt;
    return ComposeText(
        JIUJIU_TEXT("jiujiu", "链接里的文件名%1与名称不符，下载到的可能是另一个文件"),
        {Quoted(row.link->name)});
}

std::optional<std::string> SizeMismatch(const RowFacts &row, const ListFacts &)
{
    // A size out of range makes the link broken, which says so already.
    if (!row.link || !row.link->size || *row.link->size == 0 ||
        *row.link->size > Ed2kLink::kMaxSize)
        return std::nullopt;
    const auto range = SizeCellRange(row.sizeText);
    const auto bytes = static_cast<double>(*row.link->size);
    if (!range || (bytes >= range->first && bytes <= range->second))
        return std::nullopt;
    return ComposeText(JIUJIU_TEXT("jiujiu", "大小一栏写着 %1，链接里的文件却是 %2"),
                       {row.sizeText, FormatSizeText(*row.link->size)});
}

std::optional<std::string> DoubleExtension(const RowFacts &row, const ListFacts &)
{
    std::string_view name = row.fileName;
    while (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        name.remove_suffix(1);
    const std::string last = FileExtension(name);
    if (!RunsWhenOpened(last))
        return std::nullopt;
    name.remove_suffix(last.size() + 1);
    const std::string before = FileExtension(name);
    const FileType looksLike = FileTypeOfExtension(before);
    if (before.empty() || looksLike == FileType::Other || looksLike == FileType::Program)
        return std::nullopt;
    return ComposeText(JIUJIU_TEXT("jiujiu", "文件名以 .%1.%2 结尾：看着像%3，打开却会运行程序"),
                       {before, last, FileTypeName(looksLike)});
}

std::optional<std::string> DirectionControl(const RowFacts &row, const ListFacts &)
{
    if (!HasDirectionControls(row.name) && !HasDirectionControls(row.fileName))
        return std::nullopt;
    if (row.extension.empty())
        return CoreText(
            JIUJIU_TEXT("jiujiu", "名称里藏着改变文字方向的控制字符，显示出来的扩展名是假的"));
    return ComposeText(
        JIUJIU_TEXT("jiujiu",
                    "名称里藏着改变文字方向的控制字符，显示出来的扩展名是假的（实际是 .%1）"),
        {row.extension});
}

std::optional<std::string> TooSmallForQuality(const RowFacts &row, const ListFacts &)
{
    static constexpr std::array<std::string_view, 9> kQualities = {
        "1080p", "1080i", "2160p", "4k", "uhd", "bluray", "blu ray", "bdrip", "remux"};
    // Short pieces are small at any quality.
    static constexpr std::array<std::string_view, 6> kShortPieces = {"mv",     "trailer", "teaser",
                                                                     "sample", "clip",    "pv"};
    static constexpr std::array<std::string_view, 5> kShortPiecesZh = {"预告", "花絮", "片花",
                                                                       "片段", "蓝光碟"};
    if (row.type != FileType::Video || !row.fileBytes || *row.fileBytes >= 100 * kMiB)
        return std::nullopt;
    const std::string simplified = Simplified(row.fileName);
    std::string_view quality = FirstWord(simplified, kQualities);
    if (quality.empty() && simplified.find("蓝光") != std::string::npos)
        quality = "蓝光";
    if (quality.empty() || !FirstWord(simplified, kShortPieces).empty() ||
        HasPart(simplified, kShortPiecesZh))
        return std::nullopt;
    return ComposeText(JIUJIU_TEXT("jiujiu", "名称写着“%1”，视频却只有 %2，与这个清晰度对不上"),
                       {quality, FormatSizeText(*row.fileBytes)});
}

// "全30集", "全二十四话", "全季", "整季" in a name key: the marker, empty when there is none.
std::string WholeSeasonMarker(std::string_view key)
{
    static constexpr std::array<std::string_view, 21> kNumerals = {
        "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9", "一",
        "二", "三", "四", "五", "六", "七", "八", "九", "十", "百"};
    static constexpr std::array<std::string_view, 3> kUnits = {"集", "话", "季"};
    const auto numeral = [](std::string_view s) -> std::size_t {
        for (std::string_view n : kNumerals)
            if (s.starts_with(n))
                return n.size();
        return 0;
    };
    constexpr std::string_view kWhole = "全";
    for (std::size_t at = key.find(kWhole); at != std::string_view::npos;
         at = key.find(kWhole, at + 1)) {
        std::size_t end = at + kWhole.size();
        while (const std::size_t length = numeral(key.substr(end)))
            end += length;
        const bool counted = end > at + kWhole.size();
        for (std::string_view unit : kUnits)
            if (key.substr(end).starts_with(unit) && (counted || unit == "季"))
                return std::string(key.substr(at, end + unit.size() - at));
    }
    return key.find("整季") != std::string_view::npos ? "整季" : std::string();
}

std::optional<std::string> TooSmallForSeason(const RowFacts &row, const ListFacts &)
{
    if ((row.type != FileType::Video && row.type != FileType::Archive &&
         row.type != FileType::DiscImage) ||
        !row.fileBytes || *row.fileBytes >= 50 * kMiB)
        return std::nullopt;
    const std::string simplified = Simplified(row.fileName);
    std::string marker = WholeSeasonMarker(NameKey(row.fileName));
    if (marker.empty() && HasWord(simplified, "complete")) {
        bool season = HasWord(simplified, "season");
        for (std::size_t at = 0; !season && at + 3 <= simplified.size(); ++at)
            season = simplified[at] == 's' && (at == 0 || !IsAsciiAlnum(simplified[at - 1])) &&
                     IsAsciiDigit(simplified[at + 1]) && IsAsciiDigit(simplified[at + 2]);
        if (season)
            marker = "complete season";
    }
    if (marker.empty())
        return std::nullopt;
    return ComposeText(JIUJIU_TEXT("jiujiu", "名称写着“%1”，却只有 %2，装不下一整季"),
                       {marker, FormatSizeText(*row.fileBytes)});
}

// List rules.

std::optional<std::string> ProgramAmongMedia(const RowFacts &row, const ListFacts &list)
{
    if (row.type != FileType::Program || !list.mostlyMedia)
        return std::nullopt;
    return ComposeText(
        JIUJIU_TEXT(
            "jiujiu",
            "列表里多是视频和音频（%1 个结果里有 %2 个），这一个却是程序（.%3），可能是冒充的"),
        {std::to_string(list.typedRows), std::to_string(list.mediaRows), row.extension});
}

std::optional<std::string> SmallArchiveAmongMedia(const RowFacts &row, const ListFacts &list)
{
    // What comes with films and albums in small archives.
    static constexpr std::array<std::string_view, 11> kCompanions = {
        "sub", "subs", "subtitle", "subtitles", "srt",  "ass",
        "ssa", "lrc",  "cover",    "covers",    "scans"};
    static constexpr std::array<std::string_view, 4> kCompanionsZh = {"字幕", "歌词", "封面",
                                                                      "海报"};
    if (row.type != FileType::Archive || !list.mostlyMedia || !row.fileBytes ||
        *row.fileBytes >= 10 * kMiB)
        return std::nullopt;
    const std::string simplified = Simplified(row.fileName);
    if (!FirstWord(simplified, kCompanions).empty() || HasPart(simplified, kCompanionsZh))
        return std::nullopt;
    return ComposeText(
        JIUJIU_TEXT("jiujiu", "列表里多是视频和音频，这一个却是只有 %1 的压缩包，装不下要找的内容"),
        {FormatSizeText(*row.fileBytes)});
}

std::optional<std::string> SourcesFarAbove(const RowFacts &, const ListFacts &list)
{
    if (list.sameNameFiles < 3 || !list.mostSources ||
        list.sources < std::max(list.runnerUpSources * 10, list.runnerUpSources + 500))
        return std::nullopt;
    return ComposeText(
        JIUJIU_TEXT("jiujiu",
                    "资源数 %1 远高于同名的其他 %2 个文件（它们最多 %3），可能是刷出来的"),
        {std::to_string(list.sources), std::to_string(list.sameNameFiles - 1),
         std::to_string(list.runnerUpSources)});
}

std::optional<std::string> ManyHashesOneName(const RowFacts &, const ListFacts &list)
{
    if (list.sameNameFiles < 3 || list.largestFile / 2 < list.smallestFile)
        return std::nullopt;
    return ComposeText(
        JIUJIU_TEXT("jiujiu",
                    "同一名称下有 %1 个散列不同的文件，大小从 %2 到 %3 不等，难说哪个是真的"),
        {std::to_string(list.sameNameFiles), FormatSizeText(list.smallestFile),
         FormatSizeText(list.largestFile)});
}

constexpr SuspicionRule kRules[] = {
    {"name-mismatch", SuspicionRule::Scope::Row, NameMismatch},
    {"size-mismatch", SuspicionRule::Scope::Row, SizeMismatch},
    {"double-extension", SuspicionRule::Scope::Row, DoubleExtension},
    {"direction-control", SuspicionRule::Scope::Row, DirectionControl},
    {"too-small-for-quality", SuspicionRule::Scope::Row, TooSmallForQuality},
    {"too-small-for-season", SuspicionRule::Scope::Row, TooSmallForSeason},
    {"program-among-media", SuspicionRule::Scope::List, ProgramAmongMedia},
    {"small-archive-among-media", SuspicionRule::Scope::List, SmallArchiveAmongMedia},
    {"sources-far-above", SuspicionRule::Scope::List, SourcesFarAbove},
    {"many-hashes-one-name", SuspicionRule::Scope::List, ManyHashesOneName},
};
static_assert(std::size(kRules) <= kMaxSuspicionRules);

} // namespace

std::span<const SuspicionRule> SuspicionRules()
{
    return kRules;
}

bool MostlyMedia(std::size_t mediaRows, std::size_t typedRows)
{
    return mediaRows >= 5 && mediaRows * 10 >= typedRows * 7;
}

std::string NameKey(std::string_view utf8)
{
    return Simplified(utf8, false);
}

} // namespace jiujiu
