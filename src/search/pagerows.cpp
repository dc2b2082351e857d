#include "search/pagerows.h"

#include "search/htmlreferences.h"
#include "search/regexobject.h"
#include "search/searchexpressions.h"

namespace jiujiu {

std::vector<ResultRow> ExtractPageRows(RegexObject &regex, std::string_view answer)
{
    regex.Create(NameExpression());
    const std::int32_t count = regex.Execute(answer);
    if (count <= 0)
        return {};
    std::vector<ResultRow> rows(static_cast<std::size_t>(count));
    for (std::int32_t j = 1; j <= count; ++j)
        rows[static_cast<std::size_t>(j - 1)][1] = DecodeCapturedText(regex.GetSubMatchText(j, 1));
    // Each column expression runs once per page; row j takes its j-th match, which gives the
    // same cells as running it again for every row.
    const Text *columns[] = {&SizeExpression(), &SourcesExpression(), &LinkExpression()};
    for (std::size_t c = 0; c < 3; ++c) {
        regex.Create(*columns[c]);
        regex.Execute(answer);
        for (std::int32_t j = 1; j <= count; ++j)
            rows[static_cast<std::size_t>(j - 1)][c + 2] =
                DecodeCapturedText(regex.GetSubMatchText(j, 1));
    }
    return rows;
}

} // namespace jiujiu
