#include "results/resultexport.h"

#include "runtime/asciicase.h"
#include "runtime/codepage.h"

namespace jiujiu {

std::string CsvField(std::string_view utf8)
{
    // A spreadsheet takes a cell that starts with one of these for a formula (=HYPERLINK(...),
    // DDE's =cmd|...): the apostrophe makes it text, as OWASP recommends against CSV injection.
    const bool formulaLike =
        !utf8.empty() && std::string_view("=+-@\t\r").find(utf8[0]) != std::string_view::npos;
    const std::string_view guard = formulaLike ? "'" : "";
    if (utf8.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(guard) + std::string(utf8);
    std::string out = "\"";
    out += guard;
    for (char c : utf8) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string CsvHeader()
{
    return "\xEF\xBB\xBF"
           "\xE5\xBA\x8F\xE5\x8F\xB7,"                           // 序号
           "\xE5\x90\x8D\xE7\xA7\xB0,"                           // 名称
           "\xE5\xA4\xA7\xE5\xB0\x8F,"                           // 大小
           "\xE5\xA4\xA7\xE5\xB0\x8F(\xE5\xAD\x97\xE8\x8A\x82)," // 大小(字节)
           "\xE8\xB5\x84\xE6\xBA\x90\xE6\x95\xB0,"               // 资源数
           "\xE9\x93\xBE\xE6\x8E\xA5,"                           // 链接
           "\xE6\x8F\x90\xE7\xA4\xBA\r\n";                       // 提示
}

std::string CsvRecord(const ResultRow &row, std::string_view hint)
{
    const auto bytes = row.bytes();
    std::string out = CsvField(TextToUtf8(row[SerialColumn]));
    out += ',';
    out += CsvField(TextToUtf8(row[NameColumn]));
    out += ',';
    out += CsvField(TextToUtf8(row[SizeColumn]));
    out += ',';
    out += bytes ? std::to_string(*bytes) : std::string();
    out += ',';
    out += CsvField(TextToUtf8(row[SourcesColumn]));
    out += ',';
    out += CsvField(TextToUtf8(row[LinkColumn]));
    out += ',';
    out += CsvField(hint);
    out += "\r\n";
    return out;
}

std::string CsvDocument(const std::vector<ResultRow> &rows)
{
    return CsvDocument(rows, {});
}

std::string CsvDocument(const std::vector<ResultRow> &rows, const std::vector<std::string> &hints)
{
    std::string out = CsvHeader();
    for (std::size_t i = 0; i < rows.size(); ++i)
        out += CsvRecord(rows[i], i < hints.size() ? hints[i] : std::string_view());
    return out;
}

std::string LinkListLine(const ResultRow &row)
{
    // Only well-formed ed2k file links: a client importing the list takes every line for a
    // download, and a broken link is never handed to it.
    if (!row.link().valid())
        return {};
    const std::string utf8 = TextToUtf8(row[LinkColumn]);
    std::string link;
    for (char c : utf8)
        if (c != '\r' && c != '\n')
            link += c;
    link += '\n';
    return link;
}

std::string LinkListDocument(const std::vector<ResultRow> &rows)
{
    std::string out;
    for (const ResultRow &row : rows)
        out += LinkListLine(row);
    return out;
}

} // namespace jiujiu
