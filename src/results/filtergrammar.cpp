#include "results/filtergrammar.h"

#include "results/filetype.h"
#include "results/rowstatus.h"
#include "runtime/asciicase.h"

#include <array>

namespace jiujiu {
namespace {

using Kind = FilterTermKind;
using Shape = FilterTermShape;

constexpr std::array<FilterTermSpec, 11> kTerms = {{
    {Kind::Word,
     Shape::Text,
     {},
     {},
     "jerry",
     "rows whose name or link holds the word; words are ANDed, case does not matter",
     "名称或链接里有这个词的行；几个词都要有，不分大小写"},
    {Kind::ExcludedWord,
     Shape::Text,
     {},
     {},
     "-jerry",
     "rows whose name and link lack the word",
     "名称和链接里都没有这个词的行"},
    {Kind::Phrase,
     Shape::Text,
     {},
     {},
     "\"tom jerry\"",
     "a phrase, blanks included, up to its closing quote or a line end; -\"...\" excludes it",
     "整句，连空格一起，到后引号或行尾为止；-\"…\" 排除"},
    {Kind::SizeBound, Shape::Bound, "size", "\xE5\xA4\xA7\xE5\xB0\x8F" /* 大小 */, "size>=700MB",
     "a size bound: >, >=, < or <= and a size such as 700MB or 1.5GB",
     "大小范围：>、>=、< 或 <=，加 700MB、1.5GB 这样的大小"},
    {Kind::SourcesBound, Shape::Bound, "sources",
     "\xE8\xB5\x84\xE6\xBA\x90\xE6\x95\xB0" /* 资源数 */, "sources>=10",
     "a minimum of sources: > or >=", "最少资源数：> 或 >="},
    {Kind::Type, Shape::FieldValue, "type", "\xE7\xB1\xBB\xE5\x9E\x8B" /* 类型 */, "type:视频",
     "rows of that type (%t); several are ORed, -type: excludes",
     "这一类的行（%t）；几个 type: 任一即可，-type: 排除"},
    {Kind::Extension, Shape::FieldValue, "ext", "\xE6\x89\xA9\xE5\xB1\x95\xE5\x90\x8D" /* 扩展名 */,
     "ext:mkv", "rows whose file has that extension; several are ORed, -ext: excludes",
     "文件是这个扩展名的行；几个 ext: 任一即可，-ext: 排除"},
    {Kind::Status, Shape::FieldValue, "status", "\xE7\x8A\xB6\xE6\x80\x81" /* 状态 */,
     "status:已有", "rows of that status in the ed2k client (%s); -status: excludes",
     "ed2k 客户端里是这个状态的行（%s）；-status: 排除"},
    {Kind::BrokenLink, Shape::Bare, "\xE9\x93\xBE\xE6\x8E\xA5\xE6\x97\xA0\xE6\x95\x88",
     "\xE9\x93\xBE\xE6\x8E\xA5\xE6\x97\xA0\xE6\x95\x88" /* 链接无效 */, "链接无效",
     "rows whose link is broken; -链接无效 hides them", "链接无效的行；-链接无效 隐藏它们"},
    {Kind::Suspicious, Shape::Bare, "\xE5\x8F\xAF\xE7\x96\x91",
     "\xE5\x8F\xAF\xE7\x96\x91" /* 可疑 */, "可疑",
     "rows a suspicion rule holds for; -可疑 hides them", "可疑的行；-可疑 隐藏它们"},
    // No row carries the mark yet: it is set once searches can be saved and run again.
    {Kind::NewSinceLastRun, Shape::Bare, "new", "\xE6\x96\xB0" /* 新 */, "新",
     "rows new since the saved search last ran; -新 hides them",
     "保存的搜索上次运行以来新出现的行；-新 隐藏它们"},
}};

constexpr std::string_view kColons[] = {":", "\xEF\xBC\x9A"}; // ：
constexpr std::string_view kSigns[] = {"<",           ">", "=", "\xEF\xBC\x9C", "\xEF\xBC\x9E",
                                       "\xEF\xBC\x9D"}; // ＜＞＝

bool StartsWithName(std::string_view token, std::string_view name)
{
    return !name.empty() && AsciiEqualsIgnoringCase(token.substr(0, name.size()), name);
}

// The rest of token after the field name, when what follows suits the shape.
std::optional<std::string_view> AfterField(std::string_view token, std::string_view name,
                                           Shape shape)
{
    if (!StartsWithName(token, name))
        return std::nullopt;
    const std::string_view rest = token.substr(name.size());
    if (shape == Shape::Bound) {
        for (std::string_view sign : kSigns)
            if (rest.starts_with(sign))
                return rest;
        return std::nullopt;
    }
    for (std::string_view colon : kColons)
        if (rest.starts_with(colon))
            return rest.substr(colon.size());
    return std::nullopt;
}

struct ErrorText
{
    FilterErrorReason reason;
    // %v the value as typed, %c the comparison, %t the types, %s the statuses.
    std::string_view english;
    std::string_view chinese;
};

using Reason = FilterErrorReason;
constexpr std::array<ErrorText, 14> kErrors = {{
    {Reason::MissingSize, "a size is missing after '%c'", "“%c”后面缺少大小，如 size>=700MB"},
    {Reason::MissingCount, "a number is missing after '%c'", "“%c”后面缺少资源数，如 sources>=10"},
    {Reason::NotASize, "'%v' is not a size such as 700MB or 1.5GB",
     "“%v”不是大小，应写作 700MB、1.5GB 这样"},
    {Reason::SizeTooLarge, "'%v' is too large a size", "大小“%v”太大了"},
    {Reason::NotACount, "'%v' is not a number of sources (0 or more)",
     "“%v”不是资源数（0 或更大的整数）"},
    {Reason::CountTooLarge, "'%v' is too large a number", "资源数“%v”太大了"},
    {Reason::NoSuchComparison, "'%c' is not a comparison (use <, <=, > or >=)",
     "“%c”不是比较符号，请用 <、<=、> 或 >="},
    {Reason::SourcesMinimumOnly, "sources take a minimum only (> or >=)",
     "资源数只能限定下限（> 或 >=）"},
    {Reason::ExcludedBound, "a bound cannot be excluded (use the opposite comparison)",
     "范围不能用 - 排除，请改用相反的比较"},
    {Reason::MissingType, "a type is missing (%t)", "缺少类型，类型应是 %t"},
    {Reason::UnknownType, "'%v' is not a type (%t)", "“%v”不是类型，类型应是 %t"},
    {Reason::MissingExtension, "an extension is missing, such as ext:mkv",
     "“:”后面缺少扩展名，如 ext:mkv"},
    {Reason::MissingStatus, "a status is missing after ':' (%s)", "“:”后面缺少状态，请用 %s"},
    {Reason::UnknownStatus, "'%v' is not a status (%s)", "“%v”不是状态，请用 %s"},
}};

// "a, b or c" in English, "a、b 或 c" in Chinese.
// English choices that hold " or " themselves are all joined by commas.
template <class Names>
std::string Choices(FilterLanguage language, int count, Names names, bool pairs = false)
{
    const bool english = language == FilterLanguage::English;
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += i + 1 < count || (english && pairs) ? (english ? ", " : "、")
                                                       : (english ? " or " : " 或 ");
        out += names(i);
    }
    return out;
}

std::string TypeChoices(FilterLanguage language)
{
    return Choices(language, kFileTypeCount, [&](int t) {
        const auto type = static_cast<FileType>(t);
        return std::string(language == FilterLanguage::English ? FileTypeKeyword(type)
                                                               : FileTypeName(type));
    });
}

std::string StatusChoices(FilterLanguage language)
{
    const auto statuses = StatusTermOrder();
    return Choices(
        language, static_cast<int>(statuses.size()),
        [&](int i) {
            const RowStatus status = statuses[static_cast<std::size_t>(i)];
            std::string choice(RowStatusTermWord(status));
            if (language == FilterLanguage::English)
                choice.append(" or ").append(RowStatusTermEnglish(status));
            return choice;
        },
        true);
}

std::string Filled(std::string_view text, std::string_view value, std::string_view comparison,
                   FilterLanguage language)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
        case 'v':
            out += value;
            break;
        case 'c':
            out += comparison;
            break;
        case 't':
            out += TypeChoices(language);
            break;
        case 's':
            out += StatusChoices(language);
            break;
        default:
            out += '%';
            out += text[i];
        }
    }
    return out;
}

