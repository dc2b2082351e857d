#include "cliwindow.h"

#include "results/collator.h"
#include "results/duplicategroups.h"
#include "results/filetype.h"
#include "results/resultexport.h"
#include "runtime/codepage.h"
#include "runtime/twohalves.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jiujiu {

namespace {

// The first tab, carriage return, line feed or backslash at or after `from`, else the size:
// sixteen bytes at a time, since cells are long and rarely hold one.
std::size_t NextToEscape(std::string_view s, std::size_t from)
{
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i backslash = _mm_set1_epi8('\\');
    for (; i + 16 <= s.size(); i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s.data() + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, carriageReturn)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, lineFeed), _mm_cmpeq_epi8(v, backslash)));
        if (const int mask = _mm_movemask_epi8(hit))
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < s.size(); ++i)
        if (s[i] == '\t' || s[i] == '\r' || s[i] == '\n' || s[i] == '\\')
            return i;
    return s.size();
}
const char *const kJsonKeys[kResultColumnCount] = {"serial", "name", "size", "sources", "link"};
} // namespace

std::optional<CliOptions::Format> CliOptions::ParseFormat(std::string_view text)
{
    if (text == "tsv")
        return Format::Tsv;
    if (text == "json")
        return Format::Json;
    if (text == "csv")
        return Format::Csv;
    if (text == "links")
        return Format::Links;
    return std::nullopt;
}

CliWindow::CliWindow(Text keyword, CliOptions options, std::FILE *out, std::FILE *err,
                     const volatile std::sig_atomic_t *stopFlag)
    : m_keyword(std::move(keyword)), m_options(std::move(options)), m_out(out), m_err(err),
      m_stopFlag(stopFlag)
{}

CliWindow::~CliWindow() = default;

void CliWindow::setAnnouncement(const Text &text)
{
    if (text == m_lastAnnouncement)
        return;
    m_lastAnnouncement = text;
    std::fprintf(m_err, "%s\n", TextToUtf8(text).c_str());
}

void CliWindow::deleteAllRows()
{
    m_rows.clear();
    m_written = 0;
}

int CliWindow::appendRow(const Text &caption)
{
    // A row is complete once the next one starts; the last one at finish().
    flushCompleteRows();
    m_rows.emplace_back();
    m_rows.back().setCell(SerialColumn, caption);
    return static_cast<int>(m_rows.size() - 1);
}

void CliWindow::appendRows(std::vector<ResultRow> &&rows)
{
    flushCompleteRows();
    // The first page's rows are taken over whole, not moved one by one.
    if (m_rows.empty())
        m_rows = std::move(rows);
    else
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
}

void CliWindow::setCell(int row, int column, const Text &text)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return;
    m_rows[static_cast<std::size_t>(row)].setCell(column, text);
}

Text CliWindow::cellText(int row, int column)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return {};
    return m_rows[static_cast<std::size_t>(row)][column];
}

std::string CliWindow::EscapeTsvCell(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    AppendTsvCell(out, utf8);
    return out;
}

void CliWindow::AppendTsvCell(std::string &out, std::string_view utf8)
{
    // Runs without anything to escape go over in one piece.
    std::size_t done = 0;
    for (std::size_t at = NextToEscape(utf8, 0); at < utf8.size(); at = NextToEscape(utf8, done)) {
        out.append(utf8.substr(done, at - done));
        switch (utf8[at]) {
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += "\\\\";
        }
        done = at + 1;
    }
    out.append(utf8.substr(done));
}

