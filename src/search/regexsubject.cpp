#include "search/regexsubject.h"

#include "runtime/codepage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace jiujiu {
namespace {

constexpr std::string_view kReplacement{"\xEF\xBF\xBD", 3};

// UTF-8 of one two-byte GB18030 code; length 0 where the code is no character.
struct Utf8Char
{
    std::uint8_t length = 0;
    char bytes[4] = {};
};

std::size_t Utf8Length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    return 4;
}

constexpr int kLeadCount = 0xFE - 0x81 + 1;
constexpr int kTrailCount = 0xFE - 0x40 + 1;

// Built once from the code-page converter itself, so both always agree on every code.
const std::array<Utf8Char, kLeadCount * kTrailCount> &TwoByteTable()
{
    static const auto table = [] {
        std::array<Utf8Char, kLeadCount * kTrailCount> t{};
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const std::string utf8 = ConvertCodePage({code, 2}, CodePage::Ansi, CodePage::Utf8);
                // A rejected code comes back as U+FFFD plus the trail byte: two characters.
                if (utf8.empty() || utf8.size() > 4 ||
                    Utf8Length(static_cast<unsigned char>(utf8[0])) != utf8.size())
                    continue;
                Utf8Char &entry = t[(lead - 0x81) * kTrailCount + (trail - 0x40)];
                entry.length = static_cast<std::uint8_t>(utf8.size());
                std::memcpy(entry.bytes, utf8.data(), utf8.size());
            }
        }
        return t;
    }();
    return table;
}

// Converts one four-byte code; empty when it is no character. Four-byte codes are rare in
// pages, so the general converter is good enough for them.
std::string FourByteChar(const unsigned char *code)
{
    std::string utf8 =
        ConvertCodePage({reinterpret_cast<const char *>(code), 4}, CodePage::Ansi, CodePage::Utf8);
    if (utf8.empty() || Utf8Length(static_cast<unsigned char>(utf8[0])) != utf8.size())
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
    const auto &table = TwoByteTable();
    m_utf8.reserve(n + n / 4 + 16);

    std::size_t i = 0;
    while (i < n) {
        std::size_t run = i;
        while (run < n && s[run] < 0x80)
            ++run;
        m_utf8.append(text.data() + i, run - i);
        i = run;
        if (i == n)
            break;

        const unsigned char lead = s[i];
        std::size_t used = 1;
        bool done = false;
        if (lead >= 0x81 && lead <= 0xFE && i + 1 < n) {
            const unsigned char second = s[i + 1];
            if (second >= 0x40 && second <= 0xFE) {
                const Utf8Char &c = table[(lead - 0x81) * kTrailCount + (second - 0x40)];
                if (c.length > 0) {
                    m_utf8.append(c.bytes, c.length);
                    used = 2;
                    done = true;
                }
            } else if (second >= 0x30 && second <= 0x39 && i + 3 < n && s[i + 2] >= 0x81 &&
                       s[i + 2] <= 0xFE && s[i + 3] >= 0x30 && s[i + 3] <= 0x39) {
                const std::string c = FourByteChar(s + i);
                if (!c.empty()) {
                    m_utf8 += c;
                    used = 4;
                    done = true;
                }
            }
        }
        if (!done)
            m_utf8 += kReplacement; // one bad byte; go on with the next
        i += used;
        m_checkpoints.push_back(
            {static_cast<std::uint32_t>(m_utf8.size()), static_cast<std::uint32_t>(i)});
    }
}

std::size_t RegexSubject::TextOffset(std::size_t utf8Offset) const
{
    const auto after =
        std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), utf8Offset,
                         [](std::size_t offset, const Checkpoint &c) { return offset < c.utf8; });
    if (after == m_checkpoints.begin())
        return std::min(utf8Offset, m_text.size());
    const Checkpoint &c = *(after - 1);
    return std::min<std::size_t>(c.text + (utf8Offset - c.utf8), m_text.size());
}

std::size_t RegexSubject::Utf8CharLength(std::size_t utf8Offset) const
{
    if (utf8Offset >= m_utf8.size())
        return 1;
    return std::min(Utf8Length(static_cast<unsigned char>(m_utf8[utf8Offset])),
                    m_utf8.size() - utf8Offset);
}

} // namespace jiujiu
