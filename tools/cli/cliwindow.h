#pragma once

#include "results/clientmarker.h"
#include "results/resultfilter.h"
#include "results/resultjudge.h"
#include "results/resultorder.h"
#include "results/resultrow.h"
#include "search/searchwindow.h"

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace jiujiu {

// How jiujiu-cli prints what a search lists.
struct CliOptions
{
    enum class Format
    {
        Tsv,   // five tab-separated cells a line, \t \r \n \\ escaped
        Json,  // one array of objects, size_bytes added
        Csv,   // the window's CSV export
        Links, // the ed2k links, one a line
    };

    Format format = Format::Tsv;
    // One row per ed2k file, with the most sources and the number of copies.
    bool merge = false;
    std::optional<SortRequest> sort;
    ResultFilter filter;

    // Merging and sorting need every row before the first is printed, and so do JSON, CSV and
    // a filter on suspicion, whose warnings look at the whole list.
    bool buffered() const
    {
        return merge || sort.has_value() || format == Format::Json || format == Format::Csv ||
               filter.judgement().readsSuspicion();
    }
    // "tsv", "json", "csv", "links"; anything else is none.
    static std::optional<Format> ParseFormat(std::string_view text);
};

// The search window of the command-line front end: the keyword comes from the command line,
// rows go to standard output (as they are listed, unless the options need them all first),
// the announcement to standard error (each text once: a complete search ends on the total it
// began with). A stop is asked for through a flag that a signal handler may set.
class CliWindow final : public SearchWindow
{
public:
    using Format = CliOptions::Format;

    CliWindow(Text keyword, CliOptions options, std::FILE *out, std::FILE *err,
              const volatile std::sig_atomic_t *stopFlag = nullptr);
    ~CliWindow() override;

    Text keyword() override { return m_keyword; }
    void setCurrentPage(int) override {}
    void setAnnouncement(const Text &text) override;
    // A page is listed: its rows go out now.
    void showProgress(const Text &) override;
    void deleteAllRows() override;
    int appendRow(const Text &caption) override;
    void setCell(int row, int column, const Text &text) override;
    void appendRows(std::vector<ResultRow> &&rows) override;
    Text cellText(int row, int column) override;
    int currentSelection() override { return -1; }
    void setSearchRunning(bool) override {}
    bool stopRequested() override { return m_stopFlag && *m_stopFlag != 0; }

    // Writes what is still unwritten: the last row, or every row merged, filtered and sorted.
    void finish();

    // Where rows get their status (the filter's status: terms, JSON's "status"); without one
    // every row is new.
    void setClientMarker(ClientMarker marker) { m_marker = std::move(marker); }

    static std::string EscapeTsvCell(std::string_view utf8);
    static void AppendTsvCell(std::string &out, std::string_view utf8);
    static std::string EscapeJsonString(std::string_view utf8);

private:
    struct Listed
    {
        ResultRow row;
        std::size_t copies = 1;
        std::vector<std::size_t> members; // the rows it stands for, its own first; none streamed
    };

    void flushCompleteRows();
    // judge: the verdicts on every row, once they are all there; none while streaming, when
    // only what a row says by itself is known.
    bool accepted(const Listed &listed, const ResultJudge *judge) const;
    std::string formatted(const Listed &listed, bool first, const ResultJudge *judge) const;
    void appendFormatted(std::string &out, const Listed &listed, bool first,
                         const ResultJudge *judge) const;
    std::vector<Listed> mergedFilteredSorted(const ResultJudge &judge) const;

    Text m_keyword;
    CliOptions m_options;
    std::FILE *m_out;
    std::FILE *m_err;
    const volatile std::sig_atomic_t *m_stopFlag;
    Text m_lastAnnouncement;
    std::vector<ResultRow> m_rows;
    std::size_t m_written = 0;
    std::size_t m_printed = 0; // rows that passed the filter and were printed
    bool m_finished = false;
    ClientMarker m_marker;
};

} // namespace jiujiu
