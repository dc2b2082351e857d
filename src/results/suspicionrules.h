#pragma once

#include "results/filetype.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace jiujiu {

struct Ed2kLink;

// A row as the rules see it; texts are UTF-8.
struct RowFacts
{
    std::string_view name;     // the name cell
    std::string_view fileName; // the link's file name, else the name cell
    std::string_view sizeText; // the size cell
    const Ed2kLink *link = nullptr;
    std::optional<std::uint64_t> fileBytes; // the link's size, else the size cell's
    FileType type = FileType::Other;
    std::string_view extension;
};

// What the rest of the list says about a row, for the rules that compare it with the others.
struct ListFacts
{
    std::size_t mediaRows = 0; // rows of video or audio
    std::size_t typedRows = 0; // rows of any type but 其他
    bool mostlyMedia = false;  // MostlyMedia(mediaRows, typedRows)
    // Files (ed2k hashes) listed under the row's name, its own included; 0 when the row has
    // no name or no hash to compare.
    std::size_t sameNameFiles = 0;
    std::uint64_t smallestFile = 0;
    std::uint64_t largestFile = 0;
    bool mostSources = false;         // the row's file has more sources than each of the others
    std::int64_t sources = 0;         // its source count (of its copy with the most)
    std::int64_t runnerUpSources = 0; // the highest count among the other files
};

// A rule for results that look wrong. Row rules read the row alone; list rules read the row's
// file (RowFacts::fileName, fileBytes, type and extension; the rest is empty) and the facts of
// the list around it, so their verdict can change as more rows are listed.
struct SuspicionRule
{
    enum class Scope
    {
        Row,
        List,
    };
    std::string_view id; // "double-extension": the name jiujiu-cli gives it
    Scope scope;
    // The reason in words (UTF-8) when the rule holds for the row, none when it does not.
    std::optional<std::string> (*check)(const RowFacts &row, const ListFacts &list);
};

// Every rule, in the order their reasons are given. At most kMaxSuspicionRules.
std::span<const SuspicionRule> SuspicionRules();
inline constexpr std::size_t kMaxSuspicionRules = 15;

// At least five rows of video or audio, and seven in ten of the rows of a known type.
bool MostlyMedia(std::size_t mediaRows, std::size_t typedRows);

// A name as rows are compared by: lower case, full-width letters and digits as ASCII, and
// without blanks, punctuation or symbols ("Tom & Jerry.E01.mkv" -> "tomjerrye01mkv").
std::string NameKey(std::string_view utf8);

} // namespace jiujiu
