#pragma once

#include "results/ed2klink.h"
#include "runtime/value.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace jiujiu {

// Result list columns, in the order the list shows them.
enum ResultColumn : int
{
    SerialColumn = 0,
    NameColumn = 1,
    SizeColumn = 2,
    SourcesColumn = 3,
    LinkColumn = 4,
};
inline constexpr int kResultColumnCount = 5;

// One row of the result list: its five cells as they were listed (serial number, name, size,
// sources, ed2k link; runtime texts) and what the rules about results read from them. A cell
// is read once, when it is set, so nothing downstream parses a cell again.
class ResultRow final
{
public:
    ResultRow() = default;
    ResultRow(Text serial, Text name, Text size, Text sources, Text link);

    // Empty for a column out of range.
    const Text &cell(int column) const;
    const Text &operator[](int column) const { return cell(column); }
    // Sets a cell and what is read from it; a column out of range changes nothing.
    void setCell(int column, Text text);
    // The same when the caller has the text as UTF-8 too (utf8 must be the same text).
    void setCell(int column, Text text, std::string_view utf8);

    std::optional<std::int64_t> serial() const { return m_serial; }
    // The size in bytes, none when the size text cannot be read.
    std::optional<std::uint64_t> bytes() const { return m_bytes; }
    std::optional<std::int64_t> sources() const { return m_sources; }
    const Ed2kLink &link() const { return m_link; }

    friend bool operator==(const ResultRow &, const ResultRow &) = default;

private:
    std::array<Text, kResultColumnCount> m_cells;
    std::optional<std::int64_t> m_serial;
    std::optional<std::uint64_t> m_bytes;
    std::optional<std::int64_t> m_sources;
    Ed2kLink m_link;
};

} // namespace jiujiu
