#pragma once

#include "catalogue.h"

#include <string>
#include <vector>

namespace jiujiu::demo {

// "<", ">", '"', "'" and "&" written as the viewer service writes them.
std::string EscapeHtml(std::string_view text);

// The search site's list-mode result page (UTF-8 source). With a negative total the page has
// no total line, as for a keyword the site does not know.
std::string SearchResultPage(std::string_view keyword, const std::vector<const Resource *> &rows,
                             long long total, int page, int lastPage);

// The viewer service's answer: its own UTF-8 page holding the source escaped.
std::string ViewerPage(std::string_view url, std::string_view source);

} // namespace jiujiu::demo
