#pragma once

#include "runtime/value.h"

#include <array>
#include <string_view>
#include <vector>

namespace jiujiu {

class RegexObject;

// One row of the result list: serial number, name, size, sources, ed2k link.
using ResultRow = std::array<Text, 5>;

// The rows of one result page's answer text (GB18030), one per match of the name expression,
// with the serial number left empty. Row j takes the j-th match of each column expression, so
// a column that matches fewer times leaves the last rows' cells empty. Captured cells stand as
// the page wrote them. Uses (and leaves holding the link expression) the given object.
std::vector<ResultRow> ExtractPageRows(RegexObject &regex, std::string_view answer);

} // namespace jiujiu
