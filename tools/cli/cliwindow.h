#pragma once

#include "search/searchwindow.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace jiujiu {

// The search window of the command-line front end: the keyword comes from the command line,
// rows go to standard output as they are listed, the announcement to standard error (each
// text once: a complete search ends on the total it began with). A stop is asked for through
// a flag that a signal handler may set.
class CliWindow final : public SearchWindow
{
public:
    enum class Format
    {
        Tsv,
        Json,
    };

    CliWindow(Text keyword, Format format, std::FILE *out, std::FILE *err,
              const volatile std::sig_atomic_t *stopFlag = nullptr);
    ~CliWindow() override;

    Text keyword() override { return m_keyword; }
    void setCurrentPage(int) override {}
    void setAnnouncement(const Text &text) override;
    void showProgress(const Text &) override {}
    void deleteAllRows() override;
    int appendRow(const Text &caption) override;
    void setCell(int row, int column, const Text &text) override;
    Text cellText(int row, int column) override;
    int currentSelection() override { return -1; }
    void setSearchRunning(bool) override {}
    bool stopRequested() override { return m_stopFlag && *m_stopFlag != 0; }

    // Writes what is still unwritten: the last row, or the JSON array.
    void finish();

    static std::string EscapeTsvCell(std::string_view utf8);
    static std::string EscapeJsonString(std::string_view utf8);

private:
    void flushCompleteRows();

    Text m_keyword;
    Format m_format;
    std::FILE *m_out;
    std::FILE *m_err;
    const volatile std::sig_atomic_t *m_stopFlag;
    Text m_lastAnnouncement;
    std::vector<std::vector<Text>> m_rows;
    std::size_t m_written = 0;
    bool m_finished = false;
};

} // namespace jiujiu
