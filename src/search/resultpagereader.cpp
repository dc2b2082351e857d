#include "search/resultpagereader.h"

#include "runtime/codepage.h"
#include "search/answertext.h"
#include "search/htmlreferences.h"
#include "search/regexmatcher.h"
#include "search/regexsubject.h"
#include "search/searchexpressions.h"

#include <system_error>
#include <thread>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace jiujiu {
namespace {

// Pages with more rows than this read their rows on two threads: an archive page of 8000
// rows is read in half the time, and a thread costs far less than a thousand rows.
constexpr std::size_t kRowsForTwoThreads = 2000;

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

    // Where each row starts, and its name.
    struct Name
    {
        std::size_t start;
        std::string_view capture;
    };
    std::vector<Name> names;
    const RegexScanEnd end = m_name.scan(std::string_view(utf8), [&](const std::size_t *offsets) {
        names.push_back({offsets[0], Group1(utf8, offsets)});
        return true;
    });
    page.limitReached = end != RegexScanEnd::Finished;
    page.rows.resize(names.size());

    // Rows first..last of the page, with matchers of their own.
    struct Part
    {
        std::int64_t missing = 0;
        bool limitReached = false;
    };
    const auto readRows = [&](std::size_t first, std::size_t last, RegexMatcher *const *matchers) {
        Part part;
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

    RegexMatcher *const own[] = {m_cellMatchers[0].get(), m_cellMatchers[1].get(),
                                 m_cellMatchers[2].get()};
    const std::size_t count = names.size();
    std::size_t half = count;
    Part second;
    std::thread helper;
    std::unique_ptr<RegexMatcher> theirs[3];
    if (count >= kRowsForTwoThreads) {
        theirs[0] = std::make_unique<RegexMatcher>(m_size);
        theirs[1] = std::make_unique<RegexMatcher>(m_sources);
        theirs[2] = std::make_unique<RegexMatcher>(m_link);
        try {
            helper = std::thread([&, count] {
                RegexMatcher *const matchers[] = {theirs[0].get(), theirs[1].get(),
                                                  theirs[2].get()};
                second = readRows(count / 2, count, matchers);
            });
            half = count / 2;
        } catch (const std::system_error &) {
            // No thread to be had: this one reads them all.
        }
    }
    const Part first = readRows(0, half, own);
    if (helper.joinable())
        helper.join();
    page.rowsMissingCells = first.missing + second.missing;
    page.limitReached = page.limitReached || first.limitReached || second.limitReached;
    return page;
}

} // namespace jiujiu
