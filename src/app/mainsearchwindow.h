#pragma once

#include "search/searchwindow.h"

namespace jiujiu {

// The search logic's view of the main window, through the control commands on its controls.
class MainSearchWindow final : public SearchWindow
{
public:
    Text keyword() override;
    void setCurrentPage(int page) override;
    void setAnnouncement(const Text &text) override;
    void showFailure(const Text &announcement, const Text &detail) override;
    void setStatusLine(const Text &text) override { setAnnouncement(text); }
    void showProgress(const Text &text) override;
    void deleteAllRows() override;
    int appendRow(const Text &caption) override;
    void setCell(int row, int column, const Text &text) override;
    void appendRows(std::vector<ResultRow> &&rows) override;
    int insertRow(int at, const Text &caption) override;
    void offerRetry(bool offered) override;
    Text cellText(int row, int column) override;
    int currentSelection() override;
    void setSearchRunning(bool running) override;
    bool stopRequested() override;
    // The announcement's tool tip.
    void setServiceNote(const Text &note) override;
};

} // namespace jiujiu
