#include "results/rowstatus.h"

#include "runtime/asciicase.h"

#include <array>
#include <utility>

namespace jiujiu {
namespace {

struct StatusNames
{
    RowStatus status;
    std::string_view word;     // shown in the list and written to TSV/CSV
    std::string_view termWord; // after status: in a filter
    std::string_view english;  // after status: as well, and jiujiu-cli's JSON
};

// 新 is not a status term: it stands for rows new since a saved search last ran.
constexpr std::array<StatusNames, kRowStatusCount> kNames = {{
    {RowStatus::New, "\xE6\x96\xB0", "\xE6\x97\xA0", "none"},                            // 新, 无
    {RowStatus::Known, "\xE5\xB7\xB2\xE6\x9C\x89", "\xE5\xB7\xB2\xE6\x9C\x89", "known"}, // 已有
    {RowStatus::Downloading, "\xE4\xB8\x8B\xE8\xBD\xBD\xE4\xB8\xAD",
     "\xE4\xB8\x8B\xE8\xBD\xBD\xE4\xB8\xAD", "downloading"}, // 下载中
    {RowStatus::Cancelled, "\xE5\xB7\xB2\xE5\x8F\x96\xE6\xB6\x88",
     "\xE5\xB7\xB2\xE5\x8F\x96\xE6\xB6\x88", "cancelled"}, // 已取消
    {RowStatus::HandedOver,
     "\xE5\xB7\xB2\xE4\xBA\xA4\xE7\xBB\x99\xE5\xAE\xA2\xE6\x88\xB7\xE7\xAB\xAF", // 已交给客户端
     "\xE5\xB7\xB2\xE4\xBA\xA4\xE7\xBB\x99\xE5\xAE\xA2\xE6\x88\xB7\xE7\xAB\xAF", "handed"},
}};

const StatusNames &NamesOf(RowStatus status)
{
    for (const StatusNames &names : kNames)
        if (names.status == status)
            return names;
    return kNames[0];
}

} // namespace

std::string_view RowStatusWord(RowStatus status)
{
    return NamesOf(status).word;
}

std::string_view RowStatusIdentifier(RowStatus status)
{
    return NamesOf(status).english;
}

std::string_view RowStatusTermWord(RowStatus status)
{
    return NamesOf(status).termWord;
}

std::string_view RowStatusTermEnglish(RowStatus status)
{
    return NamesOf(status).english;
}

std::span<const RowStatus> StatusTermOrder()
{
    static constexpr std::array<RowStatus, kRowStatusCount> order = {
        RowStatus::Known, RowStatus::Downloading, RowStatus::Cancelled, RowStatus::New,
        RowStatus::HandedOver};
    return order;
}

std::optional<RowStatus> ParseRowStatus(std::string_view utf8)
{
    if (AsciiEqualsIgnoringCase(utf8, "canceled"))
        return RowStatus::Cancelled;
    for (const StatusNames &names : kNames)
        if (utf8 == names.termWord || AsciiEqualsIgnoringCase(utf8, names.english))
            return names.status;
    return std::nullopt;
}

} // namespace jiujiu
