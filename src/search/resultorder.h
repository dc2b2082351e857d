#pragma once

#include "search/resultrow.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

// A sort of the result list: a column (0 serial … 4 link) and a direction.
struct SortRequest
{
    int column = 0;
    bool descending = false;

    // "name", "size:desc", "sources:asc"; the column titles (序号, 名称, 大小, 资源数, 链接) and
    // numbers 0 to 4 work too. Anything else is none.
    static std::optional<SortRequest> Parse(std::string_view text);

    friend bool operator==(const SortRequest &, const SortRequest &) = default;
};

// The "less than" of a sort whose caller reverses it for a descending order, such as
// QSortFilterProxyModel: unknown values come last in either direction.
template <class T>
bool LessUnknownLast(const std::optional<T> &a, const std::optional<T> &b, bool descending)
{
    if (a && b)
        return *a < *b;
    if (a.has_value() == b.has_value())
        return false;
    return a.has_value() != descending;
}

// The order in which rows are listed under the sort: serial and sources as numbers, size in
// bytes, names by the C library's collation of the current locale (LC_COLLATE), links by
// their bytes. Unknown numbers and sizes come last; ties keep the list order.
std::vector<std::size_t> SortedOrder(const std::vector<ResultRow> &rows,
                                     const SortRequest &request);

} // namespace jiujiu
