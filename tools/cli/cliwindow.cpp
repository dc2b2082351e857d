#include "cliwindow.h"

#include "results/collator.h"
#include "results/duplicategroups.h"
#include "results/filetype.h"
#include "results/resultexport.h"
#include "runtime/codepage.h"
#include "runtime/twohalves.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jiujiu {

namespace {

// Rows formatted and written at once.
constexpr std::size_t kRowsPerSlice = 16384;

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
    if (text == "xlsx")
        return Format::Xlsx;
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

void CliWindow::setServiceNote(const Text &note)
{
    if (note.size() < m_noteWritten)
        m_noteWritten = 0;
    std::string_view added = std::string_view(note).substr(m_noteWritten);
    if (!added.empty() && added.front() == '\n')
        added.remove_prefix(1);
    if (!added.empty())
        std::fprintf(m_err, "%s\n", TextToUtf8(added).c_str());
    m_noteWritten = note.size();
}

void CliWindow::deleteAllRows()
{
    m_pages.clear();
    m_pageStarts.clear();
    m_held = 0;
    m_dropped = 0;
    m_written = 0;
    m_listed = 0;
}

const ResultRow &CliWindow::row(std::size_t r) const
{
    const auto block = std::upper_bound(m_pageStarts.begin(), m_pageStarts.end(), r) - 1;
    const auto at = static_cast<std::size_t>(block - m_pageStarts.begin());
    return m_pages[at][r - *block];
}

ResultRow *CliWindow::heldRow(std::size_t r)
{
    if (r < m_dropped || r >= rowCount())
        return nullptr;
    return const_cast<ResultRow *>(&row(r));
}

int CliWindow::appendRow(const Text &caption)
{
    // A row is complete once the next one starts; the last one at finish().
    flushCompleteRows();
    if (m_pages.empty()) {
        m_pages.emplace_back();
        m_pageStarts.push_back(m_dropped);
    }
    m_pages.back().emplace_back();
    m_pages.back().back().setCell(SerialColumn, caption);
    ++m_held;
    ++m_listed;
    return static_cast<int>(rowCount() - 1);
}

void CliWindow::appendRows(std::vector<ResultRow> &&rows)
{
    flushCompleteRows();
    if (rows.empty())
        return;
    // A page's rows are taken over whole, not moved one by one.
    const std::size_t count = rows.size();
    m_pageStarts.push_back(rowCount());
    m_pages.push_back(std::move(rows));
    m_held += count;
    m_listed += static_cast<std::int64_t>(count);
}

void CliWindow::setCell(int row, int column, const Text &text)
{
    if (ResultRow *held = row < 0 ? nullptr : heldRow(static_cast<std::size_t>(row)))
        held->setCell(column, text);
}

Text CliWindow::cellText(int row, int column)
{
    if (const ResultRow *held = row < 0 ? nullptr : heldRow(static_cast<std::size_t>(row)))
        return (*held)[column];
    return {};
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
    const ResultRow &row = *listed.row;
    const std::string key =
        ResultFilter::MatchKey(TextToUtf8(row[NameColumn]), TextToUtf8(row[LinkColumn]));
    FilterSubject subject;
    subject.matchKey = key;
    subject.bytes = row.bytes();
    subject.sources = row.sources();
    subject.status = m_marker.markOf(row.link()).status;
    std::string extension;
    if (judge && !listed.streamed) {
        const std::size_t first = listed.index;
        subject.type = judge->type(first);
        subject.extension = judge->extension(first);
        subject.brokenLink = judge->brokenLink(first);
        for (std::size_t member : membersOf(listed))
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
        const Text &cell = (*listed.row)[c];
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
    const ResultRow &row = *listed.row;
    const auto source = [this](std::size_t r) -> const ResultRow & { return this->row(r); };
    const std::vector<std::size_t> members =
        listed.streamed ? std::vector<std::size_t>() : membersOf(listed);
    const auto warnings = [&] {
        return judge ? judge->warnings(members, source) : std::vector<Warning>();
    };
    std::vector<const ResultRow *> others;
    for (std::size_t i = 1; i < members.size(); ++i)
        others.push_back(&this->row(members[i]));
    switch (m_options.format) {
    case Format::Csv:
        return (first ? CsvHeader() : std::string()) + CsvRecord(row, HintText(warnings(), others));
    case Format::Xlsx:
        return {}; // a whole document, made in finish()
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
        json += ", \"status\": " +
                EscapeJsonString(RowStatusIdentifier(m_marker.markOf(row.link()).status));
        return json + "}";
    }
    case Format::Tsv:
        break;
    }
    std::string line;
    appendFormatted(line, listed, first, judge);
    return line;
}

std::vector<std::size_t> CliWindow::membersOf(const Listed &listed) const
{
    return listed.members ? *listed.members : std::vector<std::size_t>{listed.index};
}

void CliWindow::writeFailed()
{
    if (!m_writeError.empty())
        return;
    m_writeErrno = errno != 0 ? errno : EIO;
    m_writeError = std::strerror(m_writeErrno);
}

bool CliWindow::write(const std::string &block)
{
    if (!m_writeError.empty())
        return false;
    errno = 0;
    if (!block.empty() && std::fwrite(block.data(), 1, block.size(), m_out) != block.size()) {
        writeFailed();
        return false;
    }
    return true;
}

bool CliWindow::flushOutput()
{
    if (!m_writeError.empty())
        return false;
    errno = 0;
    if (std::fflush(m_out) != 0 || std::ferror(m_out)) {
        writeFailed();
        return false;
    }
    return true;
}

ExportNotes CliWindow::notes(const Listed &listed, const ResultJudge *judge) const
{
    ExportNotes notes;
    const ResultRow &row = *listed.row;
    if (judge && !listed.streamed) {
        const std::vector<std::size_t> members = membersOf(listed);
        notes.type = FileTypeText(judge->type(listed.index), judge->extension(listed.index));
        std::vector<const ResultRow *> others;
        for (std::size_t i = 1; i < members.size(); ++i)
            others.push_back(&this->row(members[i]));
        notes.hint = HintText(
            judge->warnings(members,
                            [this](std::size_t r) -> const ResultRow & { return this->row(r); }),
            others);
    } else {
        const std::string extension = FileExtension(row.link().name);
        notes.type = FileTypeText(FileTypeOfExtension(extension), extension);
    }
    notes.status = RowStatusWord(m_marker.markOf(row.link()).status);
    return notes;
}

void CliWindow::flushCompleteRows()
{
    if (m_options.buffered() || !m_writeError.empty())
        return;
    // What is complete goes out in one write per half: a page of thousands of rows is
    // formatted on two threads, each into a block whose room is taken at once rather than
    // doubled up to megabytes. Unbuffered formats have no first-row header, so the halves are
    // independent.
    // A slice at a time, so the text of a page of 100 000 rows is never held whole.
    const std::size_t end = rowCount();
    for (std::size_t from = m_written; from < end;) {
        const std::size_t to = std::min(end, from + kRowsPerSlice);
        std::string out[2];
        std::size_t printed[2] = {0, 0};
        InTwoHalves(to - from, kRowsForTwoThreads,
                    [&](int half, std::size_t first, std::size_t last) {
                        std::size_t bytes = 0;
                        for (std::size_t r = from + first; r < from + last; ++r)
                            for (int c = SerialColumn; c < kResultColumnCount; ++c)
                                bytes += row(r)[c].size() + 1;
                        out[half].reserve(bytes + bytes / 8);
                        for (std::size_t r = from + first; r < from + last; ++r) {
                            const Listed listed{&row(r), 1, r, nullptr, true};
                            if (!accepted(listed, nullptr))
                                continue;
                            appendFormatted(out[half], listed, false, nullptr);
                            ++printed[half];
                        }
                    });
        m_printed += printed[0] + printed[1];
        for (const std::string &block : out)
            write(block);
        from = to;
    }
    m_written = end;
    // Printed rows are needed no more: nothing asks for them again.
    m_dropped += m_held;
    m_held = 0;
    m_pages.clear();
    m_pageStarts.clear();
}

void CliWindow::showProgress(const Text &)
{
    // Once a page rather than once a row: a flush per row costs more than the row.
    flushCompleteRows();
    flushOutput();
}

std::vector<CliWindow::Listed> CliWindow::mergedFilteredSorted(const ResultJudge *judge,
                                                               const DuplicateGroups *groups,
                                                               std::vector<ResultRow> &merged) const
{
    std::vector<Listed> listed;
    const std::size_t count = rowCount();
    if (groups) {
        // The window's rule: a file shows as its first row, with its copies' highest sources.
        for (std::size_t r = 0; r < count; ++r)
            if (groups->isFirst(r))
                merged.push_back(MergedRow(row(r), row(groups->sourcesRow(r))));
        std::size_t next = 0;
        for (std::size_t r = 0; r < count; ++r) {
            if (groups->isFirst(r))
                listed.push_back(
                    {&merged[next++], groups->copies(r), r, &groups->members(r), false});
        }
    } else {
        listed.reserve(count);
        for (std::size_t r = 0; r < count; ++r)
            listed.push_back({&row(r), 1, r, nullptr, false});
    }
    std::erase_if(listed, [&](const Listed &l) { return !accepted(l, judge); });
    if (!m_options.sort)
        return listed;
    std::vector<const ResultRow *> rows;
    rows.reserve(listed.size());
    for (const Listed &l : listed)
        rows.push_back(l.row);
    std::vector<Listed> sorted;
    sorted.reserve(listed.size());
    for (std::size_t at : SortedOrder(rows, *m_options.sort, Collator::ForEnvironment()))
        sorted.push_back(listed[at]);
    return sorted;
}

void CliWindow::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_options.buffered()) {
        flushCompleteRows();
        flushOutput();
        return;
    }
    // The judging's verdicts are printed by JSON and CSV and read by a filter on suspicion;
    // for anything else it would only cost memory.
    std::optional<ResultJudge> judge;
    const std::size_t count = rowCount();
    if (m_options.format == Format::Json || m_options.format == Format::Csv ||
        m_options.format == Format::Xlsx || m_options.filter.judgement().readsSuspicion()) {
        judge.emplace();
        for (std::size_t r = 0; r < count; ++r)
            judge->append(row(r));
        judge->settle([this](std::size_t r) -> const ResultRow & { return row(r); });
    }
    std::optional<DuplicateGroups> groups;
    if (m_options.merge) {
        groups.emplace();
        for (std::size_t r = 0; r < count; ++r)
            groups->append(row(r).link().file(), row(r).sources());
    }
    std::vector<ResultRow> merged;
    const std::vector<Listed> listed =
        mergedFilteredSorted(judge ? &*judge : nullptr, groups ? &*groups : nullptr, merged);
    if (m_options.format == Format::Xlsx) {
        std::vector<ResultRow> rows;
        std::vector<ExportNotes> rowNotes;
        rows.reserve(listed.size());
        rowNotes.reserve(listed.size());
        for (const Listed &l : listed) {
            rows.push_back(*l.row);
            rowNotes.push_back(notes(l, judge ? &*judge : nullptr));
        }
        std::string document;
        if (XlsxDocument(rows, rowNotes, TextToUtf8(m_keyword), document, &m_exportError))
            write(document);
        flushOutput();
        return;
    }
    // Written a block at a time: the output of a million rows is never held whole.
    constexpr std::size_t kBlock = 1 << 20;
    std::string out = m_options.format == Format::Json ? "[" : "";
    out.reserve(kBlock + 4096);
    for (std::size_t i = 0; i < listed.size() && m_writeError.empty(); ++i) {
        appendFormatted(out, listed[i], i == 0, judge ? &*judge : nullptr);
        if (out.size() >= kBlock) {
            write(out);
            out.clear();
        }
    }
    if (m_options.format == Format::Json)
        out += listed.empty() ? "]\n" : "\n]\n";
    write(out);
    flushOutput();
}

} // namespace jiujiu
