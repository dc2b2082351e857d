#pragma once

#include "results/resultrow.h"

#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

// A CSV document of the rows: UTF-8 with a byte-order mark (spreadsheets then read the Chinese
// right), CR LF line ends, fields quoted where RFC 4180 needs it, and the header
// 序号,名称,大小,大小(字节),资源数,链接,提示. 大小(字节) is the size in bytes, empty when unknown;
// 提示 the row's hint (HintText, UTF-8), hints[i] for rows[i], empty where there is none.
std::string CsvDocument(const std::vector<ResultRow> &rows);
std::string CsvDocument(const std::vector<ResultRow> &rows, const std::vector<std::string> &hints);
// The document's parts, for writing rows as they come: the mark and header line, one record.
std::string CsvHeader();
std::string CsvRecord(const ResultRow &row, std::string_view hint = {});

// One CSV field: as it is, or in double quotes with quotes doubled when it holds a comma,
// a quote, CR or LF. A field that starts with =, +, -, @, TAB or CR gets an apostrophe in
// front, so a spreadsheet does not run it as a formula.
std::string CsvField(std::string_view utf8);

// The rows' ed2k links, one a line (LF), UTF-8 without a byte-order mark, as ed2k clients
// import them. Rows whose link does not start with "ed2k://" (in any case) are left out; CR
// and LF inside a link are dropped, so a line is always one link.
std::string LinkListDocument(const std::vector<ResultRow> &rows);
// One row's line of it, empty for a row without an ed2k link.
std::string LinkListLine(const ResultRow &row);

} // namespace jiujiu
