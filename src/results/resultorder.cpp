#include "results/resultorder.h"

#include "results/collator.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>

namespace jiujiu {
namespace {

int CompareKnown(const SortKey &a, const SortKey &b)
{
    if (a.head != b.head)
        return a.head < b.head ? -1 : 1;
    return a.tail.compare(b.tail);
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
    static constexpr std::array<std::array<std::string_view, 3>, kResultColumnCount> names = {{
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

SortKey SortKey::Number(std::optional<std::uint64_t> value)
{
    SortKey key;
    key.known = value.has_value();
    key.head = value.value_or(0);
    return key;
}

SortKey SortKey::Number(std::optional<std::int64_t> value)
{
    // Counts are never negative; should one be, it sorts before every other.
    if (!value)
        return {};
    return Number(
        std::optional<std::uint64_t>(*value < 0 ? 0 : static_cast<std::uint64_t>(*value)));
}

SortKey SortKey::Collated(std::string_view collationKey)
{
    SortKey key;
    key.known = true;
    const std::size_t head = std::min<std::size_t>(collationKey.size(), 8);
    for (std::size_t i = 0; i < 8; ++i)
        key.head = key.head << 8 |
                   (i < head ? static_cast<std::uint8_t>(collationKey[i]) : std::uint8_t{0});
    if (collationKey.size() > head)
        key.tail.assign(collationKey.substr(head));
    return key;
}

SortKey MakeSortKey(const ResultRow &row, int column, const Collator &collator)
{
    return MakeSortKey(row, column, collator, row.sources());
}

SortKey MakeSortKey(const ResultRow &row, int column, const Collator &collator,
                    std::optional<std::int64_t> sources)
{
    switch (column) {
    case SerialColumn:
        return SortKey::Number(row.serial());
    case SizeColumn:
        return SortKey::Number(row.bytes());
    case SourcesColumn:
        return SortKey::Number(sources);
    case NameColumn:
    case LinkColumn:
        return SortKey::Collated(collator.sortKey(row[column]));
    default:
        return {};
    }
}

bool SortsBefore(const SortKey &a, std::size_t rowA, const SortKey &b, std::size_t rowB,
                 bool descending)
{
    if (a.known != b.known)
        return a.known;
    if (a.known) {
        const int c = CompareKnown(a, b);
        if (c != 0)
            return descending ? c > 0 : c < 0;
    }
    return rowA < rowB;
}

std::vector<std::size_t> SortedOrder(const std::vector<ResultRow> &rows, const SortRequest &request,
                                     const Collator &collator)
{
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (const ResultRow &row : rows)
        keys.push_back(MakeSortKey(row, request.column, collator));
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return SortsBefore(keys[a], a, keys[b], b, request.descending);
    });
    return order;
}

} // namespace jiujiu
