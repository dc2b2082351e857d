#pragma once

#include "ed2kclient/fileid.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace jiujiu {

class ResultRow;

// Rows of one list grouped by the file their ed2k link names (hash and size): the site
// sometimes lists one file on several pages. Rows are numbered from 0 in list order; a group
// is shown as its first row, with the highest source count of its members.
class DuplicateGroups final
{
public:
    void clear();
    std::size_t rowCount() const { return m_rows.size(); }
    // Rows left once every group is merged into one.
    std::size_t groupCount() const { return m_groups.size() - m_freeGroups.size(); }

    // Adds a row at the end; answers the rows whose merged look changed.
    std::vector<std::size_t> append(std::optional<FileId> key, std::optional<std::int64_t> sources);
    // Changes a row's key or sources; answers the rows whose merged look changed.
    std::vector<std::size_t> update(std::size_t row, std::optional<FileId> key,
                                    std::optional<std::int64_t> sources);
    // Inserts a row before row (list rows below move down by one).
    void insert(std::size_t row, std::optional<FileId> key, std::optional<std::int64_t> sources);

    // The row that stands for this row's group: its first member.
    std::size_t first(std::size_t row) const;
    bool isFirst(std::size_t row) const { return first(row) == row; }
    std::size_t copies(std::size_t row) const;
    // The highest known source count in the row's group.
    std::optional<std::int64_t> groupSources(std::size_t row) const;
    // The member holding that count (the first of them on a tie; the first row if none known).
    std::size_t sourcesRow(std::size_t row) const;
    // Every row of the row's group, ascending (the first is the one shown).
    const std::vector<std::size_t> &members(std::size_t row) const;

private:
    struct Row
    {
        std::optional<FileId> key; // none: the link names no file, never merged
        std::optional<std::int64_t> sources;
        std::size_t group = 0;
    };
    struct Group
    {
        std::vector<std::size_t> members; // ascending
        std::size_t first = 0;            // members.front(), kept here for speed
        std::size_t best = 0;             // member with the highest sources
    };

    std::size_t joinGroup(std::size_t row);
    void leaveGroup(std::size_t row);
    void refreshBest(Group &group);
    void rebuild();

    std::vector<Row> m_rows;
    std::vector<Group> m_groups;
    std::vector<std::size_t> m_freeGroups;
    std::unordered_map<FileId, std::size_t, FileIdHash> m_groupOfKey;
};

// A group as the merged list shows it: its first row, with the source count of the member
// holding the highest.
ResultRow MergedRow(const ResultRow &first, const ResultRow &mostSources);

} // namespace jiujiu
