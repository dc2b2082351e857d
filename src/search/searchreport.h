#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jiujiu {

enum class SearchOutcome
{
    EmptyKeyword, // the empty-keyword message was shown
    NoResults,    // the service answered without a total: the no-results message was shown
    Unreachable,  // the first page could not be read (no connection, no answer in time, an
                  // error status, an answer too large): a message with the reason was shown
    Listed,       // a total was announced and every page was read
    Incomplete,   // a total was announced but some pages could not be read
    Stopped,      // stopped by the user; the rows listed so far stay
    Busy,         // a search was already running
};

// How one result page ended: listed (rows > 0), empty (a valid answer without rows) or failed.
struct PageOutcome
{
    std::int32_t page = 0;
    std::int64_t rows = 0;
    // Why it could not be read after its retries, e.g. libcurl's error text, "HTTP 503",
    // "answer without rows" or "答案超过 64 MB" (UTF-8); empty when it was read.
    std::string failure;
    // Rows listed without a size, sources or link cell of their own on the page.
    std::int64_t rowsMissingCells = 0;
    // Read, but a matching limit ended the reading before the end of the page.
    bool cutShort = false;
    // Rows the page starts whose name cell could not be read: they are not listed.
    std::int64_t rowsUnreadable = 0;
    // Times the page was asked for, retries included.
    std::int32_t requests = 0;
};

// How the last search went.
struct SearchReport
{
    SearchOutcome outcome = SearchOutcome::Busy;
    Text total;                     // as captured, empty before the total was read
    std::int32_t pageCount = 0;     // result pages the search meant to read
    std::int64_t rows = 0;          // rows listed
    std::vector<PageOutcome> pages; // in page order, each page handed back
    // Never asked for (after failed pages or the row limit), or still owed when it was stopped.
    std::int32_t pagesNotRead = 0;
    // The search stopped at the row limit, having listed that many rows.
    bool rowLimitReached = false;
    std::string unreachableReason;
    std::int32_t requests = 0; // requests started, retries included
    // The viewer service that answered page 1 (as the list names it), empty when none did.
    std::string service;
    // Each switch from one service to the next, once: "查看服务 A 连不上，改用 B".
    std::vector<Text> serviceSwitches;

    std::vector<PageOutcome> failedPages() const;
};

} // namespace jiujiu
