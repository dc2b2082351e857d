#include "cliwindow.h"

#include "results/collator.h"
#include "results/filetype.h"
#include "results/resultexport.h"
#include "runtime/codepage.h"
#include "runtime/twohalves.h"
#include "store/seenfiles.h"

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

// The judging's verdicts are printed by JSON, CSV and spreadsheets and read by a filter on
// suspicion; groups by merging. Otherwise they would only cost memory, and printed rows could
// not be let go.
ResultList::Options ListOptions(const CliOptions &options)
{
    ResultList::Options list;
    list.judge =
        options.format == CliOptions::Format::Json || options.format == CliOptions::Format::Csv ||
        options.format == CliOptions::Format::Xlsx || options.filter.judgement().readsSuspicion();
    list.group = options.merge;
    list.eager = false; // streamed, or sorted once at the end
    return list;
}

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
      m_stopFlag(stopFlag), m_rows(Collator::ForEnvironment(), ListOptions(m_options))
{
    m_rows.setMarker(&m_marker);
}

CliWindow::~CliWindow() = default;

void CliWindow::setSeenFiles(std::shared_ptr<const SeenFiles> seen)
{
    m_seen = std::move(seen);
    m_rows.setSeenFiles(m_seen.get());
}

void CliWindow::keepFiles(std::size_t from, std::size_t to)
{
    if (!m_seen)
        return;
    for (std::size_t r = from; r < to; ++r)
        if (const Ed2kLink &link = m_rows.row(r).link(); link.valid())
            m_listedFiles.push_back(*link.file());
}

void CliWindow::notePrinted(std::size_t row, std::size_t &count,
                            std::vector<std::string> &names) const
{
    if (!m_seen || !m_rows.isNew(row))
        return;
    ++count;
    if (names.size() < kNewNamesKept)
        names.push_back(TextToUtf8(m_rows.row(row)[NameColumn]));
}

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
    m_rows.clear();
    m_written = 0;
    m_listed = 0;
    m_listedFiles.clear();
}

int CliWindow::appendRow(const Text &caption)
{
    // A row is complete once the next one starts; the last one at finish().
    flushCompleteRows();
    ResultRow row;
    row.setCell(SerialColumn, caption);
    m_rows.append(std::move(row));
    ++m_listed;
    return static_cast<int>(m_rows.count() - 1);
}

void CliWindow::appendRows(std::vector<ResultRow> &&rows)
{
    flushCompleteRows();
    // A page's rows are taken over whole, not moved one by one.
    m_listed += static_cast<std::int64_t>(rows.size());
    m_rows.append(std::move(rows));
}

void CliWindow::setCell(int row, int column, const Text &text)
{
    if (row >= 0)
        m_rows.setCell(static_cast<std::size_t>(row), column, text);
}

Text CliWindow::cellText(int row, int column)
{
    if (row >= 0 && m_rows.holds(static_cast<std::size_t>(row)))
        return m_rows.row(static_cast<std::size_t>(row))[column];
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
        } else if (u < 0x20 || u == 0x7f) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void CliWindow::appendFormatted(std::string &out, std::size_t row, bool first) const
{
    if (m_options.format != Format::Tsv) {
        out += formatted(row, first);
        return;
    }
    // Straight into the output: pages come by the thousand rows, mostly ASCII cells.
    const ResultRow &cells = m_rows.row(row);
    for (int c = SerialColumn; c < kResultColumnCount; ++c) {
        if (c != SerialColumn)
            out += '\t';
        const Text &cell =
            c == SourcesColumn ? m_rows.shownCell(row, c, m_options.merge) : cells[c];
        if (AsciiPrefixLength(cell.data(), cell.size()) == cell.size())
            AppendTsvCell(out, cell);
        else
            AppendTsvCell(out, TextToUtf8(cell));
    }
    if (m_options.merge)
        out.append(1, '\t').append(std::to_string(m_rows.copies(row, true)));
    out += '\n';
}

