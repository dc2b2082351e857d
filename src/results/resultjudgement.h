#pragma once

#include "results/ed2klink.h"
#include "results/suspicionrules.h"

#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

class ResultRow;

// Something wrong with a result, in words (UTF-8), with the name of the rule that found it:
// "broken-link" for a link that is not a well-formed ed2k file link, else a SuspicionRule id.
struct Warning
{
    std::string_view rule;
    std::string text;

    friend bool operator==(const Warning &, const Warning &) = default;
};

inline constexpr std::string_view kBrokenLinkRule = "broken-link";

// Why a link is not a well-formed ed2k file link, for the user; empty for a well-formed one.
std::string BrokenLinkReason(Ed2kLink::Problem problem);
// The warning of a broken link: "链接无效：" and the reason.
Warning BrokenLinkWarning(Ed2kLink::Problem problem);

// What the 提示 column says of a row: its warnings, then where else its file is listed (a
// merged row's other listings: serial, name and sources), all in one line.
std::string HintText(const std::vector<Warning> &warnings,
                     const std::vector<const ResultRow *> &otherListings = {});

// What a row says by itself, read once: its UTF-8 texts and the facts the rules look at.
class RowReading final
{
public:
    explicit RowReading(const ResultRow &row);
    RowReading(const RowReading &) = delete;
    RowReading &operator=(const RowReading &) = delete;

    const RowFacts &facts() const { return m_facts; }
    const std::string &extension() const { return m_extension; }

private:
    std::string m_name;
    std::string m_size;
    std::string m_extension;
    RowFacts m_facts;
};

} // namespace jiujiu
