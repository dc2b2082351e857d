#pragma once

#include "results/ed2klink.h"
#include "results/filetype.h"
#include "results/resultjudgement.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace jiujiu {

class ResultRow;

// The verdicts on the rows of one list: each row's type and extension, whether its link is
// broken, and which suspicion rules hold for it. Rows are numbered from 0 in list order.
//
// Row rules are worked out when a row is added or changed; list rules when settle() is called,
// for the rows their facts changed for (the rows added, the other rows under their name, and
// every row when the list's main type changes), so listing a page costs that page.
class ResultJudge final
{
public:
    using RowSource = std::function<const ResultRow &(std::size_t row)>;

    void clear();
    std::size_t rowCount() const { return m_rows.size(); }

    void append(const ResultRow &row);
    // Reads a row again after one of its cells changed.
    void update(std::size_t row, const ResultRow &result);
    // Reads every row again: for rows inserted or removed amid the list.
    void rebuild(std::size_t count, const RowSource &rows);

    // Works out the list rules for what changed since the last call; nothing to do is cheap.
    void settle(const RowSource &rows);
    bool isSettled() const
    {
        return m_pending.empty() && m_dirtyGroups.empty() && !m_countsChanged;
    }
    // Rows whose verdict changed since the last call, ascending and each once, rows added
    // since then left out.
    std::vector<std::size_t> takeChanged();

    FileType type(std::size_t row) const { return m_rows[row].type; }
    const std::string &extension(std::size_t row) const { return m_rows[row].extension; }
    Ed2kLink::Problem linkProblem(std::size_t row) const { return m_rows[row].problem; }
    bool brokenLink(std::size_t row) const
    {
        return m_rows[row].problem != Ed2kLink::Problem::None;
    }
    // Some suspicion rule holds, as of the last settle().
    bool suspicious(std::size_t row) const
    {
        return (m_rows[row].rowBits | m_rows[row].listBits) != 0;
    }

    // The row's warnings: a broken link first, then each rule that holds, in table order.
    // result is the row itself (the judge keeps no texts).
    std::vector<Warning> warnings(std::size_t row, const ResultRow &result) const;
    // The warnings of several rows (a merged row's copies, the one shown first), each text once;
    // one only a later row has is told with its serial: "序号 7：…".
    std::vector<Warning> warnings(const std::vector<std::size_t> &rows,
                                  const RowSource &source) const;

private:
    struct Row
    {
        std::string extension;
        std::optional<std::int64_t> sources;
        std::optional<std::uint64_t> fileBytes;
        FileId file;
        std::int32_t group = -1; // rows without a name key or a hash are in none
        std::uint32_t slot = 0;  // place among the group's members
        std::uint32_t stamp = 0; // the settle round it was last queued for
        std::uint16_t rowBits = 0;
        std::uint16_t listBits = 0;
        std::uint16_t verdictBefore = 0; // when queued: verdict() to compare with
        FileType type = FileType::Other;
        Ed2kLink::Problem problem = Ed2kLink::Problem::Empty;
        bool fresh = false; // added since the last settle
    };
    // The files listed under one name key.
    struct Group
    {
        std::vector<std::uint32_t> members;
        std::size_t files = 0;
        std::uint64_t smallest = 0;
        std::uint64_t largest = 0;
        FileId top;
        bool topAlone = false; // top has more sources than each other file
        std::int64_t topSources = 0;
        std::int64_t runnerUp = 0;
        bool dirty = false;
    };

    // The rules that hold and, above them, whether the link is broken.
    static std::uint16_t Verdict(const Row &row);
    void read(std::size_t row, const ResultRow &result);
    void leave(std::size_t row);
    void queue(std::size_t row);
    void markDirty(std::int32_t group);
    void recount(Group &group) const;
    ListFacts listFacts(const Row &row) const;
    // What list rules read of a row: its file. storage holds a converted name when needed.
    static RowFacts FileFacts(const Row &row, const ResultRow &result, std::string &storage);
    std::uint16_t listBits(const RowFacts &facts, const ListFacts &list) const;

    std::vector<Row> m_rows;
    std::vector<Group> m_groups;
    std::unordered_map<std::string, std::int32_t> m_groupOfName;
    std::vector<std::int32_t> m_dirtyGroups;
    std::vector<std::uint32_t> m_pending;
    std::vector<std::size_t> m_changed;
    std::uint32_t m_round = 1;
    std::size_t m_mediaRows = 0;
    std::size_t m_typedRows = 0;
    bool m_mostlyMedia = false;
    bool m_countsChanged = false;
};

} // namespace jiujiu