// Columns a text takes in a terminal: CJK characters (three UTF-8 bytes and more) take two.
std::size_t Columns(std::string_view text)
{
    std::size_t columns = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        columns += byte < 0x80 ? 1 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
    }
    return columns;
}

// The piece a help line may break after: a blank alone, a word up to the next blank, or up to
// and with the next Chinese comma, semicolon or enumeration comma.
std::size_t PieceLength(std::string_view text)
{
    if (text.front() == ' ')
        return 1;
    std::size_t end = 0;
    while (end < text.size() && text[end] != ' ') {
        for (std::string_view mark : {"，", "；", "、"})
            if (text.substr(end).starts_with(mark))
                return end + mark.size();
        ++end;
    }
    return end;
}

} // namespace

std::span<const FilterTermSpec> FilterTerms()
{
    return kTerms;
}

std::optional<FilterFieldTerm> ReadFilterTerm(std::string_view token)
{
    for (const FilterTermSpec &term : kTerms) {
        if (term.shape == Shape::Text)
            continue;
        for (std::string_view name : {term.english, term.chinese}) {
            if (term.shape == Shape::Bare) {
                if (!name.empty() && AsciiEqualsIgnoringCase(token, name))
                    return FilterFieldTerm{term.kind, {}};
            } else if (const auto rest = AfterField(token, name, term.shape)) {
                return FilterFieldTerm{term.kind, *rest};
            }
        }
    }
    return std::nullopt;
}

