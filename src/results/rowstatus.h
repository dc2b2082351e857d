#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace jiujiu {

// What the user's ed2k client knows of a row's file, and what this run did with it.
enum class RowStatus : std::uint8_t
{
    New,         // 新: the client does not know the file
    Known,       // 已有: hashed by the client (downloaded or shared)
    Downloading, // 下载中
    Cancelled,   // 已取消: a download of it was cancelled
    HandedOver, // 已交给客户端: handed to the client in this run, not yet among its downloads
};
inline constexpr int kRowStatusCount = 5;

// A row's status, with how much of a download is done when the client's file says (0 to 1000).
struct RowMark
{
    RowStatus status = RowStatus::New;
    std::optional<int> donePermille;

    friend bool operator==(const RowMark &, const RowMark &) = default;
};

// 新, 已有, 下载中, 已取消, 已交给客户端 (UTF-8): the words of status: filter terms, TSV/CSV
// and the window.
std::string_view RowStatusWord(RowStatus status);
// none, known, downloading, cancelled, handed: jiujiu-cli's JSON, one vocabulary with its type.
std::string_view RowStatusIdentifier(RowStatus status);
// One of the words, or new (none), known, downloading, cancelled (canceled), handed in any case.
std::optional<RowStatus> ParseRowStatus(std::string_view utf8);

// The word after "status:" or "状态:" (the colon also full-width, the field name in any case);
// none when the token is not a status term.
std::optional<std::string_view> StatusTermValue(std::string_view token);

} // namespace jiujiu
