#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace jiujiu {

// Every kind of term the result filter reads. The filter, jiujiu-cli's help and the window's
// help are all written from the one table below, so a term cannot be known to one and not to
// the others.
enum class FilterTermKind : std::uint8_t
{
    Word,            // jerry
    ExcludedWord,    // -jerry
    Phrase,          // "tom and jerry"
    SizeBound,       // size>=700MB
    SourcesBound,    // sources>=10
    Type,            // type:视频
    Extension,       // ext:mkv
    Status,          // status:已有
    BrokenLink,      // 链接无效
    Suspicious,      // 可疑
    NewSinceLastRun, // 新
};

// How a term of a kind is written.
enum class FilterTermShape : std::uint8_t
{
    Text,       // words and phrases: whatever no other shape reads
    Bound,      // a field name, a comparison (<, >, =, also full-width), a value
    FieldValue, // a field name, ":" or "：", a value
    Bare,       // the term as it stands, in either language
};

// Why a term that reads as a bound, a field or a status cannot be taken.
enum class FilterErrorReason : std::uint8_t
{
    MissingSize,        // size>=
    MissingCount,       // sources>=
    NotASize,           // size>=lots
    SizeTooLarge,       // size>=99999999999999999999TB
    NotACount,          // sources>=-1
    CountTooLarge,      // sources>=99999999999999999999
    NoSuchComparison,   // size=1GB, size<>1GB
    SourcesMinimumOnly, // sources<5
    ExcludedBound,      // -size>=1GB
    MissingType,        // type:
    UnknownType,        // type:lots
    MissingExtension,   // ext:
    MissingStatus,      // status:
    UnknownStatus,      // status:lots
};

enum class FilterLanguage : std::uint8_t
{
    English,
    Chinese,
};

struct FilterTermSpec
{
    FilterTermKind kind;
    FilterTermShape shape;
    // Field names (Bound, FieldValue) or the term itself (Bare), compared without ASCII case;
    // empty for Text.
    std::string_view english;
    std::string_view chinese;
    // How the help shows the term, and what it says of it in each language.
    std::string_view example;
    std::string_view helpEnglish;
    std::string_view helpChinese;
};

// The table, one entry a kind, in the order the help lists them.
std::span<const FilterTermSpec> FilterTerms();

// A token (without its "-") read as a Bound, FieldValue or Bare term. For a Bound, value
// starts at the comparison; for a FieldValue, after the colon; for a Bare term it is empty.
struct FilterFieldTerm
{
    FilterTermKind kind;
    std::string_view value;
};
// None for a token that is a word: no field name at its front followed by what the field
// takes ("sizes", "type", "扩展名x"). Only the field name at the token's front counts.
std::optional<FilterFieldTerm> ReadFilterTerm(std::string_view token);

// The reason in words, with the term's value and comparison put in: "a size is missing after
// '>='", "“>=”后面缺少大小，如 size>=700MB".
std::string FilterErrorText(FilterErrorReason reason, std::string_view value,
                            std::string_view comparison, FilterLanguage language);

// The filter's help: a line a term kind, "example  what it does", each starting with indent;
// with a width, the words wrap to lines of at most that many columns where they can.
std::string FilterHelpText(FilterLanguage language, std::string_view indent, std::size_t width = 0);

} // namespace jiujiu
