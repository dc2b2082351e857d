#pragma once

#include "results/filetype.h"
#include "results/filtergrammar.h"
#include "results/judgementterms.h"
#include "results/rowstatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

// A row as the filter sees it, put together by the list that shows the row (the window's
// proxy, jiujiu-cli) from the row's typed fields and what the list knows of it.
struct FilterSubject
{
    std::string_view matchKey; // the folded name and link (ResultFilter::MatchKey)
    std::optional<std::uint64_t> bytes;
    std::optional<std::int64_t> sources; // as shown: a merged row's highest among its copies
    FileType type = FileType::Other;
    std::string_view extension; // lower case, as FileExtension gives it
    bool brokenLink = false;
    bool suspicious = false;           // as shown: a merged row's copies together
    RowStatus status = RowStatus::New; // what the user's ed2k client knows of the file
    // New since the saved search last ran (ResultList::isNew); a plain search has none.
    bool newSinceLastRun = false;
};

// Which result rows to show. Parsed from an expression (UTF-8):
//   word          rows whose name or link holds the word
//   -word         rows whose name and link do not hold it
//   "two words"   a phrase, blanks included; -"two words" excludes it. A phrase ends at its
//                 closing quote, at a line end (CR or LF) or with the expression.
//   size>=700MB   size bounds: size>, size>=, size<, size<= with any unit ParseSizeText takes
//   sources>=10   minimum sources: sources> and sources>= (大小 and 资源数 work as well)
//   type:视频, ext:mkv, 链接无效, 可疑, 新: what a row is (JudgementTerms)
//   status:已有   rows of that status (已有, 下载中, 已取消, 无, 已交给客户端, or known,
//                 downloading, cancelled, none, handed; 状态: works as well); -status:已有
//                 leaves them out
// FilterTerms() is the table of these terms, with their field names and help.
// Terms are ANDed and compared without case. A term that begins with a field name and a
// comparison sign (<, > or =) is a bound: one that does not read as one is an error, never a
// word. Rows of unknown size fail any size bound; of unknown sources, a minimum.
//
// Matching works on UTF-8, not on the runtime's GB18030 texts, whose trail bytes can be ASCII
// letters: a byte search there could match half a character.
class ResultFilter final
{
public:
    // A term that reads as a bound but is not one.
    struct Error
    {
        using Reason = FilterErrorReason;
        Reason reason = Reason::MissingSize;
        std::string term;       // as typed
        std::string comparison; // as typed: "<=", "="
        std::string value;      // as typed, after the comparison

        // "'size>=': a size is missing after '>='", for the command line.
        std::string what() const;
        // The reason alone ("a size is missing after '>='"), in either language.
        std::string reasonText(FilterLanguage language) const;
        friend bool operator==(const Error &, const Error &) = default;
    };

    ResultFilter() = default; // accepts every row

    // The filter, or none with error set to the first term that cannot be read.
    static std::optional<ResultFilter> Parse(std::string_view expression, Error &error);
    // Leaves out the terms that cannot be read, for callers that have checked the expression.
    static ResultFilter Parse(std::string_view expression);

    bool isEmpty() const;

    // Bounds from the window's own fields; they narrow whatever the expression set.
    void restrictBytes(std::optional<std::uint64_t> minimum, std::optional<std::uint64_t> maximum);
    void restrictSources(std::optional<std::int64_t> minimum);
    void restrictType(FileType type) { m_judgement.restrictType(type); }
    void hideSuspicious() { m_judgement.hideSuspicious(); }
    // Leaves out rows of that status (the window's 隐藏已有).
    void excludeStatus(RowStatus status);
    bool acceptsStatus(RowStatus status) const;

    // What the filter compares with: the folded name and link of a row, made once per row.
    static std::string MatchKey(std::string_view nameUtf8, std::string_view linkUtf8);
    // Lower case for ASCII, full-width Latin, Latin-1, Greek and Cyrillic letters.
    static std::string FoldCase(std::string_view utf8);

    bool accepts(const FilterSubject &row) const;

    // True when every row this filter accepts is accepted by previous as well, so rows that
    // previous rejected need no second look.
    bool narrows(const ResultFilter &previous) const;

    const std::vector<std::string> &included() const { return m_included; }
    const std::vector<std::string> &excluded() const { return m_excluded; }
    std::optional<std::uint64_t> minimumBytes() const { return m_minBytes; }
    std::optional<std::uint64_t> maximumBytes() const { return m_maxBytes; }
    std::optional<std::int64_t> minimumSources() const { return m_minSources; }
    const JudgementTerms &judgement() const { return m_judgement; }

    friend bool operator==(const ResultFilter &, const ResultFilter &) = default;

private:
    // Each applies a term ReadFilterTerm read, or describes in error why it cannot be read.
    void applyBound(const FilterFieldTerm &term, std::string_view token, bool negated,
                    std::optional<Error> &error);
    void applyJudgementTerm(const FilterFieldTerm &term, std::string_view token, bool negated,
                            std::optional<Error> &error);
    void applyStatus(const FilterFieldTerm &term, std::string_view token, bool negated,
                     std::optional<Error> &error);
    static ResultFilter ParseTerms(std::string_view expression, std::optional<Error> &error);

    std::vector<std::string> m_included; // folded
    std::vector<std::string> m_excluded; // folded
    std::optional<std::uint64_t> m_minBytes;
    std::optional<std::uint64_t> m_maxBytes;
    std::optional<std::int64_t> m_minSources;
    JudgementTerms m_judgement;
    static constexpr std::uint8_t kEveryStatus = (1u << kRowStatusCount) - 1;
    std::uint8_t m_statuses = kEveryStatus; // a bit for each RowStatus accepted
};

} // namespace jiujiu
