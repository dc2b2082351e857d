#include "search/resultrow.h"

namespace jiujiu {

const Text &ResultRow::cell(int column) const
{
    static const Text empty;
    switch (column) {
    case 0:
        return serial;
    case 1:
        return name;
    case 2:
        return size;
    case 3:
        return sources;
    case 4:
        return link;
    default:
        return empty;
    }
}

void ResultRow::setCell(int column, Text text)
{
    switch (column) {
    case 0:
        serial = std::move(text);
        break;
    case 1:
        name = std::move(text);
        break;
    case 2:
        size = std::move(text);
        break;
    case 3:
        sources = std::move(text);
        break;
    case 4:
        link = std::move(text);
        break;
    default:
        break;
    }
}

} // namespace jiujiu
