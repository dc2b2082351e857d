#pragma once

#include "runtime/value.h"

#include <array>

namespace jiujiu {

// Result list columns.
enum ResultColumn
{
    SerialColumn = 0,
    NameColumn = 1,
    SizeColumn = 2,
    SourcesColumn = 3,
    LinkColumn = 4,
};

// One row of the result list: serial number, name, size, sources, ed2k link, by column.
using ResultRow = std::array<Text, 5>;

} // namespace jiujiu