std::string FilterErrorText(FilterErrorReason reason, std::string_view value,
                            std::string_view comparison, FilterLanguage language)
{
    for (const ErrorText &error : kErrors)
        if (error.reason == reason)
            return Filled(language == FilterLanguage::English ? error.english : error.chinese,
                          value, comparison, language);
    return {};
}

std::string FilterHelpText(FilterLanguage language, std::string_view indent, std::size_t width)
{
    const bool english = language == FilterLanguage::English;
    constexpr std::size_t kExampleWidth = 14;
    const std::size_t start = Columns(indent) + kExampleWidth;
    std::string out;
    for (const FilterTermSpec &term : kTerms) {
        std::string words = Filled(english ? term.helpEnglish : term.helpChinese, {}, {}, language);
        if (term.shape != Shape::Text && term.english != term.chinese)
            words.append(english ? " [" : "［")
                .append(term.english)
                .append(english ? " or " : " 或 ")
                .append(term.chinese)
                .append(english ? "]" : "］");
        out += indent;
        out += term.example;
        const std::size_t columns = Columns(indent) + Columns(term.example);
        out.append(columns < start ? start - columns : 1, ' ');
        // Lines break at blanks and after Chinese punctuation, the rest aligned under the first.
        std::size_t at = start;
        std::string_view rest = words;
        while (!rest.empty()) {
            const std::size_t piece = PieceLength(rest);
            const std::string_view text = rest.substr(0, piece);
            if (width > 0 && at > start && at + Columns(text) > width) {
                while (out.ends_with(' '))
                    out.pop_back();
                out += '\n';
                out.append(start, ' ');
                at = start;
                if (text == " ") {
                    rest.remove_prefix(piece);
                    continue;
                }
            }
            out += text;
            at += Columns(text);
            rest.remove_prefix(piece);
        }
        out += '\n';
    }
    return out;
}

} // namespace jiujiu
