#include "regex/regexsubject.h"

#include "runtime/codepage.h"
#include "runtime/gb18030.h"
#include "runtime/gb18030table.h"
#include "runtime/utf8.h"

#include <algorithm>

namespace jiujiu {
namespace {

constexpr std::string_view kReplacement{"\xEF\xBF\xBD", 3};

// Converts one four-byte code; empty when it is no character. Four-byte codes are rare in
// pages, so the general converter is good enough for them.
std::string FourByteChar(const unsigned char *code)
{
    std::string utf8 =
        ConvertCodePage({reinterpret_cast<const char *>(code), 4}, CodePage::Ansi, CodePage::Utf8);
    if (utf8.empty() || Utf8SequenceLength(static_cast<unsigned char>(utf8[0])) != utf8.size())
        return {};
    return utf8;
}

} // namespace

RegexSubject::RegexSubject(std::string_view text)
{
    if (text.size() > kMaxBytes) {
        m_tooLarge = true;
        return;
    }
    m_text = text;
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t n = text.size();
    // The code pages' own table, so both always agree on every code.
    const Gb18030Table &table = Gb18030Table::instance();
    m_utf8.reserve(n + n / 4 + 16);
    // One checkpoint a character that is not ASCII: room for a page of mostly markup, so a
    // large page grows the list a few times at most.
    m_checkpoints.reserve(n / 16 + 16);

    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            const std::size_t run = AsciiPrefixLength(text.data() + i, n - i);
            m_utf8.append(text.data() + i, run);
            i += run;
            continue;
        }

        std::size_t used = 1;
        bool done = false;
        const std::size_t length = Gb18030SequenceLength(s + i, n - i);
        if (length == 2) {
            const std::uint32_t c = table.twoByte(s[i], s[i + 1]);
            if (c != Gb18030Table::kNone) {
                AppendUtf8(m_utf8, c);
                used = 2;
                done = true;
            }
        } else if (length == 4) {
            const std::string c = FourByteChar(s + i);
            if (!c.empty()) {
                m_utf8 += c;
                used = 4;
                done = true;
            }
        }
        if (!done)
            m_utf8 += kReplacement; // one bad byte; go on with the next
        i += used;
        m_checkpoints.push_back(
            {static_cast<std::uint32_t>(m_utf8.size()), static_cast<std::uint32_t>(i)});
    }

    const std::size_t blocks = (m_utf8.size() >> kBlockShift) + 2;
    m_blockStarts.resize(blocks);
    std::size_t next = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        while (next < m_checkpoints.size() && (m_checkpoints[next].utf8 >> kBlockShift) < b)
            ++next;
        m_blockStarts[b] = static_cast<std::uint32_t>(next);
    }
}

std::shared_ptr<const RegexSubject> RegexSubject::FromUtf8(std::string utf8)
{
    std::shared_ptr<RegexSubject> subject(new RegexSubject);
    subject->m_isUtf8 = true;
    // Kept even when too large: it matches nothing, but its reader can still tell its size.
    subject->m_tooLarge = utf8.size() > kMaxBytes;
    subject->m_utf8 = std::move(utf8);
    return subject;
}

Text RegexSubject::Slice(std::size_t start, std::size_t end) const
{
    if (m_isUtf8)
        return Utf8ToText(std::string_view(m_utf8).substr(start, end - start));
    return m_text.substr(start, end - start);
}

std::size_t RegexSubject::TextOffset(std::size_t utf8Offset) const
{
    if (m_isUtf8)
        return std::min(utf8Offset, m_utf8.size());
    if (m_blockStarts.empty()) // too large: nothing converted
        return 0;
    // The last checkpoint at or before the offset lies in its block or is the one before it.
    const std::size_t block = std::min(utf8Offset >> kBlockShift, m_blockStarts.size() - 2);
    const auto from = m_checkpoints.begin() + m_blockStarts[block];
    const auto to = m_checkpoints.begin() + m_blockStarts[block + 1];
    const auto after =
        std::upper_bound(from, to, utf8Offset,
                         [](std::size_t offset, const Checkpoint &c) { return offset < c.utf8; });
    if (after == m_checkpoints.begin())
        return std::min(utf8Offset, m_text.size());
    const Checkpoint &c = *(after - 1);
    return std::min<std::size_t>(c.text + (utf8Offset - c.utf8), m_text.size());
}

} // namespace jiujiu
