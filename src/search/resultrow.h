#pragma once

#include "runtime/value.h"

namespace jiujiu {

// One row of the result list: five runtime texts, by column.
struct ResultRow
{
    Text serial;
    Text name;
    Text size;
    Text sources;
    Text link;

    // Column 0 to 4 as the list numbers them; other columns read empty.
    const Text &cell(int column) const;
    void setCell(int column, Text text);

    friend bool operator==(const ResultRow &, const ResultRow &) = default;
};

} // namespace jiujiu
