#include "results/rowstatus.h"

#include "runtime/asciicase.h"

#include <array>
#include <utility>

namespace jiujiu {
namespace {

struct StatusNames
{
    RowStatus status;
    std::string_view word;
    std::string_view english;
    std::string_view identifier; // jiujiu-cli's JSON
};

constexpr std::array<StatusNames, kRowStatusCount> kNames = {{
    {RowStatus::New, "\xE6\x96\xB0", "new", "none"},                  // 新
    {RowStatus::Known, "\xE5\xB7\xB2\xE6\x9C\x89", "known", "known"}, // 已有
    {RowStatus::Downloading, "\xE4\xB8\x8B\xE8\xBD\xBD\xE4\xB8\xAD", "downloading",
     "downloading"}, // 下载中
    {RowStatus::Cancelled, "\xE5\xB7\xB2\xE5\x8F\x96\xE6\xB6\x88", "cancelled",
     "cancelled"}, // 已取消
    {RowStatus::HandedOver,
     "\xE5\xB7\xB2\xE4\xBA\xA4\xE7\xBB\x99\xE5\xAE\xA2\xE6\x88\xB7\xE7\xAB\xAF", // 已交给客户端
     "handed", "handed"},
}};

} // namespace

std::string_view RowStatusWord(RowStatus status)
{
    for (const StatusNames &names : kNames)
        if (names.status == status)
            return names.word;
    return kNames[0].word;
}

std::string_view RowStatusIdentifier(RowStatus status)
{
    for (const StatusNames &names : kNames)
        if (names.status == status)
            return names.identifier;
    return kNames[0].identifier;
}

std::optional<RowStatus> ParseRowStatus(std::string_view utf8)
{
    if (AsciiEqualsIgnoringCase(utf8, "canceled"))
        return RowStatus::Cancelled;
    for (const StatusNames &names : kNames)
        if (utf8 == names.word || AsciiEqualsIgnoringCase(utf8, names.english) ||
            AsciiEqualsIgnoringCase(utf8, names.identifier))
            return names.status;
    return std::nullopt;
}

std::optional<std::string_view> StatusTermValue(std::string_view token)
{
    static constexpr std::array<std::string_view, 2> fields = {"status",
                                                               "\xE7\x8A\xB6\xE6\x80\x81"}; // 状态
    static constexpr std::array<std::string_view, 2> colons = {":", "\xEF\xBC\x9A"};        // ：
    for (const std::string_view field : fields) {
        if (!AsciiEqualsIgnoringCase(token.substr(0, field.size()), field))
            continue;
        const std::string_view rest = token.substr(field.size());
        for (const std::string_view colon : colons)
            if (rest.starts_with(colon))
                return rest.substr(colon.size());
    }
    return std::nullopt;
}

} // namespace jiujiu
