#include "results/resultfilter.h"

#include "results/sizetext.h"
#include "runtime/asciicase.h"
#include "runtime/utf8.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_set>

namespace jiujiu {
namespace {

constexpr std::string_view IdeographicSpace = "\xE3\x80\x80";
constexpr std::string_view LeftQuote = "\xE2\x80\x9C";  // “
constexpr std::string_view RightQuote = "\xE2\x80\x9D"; // ”

// Length of the blank at the front of s, 0 when there is none.
std::size_t BlankLength(std::string_view s)
{
    if (s.empty())
        return 0;
    if (s[0] == ' ' || s[0] == '\t' || s[0] == '\r' || s[0] == '\n')
        return 1;
    return s.starts_with(IdeographicSpace) ? IdeographicSpace.size() : 0;
}

// Length of an opening or closing quote at the front of s, 0 when there is none.
std::size_t QuoteLength(std::string_view s)
{
    if (s.starts_with('"'))
        return 1;
    if (s.starts_with(LeftQuote) || s.starts_with(RightQuote))
        return LeftQuote.size();
    return 0;
}

struct Token
{
    std::string text;
    bool negated = false;
    bool quoted = false;
};

std::vector<Token> Tokens(std::string_view s)
{
    std::vector<Token> tokens;
    while (!s.empty()) {
        if (const std::size_t blank = BlankLength(s)) {
            s.remove_prefix(blank);
            continue;
        }
        Token token;
        if (s.size() > 1 && s[0] == '-' && !BlankLength(s.substr(1))) {
            token.negated = true;
            s.remove_prefix(1);
        }
        if (const std::size_t open = QuoteLength(s)) {
            token.quoted = true;
            s.remove_prefix(open);
            // The phrase ends at the next quote, at a line end or with the expression: a
            // phrase never holds CR or LF, so it cannot span the name and the link of a row.
            std::size_t end = 0;
            while (end < s.size() && s[end] != '\r' && s[end] != '\n' &&
                   !QuoteLength(s.substr(end)))
                ++end;
            token.text = std::string(s.substr(0, end));
            s.remove_prefix(end);
            s.remove_prefix(QuoteLength(s));
        } else {
            std::size_t end = 0;
            while (end < s.size() && !BlankLength(s.substr(end)))
                ++end;
            token.text = std::string(s.substr(0, end));
            s.remove_prefix(end);
        }
        if (!token.text.empty())
            tokens.push_back(std::move(token));
    }
    return tokens;
}

char32_t FoldCodePoint(char32_t cp)
{
    if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) ||
        (cp >= 0x410 && cp <= 0x42F))
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    if (cp >= 0xFF21 && cp <= 0xFF3A) // full-width Ａ-Ｚ
        return cp + 0x20;
    return cp;
}

// The comparison sign at the front of s (<, > or =, also full-width), advancing length past
// it; 0 when there is none.
char ComparisonSign(std::string_view s, std::size_t &length)
{
    static constexpr std::array<std::pair<std::string_view, char>, 6> signs = {{
        {"<", '<'},
        {">", '>'},
        {"=", '='},
        {"\xEF\xBC\x9C", '<'}, // ＜
        {"\xEF\xBC\x9E", '>'}, // ＞
        {"\xEF\xBC\x9D", '='}, // ＝
    }};
    for (const auto &[text, sign] : signs) {
        if (s.starts_with(text)) {
            length += text.size();
            return sign;
        }
    }
    return 0;
}

// The value with every digit 0: it reads as a size or count exactly when the value has the
// right shape, so a value that only fails as it stands is too large.
std::string DigitsZeroed(std::string_view value)
{
    std::string out(value);
    for (char &c : out)
        if (c >= '1' && c <= '9')
            c = '0';
    return out;
}

bool Contains(std::string_view haystack, const std::string &needle)
{
#ifdef __GLIBC__
    // glibc's two-way search: several times faster than find() on UTF-8 Chinese, where the
    // first byte of a needle starts a character every few bytes.
    return ::memmem(haystack.data(), haystack.size(), needle.data(), needle.size()) != nullptr;
#else
    return haystack.find(needle) != std::string_view::npos;
#endif
}

// Substring comparisons narrows() may make; past them it answers false, which only costs a
// second look at rows, so a filter of thousands of terms never stalls the window.
constexpr std::size_t kNarrowingComparisons = std::size_t{1} << 16;

// Whether each of theirs is covered by one of mine. Equal terms are found by value, so typing
// on at the end of a long expression costs one scan for the term that changed.
template <class Covers>
bool EveryTermCovered(const std::vector<std::string> &theirs, const std::vector<std::string> &mine,
                      std::size_t &budget, Covers covers)
{
    if (theirs.empty())
        return true;
    const std::unordered_set<std::string_view> equal(mine.begin(), mine.end());
    for (const std::string &term : theirs) {
        if (equal.contains(term))
            continue;
        bool covered = false;
        for (const std::string &candidate : mine) {
            if (budget == 0)
                return false;
            --budget;
            if (covers(candidate, term)) {
                covered = true;
                break;
            }
        }
        if (!covered)
            return false;
    }
    return true;
}

