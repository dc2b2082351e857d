#include "results/resultrow.h"

#include "results/sizetext.h"
#include "runtime/codepage.h"

namespace jiujiu {

ResultRow::ResultRow(Text serial, Text name, Text size, Text sources, Text link)
{
    setCell(SerialColumn, std::move(serial));
    setCell(NameColumn, std::move(name));
    setCell(SizeColumn, std::move(size));
    setCell(SourcesColumn, std::move(sources));
    setCell(LinkColumn, std::move(link));
}

const Text &ResultRow::cell(int column) const
{
    static const Text empty;
    if (column < 0 || column >= kResultColumnCount)
        return empty;
    return m_cells[static_cast<std::size_t>(column)];
}

void ResultRow::setCell(int column, Text text)
{
    if (column == LinkColumn) {
        // Read as UTF-8: in the runtime's text a trail byte can look like "|".
        const std::string utf8 = TextToUtf8(text);
        setCell(column, std::move(text), utf8);
        return;
    }
    setCell(column, std::move(text), {});
}

void ResultRow::setCell(int column, Text text, std::string_view utf8)
{
    if (column < 0 || column >= kResultColumnCount)
        return;
    switch (column) {
    case SerialColumn:
        m_serial = ParseCountText(text);
        break;
    case SizeColumn:
        m_bytes = ParseSizeText(text);
        break;
    case SourcesColumn:
        m_sources = ParseCountText(text);
        break;
    case LinkColumn:
        m_link = Ed2kLink::Parse(utf8);
        break;
    default:
        break;
    }
    m_cells[static_cast<std::size_t>(column)] = std::move(text);
}

} // namespace jiujiu
