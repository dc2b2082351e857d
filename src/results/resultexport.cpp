#include "results/resultexport.h"

#include "runtime/asciicase.h"
#include "runtime/asciictype.h"
#include "runtime/codepage.h"
#include "runtime/utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>
#include <xlsxwriter.h>

namespace jiujiu {
namespace {

// The column headers of the spreadsheet, UTF-8.
constexpr std::array<std::string_view, 9> kXlsxHeaders = {
    "\xE5\xBA\x8F\xE5\x8F\xB7",                           // 序号
    "\xE5\x90\x8D\xE7\xA7\xB0",                           // 名称
    "\xE5\xA4\xA7\xE5\xB0\x8F",                           // 大小
    "\xE5\xA4\xA7\xE5\xB0\x8F(\xE5\xAD\x97\xE8\x8A\x82)", // 大小(字节)
    "\xE8\xB5\x84\xE6\xBA\x90\xE6\x95\xB0",               // 资源数
    "\xE9\x93\xBE\xE6\x8E\xA5",                           // 链接
    "\xE7\xB1\xBB\xE5\x9E\x8B",                           // 类型
    "\xE6\x8F\x90\xE7\xA4\xBA",                           // 提示
    "\xE7\x8A\xB6\xE6\x80\x81",                           // 状态
};

// A spreadsheet cell holds at most this many characters; a sheet this many rows.
constexpr std::size_t kCellCharacters = 32767;
constexpr std::size_t kSheetRows = 1048576;
// Sizes beyond this are not exact as a spreadsheet's numbers (doubles): they stay digits.
constexpr std::uint64_t kExactInDouble = 1ULL << 53;
// Column widths in characters: at least the header's, at most this.
constexpr std::size_t kWidestColumn = 60;

struct WorkbookFree
{
    void operator()(lxw_workbook *workbook) const { lxw_workbook_free(workbook); }
};

// Removes a file when it goes out of scope.
struct RemovedFile
{
    std::string path;
    ~RemovedFile()
    {
        if (!path.empty())
            ::unlink(path.c_str());
    }
};

// The code point at s[i], and how many bytes it takes; a byte that is no UTF-8 counts as one
// replacement character.
char32_t CodePointAt(std::string_view s, std::size_t i, std::size_t &length)
{
    char32_t c = 0;
    length = DecodeUtf8(s, i, c);
    if (length == 0) {
        length = 1;
        c = 0xFFFD;
    }
    return c;
}

// The text cut to what a cell holds.
std::string_view CellText(std::string_view utf8)
{
    std::size_t characters = 0;
    for (std::size_t i = 0, length = 0; i < utf8.size(); i += length, ++characters) {
        if (characters == kCellCharacters)
            return utf8.substr(0, i);
        CodePointAt(utf8, i, length);
    }
    return utf8;
}

// A spreadsheet reads "_xHHHH_" in a text as the character HHHH: a text that holds one
// literally gets its underscore written as "_x005F_", so it reads back as it was.
std::string SheetText(std::string_view utf8)
{
    const auto hex = [](char c) { return AsciiHexValue(c) >= 0; };
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '_' && i + 6 < utf8.size() && utf8[i + 1] == 'x' && hex(utf8[i + 2]) &&
            hex(utf8[i + 3]) && hex(utf8[i + 4]) && hex(utf8[i + 5]) && utf8[i + 6] == '_')
            out += "_x005F_";
        else
            out += utf8[i];
    }
    return out;
}

// East Asian wide characters take two columns of a sheet, others one.
bool Wide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

// The columns the longest line of the text takes.
std::size_t DisplayWidth(std::string_view utf8)
{
    std::size_t widest = 0;
    std::size_t width = 0;
    for (std::size_t i = 0, length = 0; i < utf8.size() && widest < kWidestColumn; i += length) {
        const char32_t c = CodePointAt(utf8, i, length);
        width = c == '\n' ? 0 : width + (Wide(c) ? 2 : 1);
        widest = std::max(widest, width);
    }
    return widest;
}

bool Failed(std::string *error, std::string why)
{
    if (error)
        *error = std::move(why);
    return false;
}

// Reads the whole file; false when it cannot.
bool ReadFile(const std::string &path, std::string &bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && in.is_open();
}

} // namespace

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

std::string XlsxSheetName(std::string_view keyword)
{
    std::string name;
    std::size_t units = 0; // the spreadsheet counts UTF-16 code units
    for (std::size_t i = 0, length = 0; i < keyword.size(); i += length) {
        const char32_t c = CodePointAt(keyword, i, length);
        units += c > 0xFFFF ? 2 : 1;
        if (units > 31)
            break;
        if (c < 0x20 || c == 0x7F ||
            (c < 0x80 &&
             std::string_view("[]:*?/\\").find(static_cast<char>(c)) != std::string_view::npos))
            name += '_';
        else
            name.append(keyword.substr(i, length));
    }
    if (name.empty())
        return "\xE7\xBB\x93\xE6\x9E\x9C"; // 结果
    if (name.front() == '\'')
        name.front() = '_';
    if (name.back() == '\'')
        name.back() = '_';
    // A name Excel keeps for itself.
    if (AsciiEqualsIgnoringCase(name, "History"))
        name.back() = '_';
    return name;
}