std::string CliWindow::formatted(std::size_t row, bool first) const
{
    const bool merged = m_options.merge;
    switch (m_options.format) {
    case Format::Csv:
        return (first ? CsvHeader() : std::string()) +
               CsvRecord(m_rows.shownRow(row, merged), m_rows.hint(row, merged, true));
    case Format::Xlsx:
        return {}; // a whole document, made in finish()
    case Format::Links:
        return LinkListLine(m_rows.row(row));
    case Format::Json: {
        std::string json = first ? "\n {" : ",\n {";
        for (int c = SerialColumn; c < kResultColumnCount; ++c) {
            if (c != SerialColumn)
                json += ", ";
            json += EscapeJsonString(kJsonKeys[c]) + ": " +
                    EscapeJsonString(TextToUtf8(m_rows.shownCell(row, c, merged)));
            if (c == SizeColumn) {
                const auto bytes = m_rows.row(row).bytes();
                json += ", \"size_bytes\": " + (bytes ? std::to_string(*bytes) : "null");
            }
        }
        json += ", \"type\": " + EscapeJsonString(FileTypeKeyword(m_rows.type(row))) +
                ", \"ext\": " + EscapeJsonString(m_rows.extension(row)) + ", \"names\": [";
        const std::vector<std::size_t> members = m_rows.members(row, merged);
        for (std::size_t i = 1; i < members.size(); ++i) {
            const ResultRow &other = m_rows.row(members[i]);
            json += std::string(i > 1 ? ", " : "") +
                    "{\"serial\": " + EscapeJsonString(TextToUtf8(other[SerialColumn])) +
                    ", \"name\": " + EscapeJsonString(TextToUtf8(other[NameColumn])) +
                    ", \"sources\": " + EscapeJsonString(TextToUtf8(other[SourcesColumn])) + "}";
        }
        json += "], \"warnings\": [";
        const std::vector<Warning> found = m_rows.warnings(row, merged);
        for (std::size_t i = 0; i < found.size(); ++i)
            json += std::string(i ? ", " : "") + "{\"rule\": " + EscapeJsonString(found[i].rule) +
                    ", \"text\": " + EscapeJsonString(found[i].text) + "}";
        json += "]";
        if (merged)
            json += ", \"copies\": " + std::to_string(m_rows.copies(row, true));
        json += ", \"status\": " + EscapeJsonString(RowStatusIdentifier(m_rows.mark(row).status));
        if (m_seen)
            json += std::string(", \"new\": ") + (m_rows.isNew(row) ? "true" : "false");
        return json + "}";
    }
    case Format::Tsv:
        break;
    }
    std::string line;
    appendFormatted(line, row, first);
    return line;
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

ExportNotes CliWindow::notes(std::size_t row) const
{
    ExportNotes notes;
    notes.type = FileTypeText(m_rows.type(row), m_rows.extension(row));
    notes.hint = m_rows.hint(row, m_options.merge, true);
    notes.status = RowStatusWord(m_rows.mark(row).status);
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
    const std::size_t end = m_rows.count();
    for (std::size_t from = m_written; from < end;) {
        const std::size_t to = std::min(end, from + kRowsPerSlice);
        std::string out[2];
        std::size_t printed[2] = {0, 0};
        std::size_t fresh[2] = {0, 0};
        std::vector<std::string> names[2];
        InTwoHalves(to - from, kRowsForTwoThreads,
                    [&](int half, std::size_t first, std::size_t last) {
                        std::size_t bytes = 0;
                        for (std::size_t r = from + first; r < from + last; ++r)
                            for (int c = SerialColumn; c < kResultColumnCount; ++c)
                                bytes += m_rows.row(r)[c].size() + 1;
                        out[half].reserve(bytes + bytes / 8);
                        for (std::size_t r = from + first; r < from + last; ++r) {
                            if (!m_rows.accepts(r, m_options.filter, false))
                                continue;
                            appendFormatted(out[half], r, false);
                            ++printed[half];
                            notePrinted(r, fresh[half], names[half]);
                        }
                    });
        m_printed += printed[0] + printed[1];
        m_newPrinted += fresh[0] + fresh[1];
        for (std::vector<std::string> &half : names)
            for (std::string &name : half)
                if (m_newNames.size() < kNewNamesKept)
                    m_newNames.push_back(std::move(name));
        for (const std::string &block : out)
            write(block);
        from = to;
    }
    keepFiles(m_written, end);
    m_written = end;
    // Printed rows are needed no more: nothing asks for them again. The last ones go with the
    // process, which frees them all at once.
    if (!m_finished)
        m_rows.release();
}

void CliWindow::showProgress(const Text &)
{
    // Once a page rather than once a row: a flush per row costs more than the row.
    flushCompleteRows();
    flushOutput();
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
    keepFiles(0, m_rows.count());
    const std::vector<std::size_t> listed =
        m_rows.shownOrder(m_options.filter, m_options.merge, m_options.sort);
    for (std::size_t row : listed)
        notePrinted(row, m_newPrinted, m_newNames);
    if (m_options.format == Format::Xlsx) {
        std::vector<ResultRow> rows;
        std::vector<ExportNotes> rowNotes;
        rows.reserve(listed.size());
        rowNotes.reserve(listed.size());
        for (std::size_t row : listed) {
            rows.push_back(m_rows.shownRow(row, m_options.merge));
            rowNotes.push_back(notes(row));
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
        appendFormatted(out, listed[i], i == 0);
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
