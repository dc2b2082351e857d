#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace jiujiu::demo {

// One resource as the search site lists it; texts are UTF-8.
struct Resource
{
    std::string name;
    std::string size;    // as the site writes it, e.g. "1.37 GB"
    std::string sources; // number of sources, as text
    std::string link;    // ed2k://|file|name|bytes|hash|/
};

// A fixed, generated catalogue: the same resources in the same order on every run.
const std::vector<Resource> &Catalogue();

// The keywords the catalogue is made for: each title, the daily series, the merge (Rerun), sort
// (排序) and warning (假货) showcases and the archive series (with --archive).
std::vector<std::string> ShowcaseKeywords();

// Before the catalogue is first used: appends an archive series of this many issues
// ("档案馆.第000001卷.zip" ...), for searches with very large result pages.
void SetArchiveSize(int issues);

// Resources whose name holds the keyword, letters compared without case.
std::vector<const Resource *> FindResources(std::string_view keyword);

} // namespace jiujiu::demo
