#include "search/searchwindow.h"

namespace jiujiu {

SearchWindow::~SearchWindow() = default;

void SearchWindow::showFailure(const Text &, const Text &) {}

void SearchWindow::setStatusLine(const Text &) {}

void SearchWindow::insertRows(int at, std::vector<ResultRow> &&rows)
{
    for (const ResultRow &row : rows) {
        const int index = insertRow(at++, row[SerialColumn]);
        for (int column = NameColumn; column <= LinkColumn; ++column)
            setCell(index, column, row[column]);
    }
}

int SearchWindow::insertRow(int, const Text &caption)
{
    return appendRow(caption);
}

void SearchWindow::offerRetry(bool) {}

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
