#pragma once

#include "search/searchwindow.h"

#include <functional>
#include <vector>

namespace jiujiu::test {

// A search window in memory: the rows as the search lists them and everything it shows,
// for tests of the search logic and the result actions.
class MemorySearchWindow final : public SearchWindow
{
public:
    Text keywordText;
    int page = 0;
    // A marker, so a test sees whether the search set the announcement at all.
    Text announcement = "announcement";
    std::vector<std::vector<Text>> rows; // five cells each
    int selection = -1;
    std::vector<bool> runningChanges;
    std::vector<Text> progress;
    bool retryOffered = false;
    std::function<void()> onKeywordRead; // runs each time the keyword is read
    std::function<bool()> stopWhen;      // asked between the search's steps

    // Appends a listed row with its five cells.
    void addRow(std::vector<Text> cells);

    Text keyword() override;
    void setCurrentPage(int p) override { page = p; }
    void setAnnouncement(const Text &text) override { announcement = text; }
    void showProgress(const Text &text) override { progress.push_back(text); }
    void deleteAllRows() override { rows.clear(); }
    int appendRow(const Text &caption) override;
    int insertRow(int at, const Text &caption) override;
    void offerRetry(bool offered) override { retryOffered = offered; }
    void showFailure(const Text &text, const Text &) override { announcement = text; }
    void setStatusLine(const Text &text) override { announcement = text; }
    void setCell(int row, int column, const Text &text) override;
    Text cellText(int row, int column) override;
    int currentSelection() override { return selection; }
    void setSearchRunning(bool running) override { runningChanges.push_back(running); }
    bool stopRequested() override { return stopWhen && stopWhen(); }
};

} // namespace jiujiu::test
