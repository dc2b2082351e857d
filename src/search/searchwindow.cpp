#include "search/searchwindow.h"

namespace jiujiu {

SearchWindow::~SearchWindow() = default;

void SearchWindow::appendRows(std::vector<ResultRow> &&rows)
{
    for (const ResultRow &row : rows) {
        const int index = appendRow(row[SerialColumn]);
        for (int column = NameColumn; column <= LinkColumn; ++column)
            setCell(index, column, row[column]);
    }
}

void SearchWindow::setServiceNote(const Text &) {}

} // namespace jiujiu
