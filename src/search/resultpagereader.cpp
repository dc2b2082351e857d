#include "search/resultpagereader.h"

#include "regex/regexmatcher.h"
#include "regex/regexsubject.h"
#include "results/htmlreferences.h"
#include "runtime/codepage.h"
#include "runtime/twohalves.h"
#include "search/answertext.h"
#include "search/searchexpressions.h"

#include <algorithm>
#include <cstring>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace jiujiu {
namespace {

// Group 1 of a match as it stands in the answer.
std::string_view Group1(std::string_view utf8, const std::size_t *offsets)
{
    if (offsets[2] == PCRE2_UNSET || offsets[3] < offsets[2])
        return {};
    return utf8.substr(offsets[2], offsets[3] - offsets[2]);
}

// A captured cell decoded, in UTF-8: the capture itself when it holds no reference.
std::string_view Decoded(std::string_view capture, std::string &storage)
{
    if (capture.find('&') == std::string_view::npos)
        return capture;
    storage = DecodeCapturedUtf8(capture);
    return storage;
}

// The row starts of the site that begin in [from, to) of the page.
std::int64_t CountRowStarts(std::string_view utf8, std::size_t from, std::size_t to)
{
    const std::string_view marker = RowStartMarker();
    const char *const begin = utf8.data();
    // One that begins before `to` may end after it.
    const char *const end = begin + std::min(to + marker.size() - 1, utf8.size());
    std::int64_t count = 0;
    // memmem, not string_view::find: the marker's first character is everywhere in a page.
    for (const char *at = begin + from;
         at < begin + to &&
         (at = static_cast<const char *>(
              ::memmem(at, static_cast<std::size_t>(end - at), marker.data(), marker.size()))) &&
         at < begin + to;
         ++at)
        ++count;
    return count;
}

Text CellText(std::string_view capture)
{
    std::string storage;
    return Utf8ToText(Decoded(capture, storage));
}

} // namespace

ResultPageReader::ResultPageReader(RegexEngine engine)
    : m_name(NameExpression(), {}, engine), m_size(SizeExpression(), {}, engine),
      m_sources(SourcesExpression(), {}, engine), m_link(LinkExpression(), {}, engine)
{
    const RegexComponent *cells[] = {&m_size, &m_sources, &m_link};
    // A set of matchers for each half of a large page.
    for (auto &set : m_cellMatchers)
        for (std::size_t c = 0; c < 3; ++c)
            set[c] = std::make_unique<RegexMatcher>(*cells[c]);
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
    return readUtf8(AnswerUtf8(std::move(body)));
}

ResultPageReader::Page ResultPageReader::readUtf8(std::string_view utf8)
{
    Page page;
    if (utf8.size() > RegexSubject::kMaxBytes) {
        page.limitReached = true;
        return page;
    }

    // Where each row starts, and its name.
    struct Name
    {
        std::size_t start;
        std::string_view capture;
    };
    std::vector<Name> names;
    const RegexScanEnd end = m_name.scan(utf8, [&](const std::size_t *offsets) {
        names.push_back({offsets[0], Group1(utf8, offsets)});
        return true;
    });
    page.limitReached = end != RegexScanEnd::Finished;
    page.rows.resize(names.size());

    // Rows first..last of the page, with matchers of their own, and the row starts of the site
    // in their stretch of the page (the first rows' from the top).
    struct Part
    {
        std::int64_t missing = 0;
        bool limitReached = false;
        std::int64_t rowStarts = 0;
    };
    const auto readRows = [&](std::size_t first, std::size_t last, RegexMatcher *const *matchers) {
        Part part;
        const std::size_t top = first == 0 ? 0 : names[first].start;
        const std::size_t bottom = last < names.size() ? names[last].start : utf8.size();
        part.rowStarts = CountRowStarts(utf8, top, bottom);
        for (std::size_t j = first; j < last; ++j) {
            const std::size_t from = names[j].start;
            const std::size_t to = j + 1 < names.size() ? names[j + 1].start : utf8.size();
            std::string_view cells[3];
            bool missing = false;
            for (std::size_t c = 0; c < 3; ++c) {
                switch (matchers[c]->find(utf8, from, to)) {
                case RegexMatcher::Result::Found:
                    cells[c] = Group1(utf8, matchers[c]->offsets());
                    break;
                case RegexMatcher::Result::Failed:
                    part.limitReached = true;
                    [[fallthrough]];
                case RegexMatcher::Result::NotFound:
                    missing = true;
                    break;
                }
            }
            if (missing)
                ++part.missing;
            ResultRow &row = page.rows[j];
            row.setCell(NameColumn, CellText(names[j].capture));
            row.setCell(SizeColumn, CellText(cells[0]));
            row.setCell(SourcesColumn, CellText(cells[1]));
            // The link is read from the UTF-8 it was captured in, not converted back.
            std::string storage;
            const std::string_view link = Decoded(cells[2], storage);
            row.setCell(LinkColumn, Utf8ToText(link), link);
        }
        return part;
    };

    Part parts[2];
    if (names.empty())
        parts[0].rowStarts = CountRowStarts(utf8, 0, utf8.size());
    InTwoHalves(names.size(), kRowsForTwoThreads,
                [&](int half, std::size_t first, std::size_t last) {
                    RegexMatcher *const matchers[] = {m_cellMatchers[half][0].get(),
                                                      m_cellMatchers[half][1].get(),
                                                      m_cellMatchers[half][2].get()};
                    parts[half] = readRows(first, last, matchers);
                });
    page.rowsMissingCells = parts[0].missing + parts[1].missing;
    page.rowsUnreadable = std::max<std::int64_t>(
        parts[0].rowStarts + parts[1].rowStarts - static_cast<std::int64_t>(names.size()), 0);
    page.limitReached = page.limitReached || parts[0].limitReached || parts[1].limitReached;
    return page;
}

} // namespace jiujiu
