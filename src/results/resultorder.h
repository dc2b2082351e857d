#pragma once

#include "results/resultrow.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

class Collator;

// A sort of the result list: a column and a direction.
struct SortRequest
{
    int column = SerialColumn;
    bool descending = false;

    // "name", "size:desc", "sources:asc"; the column titles (序号, 名称, 大小, 资源数, 链接) and
    // numbers 0 to 4 work too. Anything else is none.
    static std::optional<SortRequest> Parse(std::string_view text);

    friend bool operator==(const SortRequest &, const SortRequest &) = default;
};

// What a row sorts by in one column, made once per row: serial and sources as numbers, size
// in bytes, name and link by their collation keys. Unknown numbers and sizes have no key.
struct SortKey
{
    bool known = false;
    std::uint64_t head = 0; // the number, or a collation key's first eight bytes
    std::string tail;       // the rest of a collation key

    static SortKey Number(std::optional<std::uint64_t> value);
    static SortKey Number(std::optional<std::int64_t> value);
    static SortKey Collated(std::string_view collationKey);

    friend bool operator==(const SortKey &, const SortKey &) = default;
};

// The key of a row in a column; `sources` stands in for the row's own count (a merged row
// shows its copies' highest).
SortKey MakeSortKey(const ResultRow &row, int column, const Collator &collator);
SortKey MakeSortKey(const ResultRow &row, int column, const Collator &collator,
                    std::optional<std::int64_t> sources);

// The one order of the result list, for the window and jiujiu-cli alike: known keys first in
// either direction, in the direction asked; alike keys, and unknown ones, in list order
// (rowA, rowB: the rows' places in the list).
bool SortsBefore(const SortKey &a, std::size_t rowA, const SortKey &b, std::size_t rowB,
                 bool descending);

// The rows' indexes in the order of the request.
std::vector<std::size_t> SortedOrder(const std::vector<ResultRow> &rows, const SortRequest &request,
                                     const Collator &collator);

} // namespace jiujiu