template <class T>
bool AtLeastAsHigh(const std::optional<T> &mine, const std::optional<T> &theirs)
{
    return !theirs || (mine && *mine >= *theirs);
}

template <class T>
bool AtLeastAsLow(const std::optional<T> &mine, const std::optional<T> &theirs)
{
    return !theirs || (mine && *mine <= *theirs);
}

template <class T>
void RaiseTo(std::optional<T> &bound, T value)
{
    bound = bound ? std::max(*bound, value) : value;
}

template <class T>
void LowerTo(std::optional<T> &bound, T value)
{
    bound = bound ? std::min(*bound, value) : value;
}

} // namespace

std::string ResultFilter::FoldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char c = utf8[i];
        if (static_cast<unsigned char>(c) < 0x80) {
            out += AsciiToLower(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(utf8, i, cp);
        if (length == 0) {
            out += c; // not UTF-8: kept as it is
            ++i;
            continue;
        }
        AppendUtf8(out, FoldCodePoint(cp));
        i += length;
    }
    return out;
}

std::string ResultFilter::MatchKey(std::string_view nameUtf8, std::string_view linkUtf8)
{
    // A line feed between them: no term spans the two, since terms never hold one.
    std::string key = FoldCase(nameUtf8);
    key += '\n';
    key += FoldCase(linkUtf8);
    return key;
}

void ResultFilter::applyBound(const FilterFieldTerm &term, std::string_view token, bool negated,
                              std::optional<Error> &error)
{
    const bool isSize = term.kind == FilterTermKind::SizeBound;
    const std::string_view rest = term.value;
    // The comparison: every sign up to the value, full-width ones (typed with a Chinese input
    // method) read as their ASCII twins.
    std::string comparison;
    std::size_t signsLength = 0;
    while (const char sign = ComparisonSign(rest.substr(signsLength), signsLength))
        comparison += sign;
    const std::string_view value = rest.substr(signsLength);
    const auto fail = [&](Error::Reason reason) {
        error = Error{reason, (negated ? "-" : "") + std::string(token),
                      std::string(rest.substr(0, signsLength)), std::string(value)};
    };
    if (comparison != ">" && comparison != ">=" && comparison != "<" && comparison != "<=")
        return fail(Error::Reason::NoSuchComparison);
    const bool greater = comparison[0] == '>';
    const bool inclusive = comparison.size() == 2;
    if (!isSize && !greater)
        return fail(Error::Reason::SourcesMinimumOnly);
    if (negated)
        return fail(Error::Reason::ExcludedBound);
    if (value.empty())
        return fail(isSize ? Error::Reason::MissingSize : Error::Reason::MissingCount);
    if (isSize) {
        const auto bytes = ParseSizeText(value);
        if (!bytes)
            return fail(ParseSizeText(DigitsZeroed(value)) ? Error::Reason::SizeTooLarge
                                                           : Error::Reason::NotASize);
        if (greater) {
            if (!inclusive && *bytes == UINT64_MAX)
                return fail(Error::Reason::SizeTooLarge);
            RaiseTo(m_minBytes, inclusive ? *bytes : *bytes + 1);
        } else if (!inclusive && *bytes == 0) {
            // size<0: nothing has a negative size.
            RaiseTo(m_minBytes, std::uint64_t{1});
            LowerTo(m_maxBytes, std::uint64_t{0});
        } else {
            LowerTo(m_maxBytes, inclusive ? *bytes : *bytes - 1);
        }
        return;
    }
    const auto count = ParseCountText(value);
    if (!count)
        return fail(ParseCountText(DigitsZeroed(value)) ? Error::Reason::CountTooLarge
                                                        : Error::Reason::NotACount);
    if (!inclusive && *count == INT64_MAX)
        return fail(Error::Reason::CountTooLarge);
    RaiseTo(m_minSources, inclusive ? *count : *count + 1);
}

void ResultFilter::applyStatus(const FilterFieldTerm &term, std::string_view token, bool negated,
                               std::optional<Error> &error)
{
    const auto status = ParseRowStatus(term.value);
    if (!status) {
        error =
            Error{term.value.empty() ? Error::Reason::MissingStatus : Error::Reason::UnknownStatus,
                  (negated ? "-" : "") + std::string(token), ":", std::string(term.value)};
        return;
    }
    const auto bit = static_cast<std::uint8_t>(1u << static_cast<unsigned>(*status));
    m_statuses &= negated ? static_cast<std::uint8_t>(~bit) : bit;
}

void ResultFilter::excludeStatus(RowStatus status)
{
    m_statuses &= static_cast<std::uint8_t>(~(1u << static_cast<unsigned>(status)));
}

bool ResultFilter::acceptsStatus(RowStatus status) const
{
    return (m_statuses >> static_cast<unsigned>(status)) & 1u;
}

