#pragma once

#include "results/duplicategroups.h"
#include "results/filetype.h"
#include "results/resultjudge.h"
#include "results/resultorder.h"
#include "results/resultrow.h"
#include "results/rowstatus.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jiujiu {

class ClientMarker;
class Collator;
class ResultFilter;
class SeenFiles;

// The rows of one result list and everything worked out from them, for the window and
// jiujiu-cli alike: what each row says by itself (its file's type and extension, whether its
// link is broken, its folded text for the filter, its client status), the duplicate groups,
// the verdicts of the judging, and from those what a front end shows: a row merged or not, its
// members, warnings and hint, whether a filter accepts it, and the order of a sort.
//
// Rows are numbered from 0 in the order they were listed and held a page a block, so a page is
// taken over whole and a million rows never move to grow. A list that neither judges nor groups
// can let go of the rows it holds (release()): they keep their numbers, and reading one is an
// error.
class ResultList final
{
public:
    // Columns after the five that sort: the type and the warnings.
    static constexpr int TypeColumn = kResultColumnCount;
    static constexpr int HintColumn = kResultColumnCount + 1;
    // The client's status (sorted 新, 已有, 下载中, 已取消, 已交给客户端).
    static constexpr int StatusColumn = kResultColumnCount + 2;

    struct Options
    {
        bool judge = true; // verdicts on the rows (suspicion, warnings)
        bool group = true; // duplicate groups, for the merged list
        // What is worked out from a row (sort keys included) made as it comes, and sort keys
        // kept: a list filtered and sorted again and again, where a click only compares.
        // Without, worked out when first asked and sort keys made for each sort.
        bool eager = true;
    };

    explicit ResultList(const Collator &collator);
    ResultList(const Collator &collator, Options options);
    ~ResultList();
    ResultList(const ResultList &) = delete;
    ResultList &operator=(const ResultList &) = delete;

    const Options &options() const { return m_options; }
    const Collator &collator() const { return m_collator; }

    // Rows listed, held or let go.
    std::size_t count() const { return m_released + m_held; }
    bool holds(std::size_t row) const { return row >= m_released && row < count(); }
    // A held row.
    const ResultRow &row(std::size_t row) const;

    // Appends a page. Answers the rows listed before it whose look changed: a group that gained
    // a copy, verdicts that the page changed.
    std::vector<std::size_t> append(std::vector<ResultRow> rows);
    // Appends one row, judged when next read.
    void append(ResultRow row);
    // Inserts before a held row (or appends); later rows move down by one.
    void insert(std::size_t at, ResultRow row);
    // Changes a cell of a held row; answers the other rows whose look changed (a group's first
    // row). The verdicts follow when next read.
    std::vector<std::size_t> setCell(std::size_t row, int column, const Text &text);
    void clear();
    // Lets go of every row held (a list that neither judges nor groups).
    void release();

    // Where rows get their status from (it must outlive the list; none: every row is new).
    // remark() reads every status again after the marker changed and answers the rows whose
    // status changed.
    void setMarker(const ClientMarker *marker) { m_marker = marker; }
    std::vector<std::size_t> remark();
    // What earlier runs of a saved search listed (it must outlive the list; none: nothing is
    // new). Given before the rows come: a row is judged new when it is worked out.
    void setSeenFiles(const SeenFiles *seen) { m_seen = seen; }

    // What a held row says by itself, worked out once (as it comes or when first asked; again
    // after its name or link changed).
    FileType type(std::size_t row) const { return facts(row).type; }
    const std::string &extension(std::size_t row) const { return facts(row).extension; }
    bool brokenLink(std::size_t row) const { return facts(row).broken; }
    const std::string &matchKey(std::size_t row) const { return facts(row).matchKey; }
    const RowMark &mark(std::size_t row) const { return facts(row).mark; }
    // New since the saved search last ran: a well-formed link to a file no earlier run listed.
    bool isNew(std::size_t row) const { return facts(row).fresh; }

    // The groups and verdicts (only with Options::group and Options::judge), up to date with
    // every cell.
    const DuplicateGroups &duplicates() const { return m_groups; }
    const ResultJudge &judge() const;
    // Rows whose verdicts changed since the last call, with the merged rows that show them.
    std::vector<std::size_t> takeJudged();

    // Whether a row is shown by itself: every row, or a group's first while merging.
    bool isShown(std::size_t row, bool merged) const;
    // The rows a shown row stands for, its own first.
    std::vector<std::size_t> members(std::size_t row, bool merged) const;
    std::size_t copies(std::size_t row, bool merged) const;
    // The row as shown: merged, with the group's highest source count.
    ResultRow shownRow(std::size_t row, bool merged) const;
    const Text &shownCell(std::size_t row, int column, bool merged) const;
    std::optional<std::int64_t> shownSources(std::size_t row, bool merged) const;
    bool suspicious(std::size_t row, bool merged) const;
    std::vector<Warning> warnings(std::size_t row, bool merged) const;
    // The text of the 提示 column, and of an export's 提示 (with the file's other listings).
    std::string hint(std::size_t row, bool merged, bool withListings) const;
    // Whether the row is shown and the filter accepts it as shown.
    bool accepts(std::size_t row, const ResultFilter &filter, bool merged) const;
    // What a row sorts by in a column (the five, TypeColumn, HintColumn or StatusColumn) as
    // shown.
    SortKey sortKey(std::size_t row, int column, bool merged) const;
    // The held rows a filter accepts, in the order of the sort (none: list order).
    std::vector<std::size_t> shownOrder(const ResultFilter &filter, bool merged,
                                        const std::optional<SortRequest> &sort) const;

private:
    // What is worked out from a row once. A new per-row fact goes here and into derive().
    struct Facts
    {
        bool derived = false;
        bool broken = true;
        FileType type = FileType::Other;
        std::string extension;
        std::string matchKey;
        RowMark mark;
        bool fresh = false; // new since the saved search last ran
        std::optional<SortKey> nameKey;
        std::optional<SortKey> linkKey;
    };
    struct Block
    {
        std::size_t start = 0;
        std::vector<ResultRow> rows;
        mutable std::vector<Facts> facts;
    };

    std::pair<std::size_t, std::size_t> locate(std::size_t row) const;
    Facts &factsOf(std::size_t row) const;
    const Facts &facts(std::size_t row) const;
    void derive(const ResultRow &row, Facts &facts) const;
    void makeKeys(const ResultRow &row, Facts &facts) const;
    ResultJudge::RowSource rowSource() const;

    const Collator &m_collator;
    Options m_options;
    std::vector<Block> m_blocks;
    std::size_t m_held = 0;
    std::size_t m_released = 0; // rows let go, before the first held
    DuplicateGroups m_groups;
    mutable ResultJudge m_judge; // settled when read
    const ClientMarker *m_marker = nullptr;
    const SeenFiles *m_seen = nullptr;
};

} // namespace jiujiu
