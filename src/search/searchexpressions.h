#pragma once

#include "runtime/value.h"

#include <string_view>

namespace jiujiu {

// The six expressions that read a result page as the page-source viewer returns it, in its
// HTML-escaped form. Their line feeds and trailing spaces are part of them. Group 1 of each
// gives the field.

// The total number of resources.
const Text &TotalExpression();
// The number of the last result page (the page linked as 尾页).
const Text &LastPageExpression();
// The resource name; one match per row of the page.
const Text &NameExpression();
const Text &SizeExpression();
// The number of sources.
const Text &SourcesExpression();
// The ed2k download link.
const Text &LinkExpression();

// Where the site starts a result row, as UTF-8 (a plain string, no expression): rows are
// counted by it as well as by their name cells, so a row whose name cannot be read is known.
std::string_view RowStartMarker();

} // namespace jiujiu
