#include "memorysearchwindow.h"

#include <algorithm>

namespace jiujiu::test {

void MemorySearchWindow::addRow(std::vector<Text> cells)
{
    cells.resize(5);
    rows.push_back(std::move(cells));
}

Text MemorySearchWindow::keyword()
{
    if (onKeywordRead)
        onKeywordRead();
    return keywordText;
}

int MemorySearchWindow::appendRow(const Text &caption)
{
    rows.push_back({caption, {}, {}, {}, {}});
    return static_cast<int>(rows.size() - 1);
}

int MemorySearchWindow::insertRow(int at, const Text &caption)
{
    const auto index = std::min(static_cast<std::size_t>(std::max(at, 0)), rows.size());
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(index), {caption, {}, {}, {}, {}});
    return static_cast<int>(index);
}

void MemorySearchWindow::setCell(int row, int column, const Text &text)
{
    // A cell the search never listed is a fault of the search: at() makes the test fail loudly.
    rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = text;
}

Text MemorySearchWindow::cellText(int row, int column)
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || column < 0 || column > 4)
        return {};
    return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

} // namespace jiujiu::test