std::string CliWindow::EscapeJsonString(std::string_view utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool CliWindow::accepted(const Listed &listed, const ResultJudge *judge) const
{
    if (m_options.filter.isEmpty())
        return true;
    const ResultRow &row = listed.row;
    const std::string key =
        ResultFilter::MatchKey(TextToUtf8(row[NameColumn]), TextToUtf8(row[LinkColumn]));
    FilterSubject subject;
    subject.matchKey = key;
    subject.bytes = row.bytes();
    subject.sources = row.sources();
    subject.status = m_marker.markOf(row.link()).status;
    std::string extension;
    if (judge && !listed.members.empty()) {
        const std::size_t first = listed.members.front();
        subject.type = judge->type(first);
        subject.extension = judge->extension(first);
        subject.brokenLink = judge->brokenLink(first);
        for (std::size_t member : listed.members)
            subject.suspicious = subject.suspicious || judge->suspicious(member);
    } else {
        extension = FileExtension(row.link().name);
        subject.type = FileTypeOfExtension(extension);
        subject.extension = extension;
        subject.brokenLink = !row.link().valid();
    }
    return m_options.filter.accepts(subject);
}

void CliWindow::appendFormatted(std::string &out, const Listed &listed, bool first,
                                const ResultJudge *judge) const
{
    if (m_options.format != Format::Tsv) {
        out += formatted(listed, first, judge);
        return;
    }
    // Straight into the output: pages come by the thousand rows, mostly ASCII cells.
    for (int c = SerialColumn; c < kResultColumnCount; ++c) {
        if (c != SerialColumn)
            out += '\t';
        const Text &cell = listed.row[c];
        if (AsciiPrefixLength(cell.data(), cell.size()) == cell.size())
            AppendTsvCell(out, cell);
        else
            AppendTsvCell(out, TextToUtf8(cell));
    }
    if (m_options.merge)
        out.append(1, '\t').append(std::to_string(listed.copies));
    out += '\n';
}

std::string CliWindow::formatted(const Listed &listed, bool first, const ResultJudge *judge) const
{
    const ResultRow &row = listed.row;
    const auto source = [this](std::size_t r) -> const ResultRow & { return m_rows[r]; };
    const auto warnings = [&] {
        return judge ? judge->warnings(listed.members, source) : std::vector<Warning>();
    };
    std::vector<const ResultRow *> others;
    for (std::size_t i = 1; i < listed.members.size(); ++i)
        others.push_back(&m_rows[listed.members[i]]);
    switch (m_options.format) {
    case Format::Csv:
        return (first ? CsvHeader() : std::string()) + CsvRecord(row, HintText(warnings(), others));
    case Format::Links:
        return LinkListLine(row);
    case Format::Json: {
        std::string json = first ? "\n {" : ",\n {";
        for (int c = SerialColumn; c < kResultColumnCount; ++c) {
            if (c != SerialColumn)
                json += ", ";
            json += EscapeJsonString(kJsonKeys[c]) + ": " + EscapeJsonString(TextToUtf8(row[c]));
            if (c == SizeColumn) {
                const auto bytes = row.bytes();
                json += ", \"size_bytes\": " + (bytes ? std::to_string(*bytes) : "null");
            }
        }
        const std::string extension = FileExtension(row.link().name);
        json += ", \"type\": " + EscapeJsonString(FileTypeKeyword(FileTypeOfExtension(extension))) +
                ", \"ext\": " + EscapeJsonString(extension) + ", \"names\": [";
        for (std::size_t i = 0; i < others.size(); ++i) {
            const ResultRow &other = *others[i];
            json += std::string(i ? ", " : "") +
                    "{\"serial\": " + EscapeJsonString(TextToUtf8(other[SerialColumn])) +
                    ", \"name\": " + EscapeJsonString(TextToUtf8(other[NameColumn])) +
                    ", \"sources\": " + EscapeJsonString(TextToUtf8(other[SourcesColumn])) + "}";
        }
        json += "], \"warnings\": [";
        const std::vector<Warning> found = warnings();
        for (std::size_t i = 0; i < found.size(); ++i)
            json += std::string(i ? ", " : "") + "{\"rule\": " + EscapeJsonString(found[i].rule) +
                    ", \"text\": " + EscapeJsonString(found[i].text) + "}";
        json += "]";
        if (m_options.merge)
            json += ", \"copies\": " + std::to_string(listed.copies);
        json +=
            ", \"status\": " + EscapeJsonString(RowStatusWord(m_marker.markOf(row.link()).status));
        return json + "}";
    }
    case Format::Tsv:
        break;
    }
    std::string line;
    appendFormatted(line, listed, first, judge);
    return line;
}

void CliWindow::flushCompleteRows()
{
    if (m_options.buffered())
        return;
    // What is complete goes out in one write per half: a page of thousands of rows is
    // formatted on two threads, each into a block whose room is taken at once rather than
    // doubled up to megabytes. Unbuffered formats have no first-row header, so the halves are
    // independent.
    const std::size_t from = m_written;
    std::string out[2];
    std::size_t printed[2] = {0, 0};
    InTwoHalves(m_rows.size() - from, kRowsForTwoThreads,
                [&](int half, std::size_t first, std::size_t last) {
                    std::size_t bytes = 0;
                    for (std::size_t r = from + first; r < from + last; ++r)
                        for (int c = SerialColumn; c < kResultColumnCount; ++c)
                            bytes += m_rows[r][c].size() + 1;
                    out[half].reserve(bytes + bytes / 8);
                    for (std::size_t r = from + first; r < from + last; ++r) {
                        const Listed listed{m_rows[r], 1, {}};
                        if (!accepted(listed, nullptr))
                            continue;
                        appendFormatted(out[half], listed, false, nullptr);
                        ++printed[half];
                    }
                });
    m_written = m_rows.size();
    m_printed += printed[0] + printed[1];
    for (const std::string &block : out)
        std::fwrite(block.data(), 1, block.size(), m_out);
}

void CliWindow::showProgress(const Text &)
{
    // Once a page rather than once a row: a flush per row costs more than the row.
    flushCompleteRows();
    std::fflush(m_out);
}

std::vector<CliWindow::Listed> CliWindow::mergedFilteredSorted(const ResultJudge &judge) const
{
    std::vector<Listed> listed;
    if (m_options.merge) {
        // The window's rule: a file shows as its first row, with its copies' highest sources.
        DuplicateGroups groups;
        for (const ResultRow &row : m_rows)
            groups.append(row.link().file(), row.sources());
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            if (!groups.isFirst(r))
                continue;
            listed.push_back({MergedRow(m_rows[r], m_rows[groups.sourcesRow(r)]), groups.copies(r),
                              groups.members(r)});
        }
    } else {
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            listed.push_back({m_rows[r], 1, {r}});
    }
    std::erase_if(listed, [&](const Listed &l) { return !accepted(l, &judge); });
    if (!m_options.sort)
        return listed;
    std::vector<ResultRow> rows;
    rows.reserve(listed.size());
    for (const Listed &l : listed)
        rows.push_back(l.row);
    std::vector<Listed> sorted;
    sorted.reserve(listed.size());
    for (std::size_t at : SortedOrder(rows, *m_options.sort, Collator::ForEnvironment()))
        sorted.push_back(std::move(listed[at]));
    return sorted;
}

void CliWindow::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_options.buffered()) {
        flushCompleteRows();
        std::fflush(m_out);
        return;
    }
    ResultJudge judge;
    for (const ResultRow &row : m_rows)
        judge.append(row);
    judge.settle([this](std::size_t r) -> const ResultRow & { return m_rows[r]; });
    const std::vector<Listed> listed = mergedFilteredSorted(judge);
    std::string out = m_options.format == Format::Json ? "[" : "";
    for (std::size_t i = 0; i < listed.size(); ++i)
        appendFormatted(out, listed[i], i == 0, &judge);
    if (m_options.format == Format::Json)
        out += listed.empty() ? "]\n" : "\n]\n";
    std::fwrite(out.data(), 1, out.size(), m_out);
    std::fflush(m_out);
}

} // namespace jiujiu
