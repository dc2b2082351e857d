#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace jiujiu {

// How a search fetches its pages; tests shorten the pauses.
struct SearchSettings
{
    // Requests in flight at once while the result pages are fetched (1 to 8).
    int parallelRequests = 4;
    // A failed page is asked again after each of these pauses before it counts as failed.
    std::vector<std::chrono::milliseconds> retryPauses{std::chrono::milliseconds(500),
                                                       std::chrono::milliseconds(1500)};
    // No search reads more pages than this, whatever the last-page link says.
    std::int32_t pageLimit = 10000;
    // After this many failed pages in a row the search stops asking for more.
    int failedPagesInARow = 3;
    // A service answering 503 or 429 with Retry-After is asked again after the time it names,
    // but never later than this.
    std::chrono::milliseconds retryAfterLimit{10000};
    // When no page could be listed for this long, the pages still owed count as failed and the
    // search ends.
    std::chrono::milliseconds noProgressLimit{120000};
    // A search lists at most this many rows, then stops as if asked to: the rows are held in
    // memory, and a bogus site must not fill it.
    std::int64_t rowLimit = 2000000;
};

} // namespace jiujiu
