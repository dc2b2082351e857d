#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace jiujiu {

// A search the user keeps: its keyword and the options it runs with (UTF-8 texts, as typed).
struct SavedSearch
{
    std::int64_t id = 0; // the store's, 0 before it is saved
    std::string name;
    std::string keyword;
    std::string filter; // the filter box's text
    std::string sort;   // "size:desc" and the like; empty keeps the site's order
    bool merge = false;
};

// A saved search with what its last run found.
struct SavedSearchSummary
{
    SavedSearch search;
    std::optional<std::int64_t> lastRun; // when it ended, seconds since 1970 (UTC); none yet
    std::int64_t rows = 0;               // rows the last run listed
    std::int64_t newFiles = 0;           // files of them no earlier run had listed
    bool complete = true;
};

// One run of a saved search, as it is recorded.
struct RunRecord
{
    std::int64_t started = 0; // seconds since 1970 (UTC)
    std::int64_t rows = 0;
    std::int64_t newFiles = 0;
    bool complete = true;
};

} // namespace jiujiu
