#pragma once

#include "regex/regexcomponent.h"
#include "results/resultrow.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace jiujiu {

class RegexMatcher;

// Reads the rows of result pages with the four row expressions, prepared once for all the
// pages of a search. A row is the stretch of the answer from one match of the name
// expression to the next; its size, sources and link are the first match of their
// expressions inside that stretch. So a cell missing from one row is an empty cell of that
// row and never takes another row's, and a page whose cells all match in step reads as if
// each column were matched over the whole page and its j-th match given to row j.
//
// The answer is matched as the UTF-8 it came in (see AnswerUtf8): the same characters as the
// program's text, without converting a whole page twice. Captured cells are decoded
// (DecodeCapturedUtf8) and become runtime texts; the serial number is left empty.
class ResultPageReader final
{
public:
    explicit ResultPageReader(RegexEngine engine = RegexEngine::Jit);
    ~ResultPageReader();
    ResultPageReader(const ResultPageReader &) = delete;
    ResultPageReader &operator=(const ResultPageReader &) = delete;

    struct Page
    {
        std::vector<ResultRow> rows;
        // Rows without a size, sources or link cell of their own on the page.
        std::int64_t rowsMissingCells = 0;
        // A match ran into a limit, or the answer was too large to read: rows may be missing.
        bool limitReached = false;
        // Row starts of the site beyond the names read: rows that cannot be listed.
        std::int64_t rowsUnreadable = 0;
    };

    // body: a viewer answer as it came.
    Page read(std::string_view body);
    // The same, taking the body over (no copy of a large page).
    Page read(std::string &&body);
    // An answer already made readable by AnswerUtf8.
    Page readUtf8(std::string_view utf8);

private:
    RegexComponent m_name;
    RegexComponent m_size;
    RegexComponent m_sources;
    RegexComponent m_link;
    std::unique_ptr<RegexMatcher> m_cellMatchers[2][3];
};

} // namespace jiujiu