bool XlsxDocument(const std::vector<ResultRow> &rows, const std::vector<ExportNotes> &notes,
                  std::string_view keyword, std::string &document, std::string *error)
{
    if (rows.size() >= kSheetRows)
        return Failed(error, std::to_string(rows.size()) + " rows do not fit on one sheet");

    // The library writes a named file: a private one, read back and removed.
    std::string directory = std::filesystem::temp_directory_path().string();
    std::string pattern = directory + "/jiujiu-export-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return Failed(error, directory + ": " + std::strerror(errno));
    ::close(fd);
    const RemovedFile file{pattern};

    lxw_workbook_options options = {};
    options.tmpdir = directory.data();
    std::unique_ptr<lxw_workbook, WorkbookFree> workbook(
        workbook_new_opt(file.path.c_str(), &options));
    if (!workbook)
        return Failed(error, "the spreadsheet library cannot start");
    const std::string sheetName = XlsxSheetName(keyword);
    lxw_worksheet *sheet = workbook_add_worksheet(workbook.get(), sheetName.c_str());
    if (!sheet)
        sheet = workbook_add_worksheet(workbook.get(), nullptr);
    lxw_format *bold = workbook_add_format(workbook.get());
    format_set_bold(bold);
    lxw_format *thousands = workbook_add_format(workbook.get());
    format_set_num_format(thousands, "#,##0");
    lxw_format *link = workbook_add_format(workbook.get());
    format_set_underline(link, LXW_UNDERLINE_SINGLE);
    format_set_font_color(link, LXW_COLOR_BLUE);
    if (!sheet || !bold || !thousands || !link)
        return Failed(error, "the spreadsheet library is out of memory");

    std::array<std::size_t, kXlsxHeaders.size()> widths = {};
    const auto text = [&](lxw_row_t r, lxw_col_t c, std::string_view utf8,
                          lxw_format *format = nullptr) {
        widths[c] = std::max(widths[c], DisplayWidth(utf8));
        if (utf8.empty())
            return;
        const std::string escaped = SheetText(utf8);
        const std::string cell(CellText(escaped));
        worksheet_write_string(sheet, r, c, cell.c_str(), format);
    };
    const auto number = [&](lxw_row_t r, lxw_col_t c, double value, std::string_view shown,
                            lxw_format *format = nullptr) {
        widths[c] = std::max(widths[c], DisplayWidth(shown) + (format ? shown.size() / 3 : 0));
        worksheet_write_number(sheet, r, c, value, format);
    };

    for (std::size_t c = 0; c < kXlsxHeaders.size(); ++c)
        text(0, static_cast<lxw_col_t>(c), kXlsxHeaders[c], bold);
    worksheet_freeze_panes(sheet, 1, 0);

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ResultRow &row = rows[i];
        const ExportNotes none;
        const ExportNotes &note = i < notes.size() ? notes[i] : none;
        const auto r = static_cast<lxw_row_t>(i + 1);
        const std::string serial = TextToUtf8(row[SerialColumn]);
        if (row.serial())
            number(r, 0, static_cast<double>(*row.serial()), serial);
        else
            text(r, 0, serial);
        text(r, 1, TextToUtf8(row[NameColumn]));
        text(r, 2, TextToUtf8(row[SizeColumn]));
        if (const auto bytes = row.bytes(); bytes && *bytes <= kExactInDouble)
            number(r, 3, static_cast<double>(*bytes), std::to_string(*bytes), thousands);
        else if (bytes)
            text(r, 3, std::to_string(*bytes));
        const std::string sources = TextToUtf8(row[SourcesColumn]);
        if (row.sources())
            number(r, 4, static_cast<double>(*row.sources()), sources);
        else
            text(r, 4, sources);
        // The link's own text is the cell; the hyperlink only where the link is well formed.
        // The library reads these prefixes anywhere in the address as a link of its own kind.
        const std::string address = TextToUtf8(row[LinkColumn]);
        bool linked = false;
        if (row.link().valid() && address.find("internal:") == std::string::npos &&
            address.find("external:") == std::string::npos &&
            CellText(address).size() == address.size()) {
            widths[5] = std::max(widths[5], DisplayWidth(address));
            linked = worksheet_write_url_opt(sheet, r, 5, address.c_str(), link,
                                             SheetText(address).c_str(), nullptr) == LXW_NO_ERROR;
        }
        if (!linked)
            text(r, 5, address); // too long for a hyperlink, or past the sheet's 65530
        text(r, 6, note.type);
        text(r, 7, note.hint);
        text(r, 8, note.status);
    }
    for (std::size_t c = 0; c < widths.size(); ++c)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             static_cast<double>(std::min(widths[c], kWidestColumn) + 2), nullptr);

    if (const lxw_error closed = workbook_close(workbook.release()); closed != LXW_NO_ERROR)
        return Failed(error, lxw_strerror(closed));
    if (!ReadFile(file.path, document))
        return Failed(error, file.path + ": " + std::strerror(errno));
    return true;
}

} // namespace jiujiu
