#pragma once

#include "results/resultrow.h"
#include "runtime/value.h"

#include <vector>

namespace jiujiu {

// What the search logic needs of the window it fills: the main window implements it over its
// controls, the command-line front end over standard output.
class SearchWindow
{
public:
    virtual ~SearchWindow();

    // Text of the keyword box.
    virtual Text keyword() = 0;
    // Shows a page of the page control (1 is the results page).
    virtual void setCurrentPage(int page) = 0;
    // The announcement line: the total found, and at the end how the search went.
    virtual void setAnnouncement(const Text &text) = 0;
    // The search could not begin: the announcement says why in words, the detail (the
    // technical reason) is there for whoever looks closer. A window whose user is told
    // otherwise (jiujiu-cli's standard error) keeps the default, which shows nothing.
    virtual void showFailure(const Text &announcement, const Text &detail);
    // What a window's top line says between the endings: "正在搜索“…”…" as a search starts,
    // the no-results line. By default nothing.
    virtual void setStatusLine(const Text &text);
    // How far a running search is, e.g. "正在读取第 3/20 页 · 已列出 100 条".
    virtual void showProgress(const Text &text) = 0;

    virtual void deleteAllRows() = 0;
    // Appends a row with the caption in column 0; answers its index, -1 on failure.
    virtual int appendRow(const Text &caption) = 0;
    virtual void setCell(int row, int column, const Text &text) = 0;
    // Appends the rows of one page, their serial numbers set. By default a row at a time
    // through appendRow and setCell; windows that keep typed rows take them whole.
    virtual void appendRows(std::vector<ResultRow> &&rows);
    // Inserts rows, their serial numbers set, before row `at` (at the end when it is past
    // it). By default a row at a time through insertRow and setCell.
    virtual void insertRows(int at, std::vector<ResultRow> &&rows);
    // Inserts a row before row `at` with the caption in column 0; answers its index. By default
    // it appends, for windows that never take rows out of order.
    virtual int insertRow(int at, const Text &caption);
    // Offers, or stops offering, to ask the failed pages of the last search again.
    virtual void offerRetry(bool offered);
    virtual Text cellText(int row, int column) = 0;
    // First selected row, -1 when none.
    virtual int currentSelection() = 0;

    // A search starts (true) or ends (false): while it runs the search button stops it.
    virtual void setSearchRunning(bool running) = 0;
    // True once the user asked the running search to stop. Asked between the search's steps.
    virtual bool stopRequested() = 0;
    // Which viewer services the search had to leave: one line per switch so far, "查看服务 A
    // 连不上，改用 B", empty when a search starts. The window shows it as the announcement's tool
    // tip, the command line on standard error; a window without a place for it ignores it.
    virtual void setServiceNote(const Text &note);
};

} // namespace jiujiu