ResultFilter ResultFilter::ParseTerms(std::string_view expression, std::optional<Error> &error)
{
    ResultFilter filter;
    // Seen terms by value: a long expression must not compare every term with every other.
    std::unordered_set<std::string> seenIncluded;
    std::unordered_set<std::string> seenExcluded;
    for (Token &token : Tokens(expression)) {
        if (const auto term = token.quoted ? std::nullopt : ReadFilterTerm(token.text)) {
            std::optional<Error> bad;
            if (term->kind == FilterTermKind::SizeBound ||
                term->kind == FilterTermKind::SourcesBound)
                filter.applyBound(*term, token.text, token.negated, bad);
            else if (term->kind == FilterTermKind::Status)
                filter.applyStatus(*term, token.text, token.negated, bad);
            else
                filter.applyJudgementTerm(*term, token.text, token.negated, bad);
            if (bad && !error)
                error = std::move(bad);
            continue;
        }
        std::string folded = FoldCase(token.text);
        auto &seen = token.negated ? seenExcluded : seenIncluded;
        if (seen.insert(folded).second)
            (token.negated ? filter.m_excluded : filter.m_included).push_back(std::move(folded));
    }
    return filter;
}

std::optional<ResultFilter> ResultFilter::Parse(std::string_view expression, Error &error)
{
    std::optional<Error> bad;
    ResultFilter filter = ParseTerms(expression, bad);
    if (bad) {
        error = std::move(*bad);
        return std::nullopt;
    }
    return filter;
}

ResultFilter ResultFilter::Parse(std::string_view expression)
{
    std::optional<Error> ignored;
    return ParseTerms(expression, ignored);
}

std::string ResultFilter::Error::reasonText(FilterLanguage language) const
{
    return FilterErrorText(reason, value, comparison, language);
}

std::string ResultFilter::Error::what() const
{
    return "'" + term + "': " + reasonText(FilterLanguage::English);
}

bool ResultFilter::isEmpty() const
{
    return m_included.empty() && m_excluded.empty() && !m_minBytes && !m_maxBytes &&
           !m_minSources && m_judgement.isEmpty() && m_statuses == kEveryStatus;
}

void ResultFilter::restrictBytes(std::optional<std::uint64_t> minimum,
                                 std::optional<std::uint64_t> maximum)
{
    if (minimum)
        RaiseTo(m_minBytes, *minimum);
    if (maximum)
        LowerTo(m_maxBytes, *maximum);
}

void ResultFilter::restrictSources(std::optional<std::int64_t> minimum)
{
    if (minimum)
        RaiseTo(m_minSources, *minimum);
}

bool ResultFilter::accepts(const FilterSubject &row) const
{
    if (!acceptsStatus(row.status))
        return false;
    if (m_minBytes || m_maxBytes) {
        const auto &bytes = row.bytes;
        if (!bytes || (m_minBytes && *bytes < *m_minBytes) || (m_maxBytes && *bytes > *m_maxBytes))
            return false;
    }
    if (m_minSources && (!row.sources || *row.sources < *m_minSources))
        return false;
    if (!m_judgement.accepts(row))
        return false;
    for (const std::string &term : m_included)
        if (!Contains(row.matchKey, term))
            return false;
    for (const std::string &term : m_excluded)
        if (Contains(row.matchKey, term))
            return false;
    return true;
}

bool ResultFilter::narrows(const ResultFilter &previous) const
{
    std::size_t budget = kNarrowingComparisons;
    return EveryTermCovered(previous.m_included, m_included, budget,
                            [](const std::string &mine, const std::string &theirs) {
                                return Contains(mine, theirs);
                            }) &&
           EveryTermCovered(previous.m_excluded, m_excluded, budget,
                            [](const std::string &mine, const std::string &theirs) {
                                return Contains(theirs, mine);
                            }) &&
           AtLeastAsHigh(m_minBytes, previous.m_minBytes) &&
           AtLeastAsLow(m_maxBytes, previous.m_maxBytes) &&
           AtLeastAsHigh(m_minSources, previous.m_minSources) &&
           m_judgement.narrows(previous.m_judgement) && (m_statuses & ~previous.m_statuses) == 0;
}

void ResultFilter::applyJudgementTerm(const FilterFieldTerm &term, std::string_view token,
                                      bool negated, std::optional<Error> &error)
{
    using Outcome = JudgementTerms::Outcome;
    const Outcome outcome = m_judgement.apply(term, negated);
    if (outcome == Outcome::Applied || outcome == Outcome::NotMine)
        return;
    const Error::Reason reason = outcome == Outcome::MissingType ? Error::Reason::MissingType
                                 : outcome == Outcome::UnknownType
                                     ? Error::Reason::UnknownType
                                     : Error::Reason::MissingExtension;
    error = Error{reason, (negated ? "-" : "") + std::string(token), {}, std::string(term.value)};
}

} // namespace jiujiu
