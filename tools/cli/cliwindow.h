#pragma once

#include "results/clientmarker.h"
#include "results/resultexport.h"
#include "results/resultfilter.h"
#include "results/resultlist.h"
#include "results/resultorder.h"
#include "results/resultrow.h"
#include "search/searchwindow.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jiujiu {

class SeenFiles;

// How jiujiu-cli prints what a search lists.
struct CliOptions
{
    enum class Format
    {
        Tsv,   // five tab-separated cells a line, \t \r \n \\ escaped
        Json,  // one array of objects, size_bytes added
        Csv,   // the window's CSV export
        Links, // the ed2k links, one a line
        Xlsx,  // the window's spreadsheet export, to a file
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
               format == Format::Xlsx || filter.judgement().readsSuspicion();
    }
    // "tsv", "json", "csv", "links", "xlsx"; anything else is none.
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
    // Asked for by the flag, or forced by a failed write: nothing more could be printed.
    // Each new line of the note goes to standard error as it comes.
    void setServiceNote(const Text &note) override;
    bool stopRequested() override
    {
        return (m_stopFlag && *m_stopFlag != 0) || !m_writeError.empty();
    }

    // Writes what is still unwritten: the last row, or every row merged, filtered and sorted.
    void finish();
    // Why finish() wrote no spreadsheet; empty when it did or the format is another.
    const std::string &exportError() const { return m_exportError; }

    // Why writing to the output failed (strerror's text), empty while every write worked.
    const std::string &writeError() const { return m_writeError; }
    // The error number of that failure (EPIPE for a closed pipe), 0 without one.
    int writeErrno() const { return m_writeErrno; }
    // Rows listed so far, printed or held; safe to read from any thread.
    std::int64_t rowsListed() const { return m_listed.load(std::memory_order_relaxed); }

    // Where rows get their status (the filter's status: terms, JSON's "status"); without one
    // every row is new.
    void setClientMarker(ClientMarker marker)
    {
        m_marker = std::move(marker);
        m_rows.remark();
    }
    // A saved search's run, given before the search: what its earlier runs listed tells which
    // rows are new (the filter's 新, JSON's "new"), and the files this one lists are kept for
    // the store.
    void setSeenFiles(std::shared_ptr<const SeenFiles> seen);
    // The files of the rows listed with a well-formed link, in the order listed (after
    // finish(); only with seen files).
    std::vector<FileId> takeListedFiles() { return std::move(m_listedFiles); }
    // The new rows printed: how many, and the names of the first few (UTF-8).
    std::size_t newRowsPrinted() const { return m_newPrinted; }
    const std::vector<std::string> &firstNewNames() const { return m_newNames; }
    static constexpr std::size_t kNewNamesKept = 5;

    static std::string EscapeTsvCell(std::string_view utf8);
    static void AppendTsvCell(std::string &out, std::string_view utf8);
    static std::string EscapeJsonString(std::string_view utf8);

private:
    void flushCompleteRows();
    // A listed row as shown (merged or not), formatted.
    std::string formatted(std::size_t row, bool first) const;
    void appendFormatted(std::string &out, std::size_t row, bool first) const;
    // Writes a block to the output, unless a write failed before; false when it failed.
    bool write(const std::string &block);
    bool flushOutput();
    void writeFailed();
    ExportNotes notes(std::size_t row) const;
    // Keeps the files of rows from..to (held) for the store.
    void keepFiles(std::size_t from, std::size_t to);
    // Counts a printed row that is new, keeping its name among the first few.
    void notePrinted(std::size_t row, std::size_t &count, std::vector<std::string> &names) const;

    Text m_keyword;
    CliOptions m_options;
    std::FILE *m_out;
    std::FILE *m_err;
    const volatile std::sig_atomic_t *m_stopFlag;
    Text m_lastAnnouncement;
    ClientMarker m_marker;
    // The rows listed, a page a block; printed rows are let go when nothing needs them later.
    ResultList m_rows;
    std::shared_ptr<const SeenFiles> m_seen;
    std::vector<FileId> m_listedFiles;
    std::size_t m_newPrinted = 0;
    std::vector<std::string> m_newNames;
    std::size_t m_noteWritten = 0; // bytes of the service note already on standard error
    std::size_t m_written = 0;
    std::size_t m_printed = 0; // rows that passed the filter and were printed
    std::atomic<std::int64_t> m_listed{0};
    bool m_finished = false;
    std::string m_writeError;
    int m_writeErrno = 0;
    std::string m_exportError;
};

} // namespace jiujiu
