#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jiujiu {

// One row as it stands in the escaped page, that is as the six expressions capture it.
struct GeneratedRow
{
    Text name;
    Text size;
    Text sources;
    Text link;
};

// A page-source viewer answer holding one list-mode result page, in the shape the six result
// expressions read, already converted to GB18030 text.
struct GeneratedPage
{
    std::string html; // the answer as the viewer sends it (UTF-8)
    Text text;
    Text total;
    std::int32_t lastPage = 1;
    std::vector<GeneratedRow> rows;
};

struct ResultPageShape
{
    std::int32_t rows = 20;
    std::int32_t total = 0;    // 0: the number of rows
    std::int32_t lastPage = 1; // 1: no pager
    std::uint32_t seed = 1;
};

// Rows get mixed Chinese and Latin names (some with an escaped ampersand), sizes, source
// counts and ed2k links; each row also carries a second link on the link line, before the
// download one, as the site's play button does.
GeneratedPage GenerateResultPage(const ResultPageShape &shape);

} // namespace jiujiu
