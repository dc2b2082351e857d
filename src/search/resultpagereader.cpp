#include "search/resultpagereader.h"

#include "runtime/codepage.h"
#include "search/answertext.h"
#include "search/htmlreferences.h"
#include "search/regexmatcher.h"
#include "search/regexsubject.h"
#include "search/searchexpressions.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace jiujiu {
namespace {

// Group 1 of a match, decoded (UTF-8).
std::string CellUtf8(std::string_view utf8, const std::size_t *offsets)
{
    if (offsets[2] == PCRE2_UNSET || offsets[3] < offsets[2])
        return {};
    return DecodeCapturedUtf8(utf8.substr(offsets[2], offsets[3] - offsets[2]));
}

Text Cell(std::string_view utf8, const std::size_t *offsets)
{
    return Utf8ToText(CellUtf8(utf8, offsets));
}

} // namespace

ResultPageReader::ResultPageReader(RegexEngine engine)
    : m_name(NameExpression(), {}, engine), m_size(SizeExpression(), {}, engine),
      m_sources(SourcesExpression(), {}, engine), m_link(LinkExpression(), {}, engine)
{
    const RegexComponent *cells[] = {&m_size, &m_sources, &m_link};
    for (std::size_t c = 0; c < 3; ++c)
        m_cellMatchers[c] = std::make_unique<RegexMatcher>(*cells[c]);
}

ResultPageReader::~ResultPageReader() = default;

ResultPageReader::Page ResultPageReader::read(std::string_view body)
{
    return read(std::string(body));
}

ResultPageReader::Page ResultPageReader::read(std::string &&body)
{
    Page page;
    // Larger answers match nothing, as in the regular expression object.
    if (body.size() > RegexSubject::kMaxBytes) {
        page.limitReached = true;
        return page;
    }
    const std::string utf8 = AnswerUtf8(std::move(body));

    struct Name
    {
        std::size_t start;
        Text text;
    };
    std::vector<Name> names;
    const RegexScanEnd end = m_name.scan(std::string_view(utf8), [&](const std::size_t *offsets) {
        names.push_back({offsets[0], Cell(utf8, offsets)});
        return true;
    });
    page.limitReached = end != RegexScanEnd::Finished;

    page.rows.reserve(names.size());
    for (std::size_t j = 0; j < names.size(); ++j) {
        const std::size_t from = names[j].start;
        const std::size_t to = j + 1 < names.size() ? names[j + 1].start : utf8.size();
        std::string cells[3];
        bool missing = false;
        for (std::size_t c = 0; c < 3; ++c) {
            switch (m_cellMatchers[c]->find(utf8, from, to)) {
            case RegexMatcher::Result::Found:
                cells[c] = CellUtf8(utf8, m_cellMatchers[c]->offsets());
                break;
            case RegexMatcher::Result::Failed:
                page.limitReached = true;
                [[fallthrough]];
            case RegexMatcher::Result::NotFound:
                missing = true;
                break;
            }
        }
        if (missing)
            ++page.rowsMissingCells;
        ResultRow &row = page.rows.emplace_back();
        row.setCell(NameColumn, std::move(names[j].text));
        row.setCell(SizeColumn, Utf8ToText(cells[0]));
        row.setCell(SourcesColumn, Utf8ToText(cells[1]));
        // The link is read from the UTF-8 it was captured in, not converted back.
        Text link = Utf8ToText(cells[2]);
        row.setCell(LinkColumn, std::move(link), cells[2]);
    }
    return page;
}

} // namespace jiujiu
