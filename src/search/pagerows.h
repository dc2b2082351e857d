#pragma once

#include "search/resultrow.h"

#include <string_view>
#include <vector>

namespace jiujiu {

class RegexObject;

// The rows of one result page's answer text (GB18030), one per match of the name expression,
// with the serial number left empty. Row j takes the j-th match of each column expression, so
// a column that matches fewer times leaves the last rows' cells empty. Captured cells carry the
// viewer's escaping over the page's own HTML: both levels are decoded (DecodeCapturedText), so
// a name reads "Tom & Jerry" and a link is the real link. Uses (and leaves holding the link
// expression) the given object.
std::vector<ResultRow> ExtractPageRows(RegexObject &regex, std::string_view answer);

} // namespace jiujiu
