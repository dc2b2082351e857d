#include "search/resultorder.h"

#include "runtime/codepage.h"
#include "search/sizetext.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <numeric>

namespace jiujiu {
namespace {

// Keys that compare like the locale's strcoll.
std::string CollationKey(const std::string &utf8)
{
    std::string key(utf8.size() * 4 + 16, '\0');
    std::size_t length = std::strxfrm(key.data(), utf8.c_str(), key.size());
    if (length >= key.size()) {
        key.resize(length + 1);
        length = std::strxfrm(key.data(), utf8.c_str(), key.size());
    }
    key.resize(std::min(length, key.size()));
    return key;
}

} // namespace

std::optional<SortRequest> SortRequest::Parse(std::string_view text)
{
    SortRequest request;
    if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        const std::string_view direction = text.substr(colon + 1);
        if (direction == "desc")
            request.descending = true;
        else if (direction != "asc")
            return std::nullopt;
        text = text.substr(0, colon);
    }
    static constexpr std::array<std::array<std::string_view, 3>, 5> names = {{
        {"serial", "\xE5\xBA\x8F\xE5\x8F\xB7", "0"},              // 序号
        {"name", "\xE5\x90\x8D\xE7\xA7\xB0", "1"},                // 名称
        {"size", "\xE5\xA4\xA7\xE5\xB0\x8F", "2"},                // 大小
        {"sources", "\xE8\xB5\x84\xE6\xBA\x90\xE6\x95\xB0", "3"}, // 资源数
        {"link", "\xE9\x93\xBE\xE6\x8E\xA5", "4"},                // 链接
    }};
    for (std::size_t column = 0; column < names.size(); ++column) {
        if (std::find(names[column].begin(), names[column].end(), text) != names[column].end()) {
            request.column = static_cast<int>(column);
            return request;
        }
    }
    return std::nullopt;
}

std::vector<std::size_t> SortedOrder(const std::vector<ResultRow> &rows, const SortRequest &request)
{
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const bool desc = request.descending;
    // A descending sort is the ascending one read backwards, but ties keep the list order.
    const auto sortBy = [&](const auto &keys) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return desc ? LessUnknownLast(keys[b], keys[a], true)
                        : LessUnknownLast(keys[a], keys[b], false);
        });
    };
    switch (request.column) {
    case 0:
    case 3: {
        std::vector<std::optional<std::int64_t>> keys;
        keys.reserve(rows.size());
        for (const ResultRow &row : rows)
            keys.push_back(ParseCountText(row[static_cast<std::size_t>(request.column)]));
        sortBy(keys);
        break;
    }
    case 2: {
        std::vector<std::optional<std::uint64_t>> keys;
        keys.reserve(rows.size());
        for (const ResultRow &row : rows)
            keys.push_back(ParseSizeText(row[SizeColumn]));
        sortBy(keys);
        break;
    }
    case 1:
    case 4: {
        std::vector<std::optional<std::string>> keys;
        keys.reserve(rows.size());
        for (const ResultRow &row : rows) {
            const std::string utf8 = TextToUtf8(row[static_cast<std::size_t>(request.column)]);
            keys.emplace_back(request.column == 1 ? CollationKey(utf8) : utf8);
        }
        sortBy(keys);
        break;
    }
    default:
        break;
    }
    return order;
}

} // namespace jiujiu
