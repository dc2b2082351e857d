#include "cliwindow.h"

#include "runtime/codepage.h"

namespace jiujiu {

namespace {
constexpr std::size_t kColumns = 5;
const char *const kJsonKeys[kColumns] = {"serial", "name", "size", "sources", "link"};
} // namespace

CliWindow::CliWindow(Text keyword, Format format, std::FILE *out, std::FILE *err,
                     const volatile std::sig_atomic_t *stopFlag)
    : m_keyword(std::move(keyword)), m_format(format), m_out(out), m_err(err), m_stopFlag(stopFlag)
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
    m_rows.push_back(std::vector<Text>(kColumns));
    m_rows.back()[0] = caption;
    return static_cast<int>(m_rows.size() - 1);
}

void CliWindow::setCell(int row, int column, const Text &text)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size() || column < 0 ||
        static_cast<std::size_t>(column) >= kColumns)
        return;
    m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
}

Text CliWindow::cellText(int row, int column)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size() || column < 0 ||
        static_cast<std::size_t>(column) >= kColumns)
        return {};
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

std::string CliWindow::EscapeTsvCell(std::string_view utf8)
{
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
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

void CliWindow::flushCompleteRows()
{
    if (m_format != Format::Tsv)
        return;
    for (; m_written < m_rows.size(); ++m_written) {
        std::string line;
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (c)
                line += '\t';
            line += EscapeTsvCell(TextToUtf8(m_rows[m_written][c]));
        }
        std::fprintf(m_out, "%s\n", line.c_str());
    }
    std::fflush(m_out);
}

void CliWindow::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_format == Format::Tsv) {
        flushCompleteRows();
        return;
    }
    std::string json = "[";
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        json += r ? ",\n {" : "\n {";
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (c)
                json += ", ";
            json +=
                EscapeJsonString(kJsonKeys[c]) + ": " + EscapeJsonString(TextToUtf8(m_rows[r][c]));
        }
        json += "}";
    }
    json += m_rows.empty() ? "]\n" : "\n]\n";
    std::fputs(json.c_str(), m_out);
    std::fflush(m_out);
}

} // namespace jiujiu
