#pragma once

#include "runtime/value.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct UCollator;

namespace jiujiu {

// The order in which people expect names: the locale's collation (pinyin under a Chinese
// locale), numbers by their value ("第2期" before "第10期"), letters without regard to case,
// full-width Latin like half-width. The root order where the locale has none of its own or is
// C/POSIX. The window and jiujiu-cli sort through the same collator, so they agree.
class Collator final
{
public:
    // An ICU or POSIX locale name: "zh_CN", "zh_CN.UTF-8", "en_US@euro"; "", "C" and "POSIX"
    // give the root order.
    explicit Collator(std::string_view locale);
    ~Collator();
    Collator(const Collator &) = delete;
    Collator &operator=(const Collator &) = delete;

    // The collation locale of this process's environment: LC_ALL, else LC_COLLATE, else LANG.
    static std::string EnvironmentLocale();
    // The collator for EnvironmentLocale(), made on first use.
    static const Collator &ForEnvironment();

    // The ICU locale the order comes from ("" for the root order).
    const std::string &locale() const;

    // Bytes that compare (as unsigned bytes, shorter first on a common prefix) in the order
    // of the texts. Texts are runtime texts.
    std::string sortKey(std::string_view text) const;
    // <0, 0 or >0 as a sorts before, alike or after b.
    int compare(std::string_view a, std::string_view b) const;

private:
    struct Deleter
    {
        void operator()(UCollator *collator) const;
    };

    const UCollator *opened() const;

    // Opened on first use; the locale falls back to the root order if it cannot be.
    mutable std::once_flag m_opening;
    mutable std::string m_locale;
    mutable std::unique_ptr<UCollator, Deleter> m_collator;
};

} // namespace jiujiu
