#include "results/collator.h"

#include "runtime/codepage.h"

#include <cstdlib>
#include <mutex>
#include <unicode/ucol.h>

namespace jiujiu {
namespace {

// "zh_CN.UTF-8@pinyin" -> "zh_CN"; C and POSIX have no order of their own.
std::string IcuLocale(std::string_view posix)
{
    const std::size_t end = posix.find_first_of(".@");
    std::string name(posix.substr(0, end));
    if (name == "C" || name == "POSIX")
        return {};
    return name;
}

} // namespace

void Collator::Deleter::operator()(UCollator *collator) const
{
    ucol_close(collator);
}

Collator::Collator(std::string_view locale) : m_locale(IcuLocale(locale)) {}

const UCollator *Collator::opened() const
{
    // Opening costs ICU's data for the locale: only a list that is sorted pays for it.
    std::call_once(m_opening, [this] {
        UErrorCode status = U_ZERO_ERROR;
        m_collator.reset(ucol_open(m_locale.c_str(), &status));
        if (U_FAILURE(status) || !m_collator) {
            status = U_ZERO_ERROR;
            m_locale.clear();
            m_collator.reset(ucol_open("", &status));
        }
        if (!m_collator)
            return;
        // Secondary strength: case (and width) make no difference, accents still do.
        ucol_setStrength(m_collator.get(), UCOL_SECONDARY);
        status = U_ZERO_ERROR;
        ucol_setAttribute(m_collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    });
    return m_collator.get();
}

const std::string &Collator::locale() const
{
    opened();
    return m_locale;
}

Collator::~Collator() = default;

std::string Collator::EnvironmentLocale()
{
    for (const char *variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char *value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return {};
}

const Collator &Collator::ForEnvironment()
{
    static const Collator collator(EnvironmentLocale());
    return collator;
}

std::string Collator::sortKey(std::string_view text) const
{
    const UCollator *collator = opened();
    if (!collator)
        return TextToUtf8(text);
    const std::u16string utf16 = TextToUtf16(text);
    const auto *units = reinterpret_cast<const UChar *>(utf16.data());
    const auto length = static_cast<std::int32_t>(utf16.size());
    std::string key(utf16.size() * 3 + 16, '\0');
    auto *out = reinterpret_cast<std::uint8_t *>(key.data());
    std::int32_t needed =
        ucol_getSortKey(collator, units, length, out, static_cast<std::int32_t>(key.size()));
    if (needed > static_cast<std::int32_t>(key.size())) {
        key.resize(static_cast<std::size_t>(needed));
        out = reinterpret_cast<std::uint8_t *>(key.data());
        needed = ucol_getSortKey(collator, units, length, out, needed);
    }
    // Without the terminating zero byte, so keys compare as plain byte strings.
    key.resize(needed > 0 ? static_cast<std::size_t>(needed - 1) : 0);
    return key;
}

int Collator::compare(std::string_view a, std::string_view b) const
{
    const std::string ka = sortKey(a);
    const std::string kb = sortKey(b);
    return ka < kb ? -1 : kb < ka ? 1 : 0;
}

} // namespace jiujiu
