#include "search/searchreport.h"

namespace jiujiu {

std::vector<PageOutcome> SearchReport::failedPages() const
{
    std::vector<PageOutcome> failed;
    for (const PageOutcome &page : pages)
        if (!page.failure.empty())
            failed.push_back(page);
    return failed;
}

} // namespace jiujiu
