#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace jiujiu {

// What the user's ed2k client knows of a row's file, and what this run did with it.
enum class RowStatus : std::uint8_t
{
    New,         // 新 in the list, status:无 in a filter: the client does not know the file
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

// 新, 已有, 下载中, 已取消, 已交给客户端 (UTF-8): the words of TSV/CSV and the window.
std::string_view RowStatusWord(RowStatus status);
// none, known, downloading, cancelled, handed: jiujiu-cli's JSON, one vocabulary with its type.
std::string_view RowStatusIdentifier(RowStatus status);
// The value of a status: filter term: 无, 已有, 下载中, 已取消, 已交给客户端, and in English the
// identifiers above.
std::string_view RowStatusTermWord(RowStatus status);
std::string_view RowStatusTermEnglish(RowStatus status);
// The statuses in the order the filter's help and errors list them.
std::span<const RowStatus> StatusTermOrder();
// A status term's value, either word (canceled as well), English in any case.
std::optional<RowStatus> ParseRowStatus(std::string_view utf8);

} // namespace jiujiu
