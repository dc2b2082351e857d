#include "results/duplicategroups.h"

#include "results/resultrow.h"

#include <algorithm>

namespace jiujiu {
void DuplicateGroups::clear()
{
    m_rows.clear();
    m_groups.clear();
    m_freeGroups.clear();
    m_groupOfKey.clear();
}

std::size_t DuplicateGroups::joinGroup(std::size_t row)
{
    Row &r = m_rows[row];
    std::size_t g;
    const auto found = !r.key ? m_groupOfKey.end() : m_groupOfKey.find(*r.key);
    if (found != m_groupOfKey.end()) {
        g = found->second;
    } else {
        if (!m_freeGroups.empty()) {
            g = m_freeGroups.back();
            m_freeGroups.pop_back();
        } else {
            g = m_groups.size();
            m_groups.emplace_back();
        }
        if (r.key)
            m_groupOfKey.emplace(*r.key, g);
    }
    r.group = g;
    auto &members = m_groups[g].members;
    members.insert(std::upper_bound(members.begin(), members.end(), row), row);
    m_groups[g].first = members.front();
    // Only the newcomer can take the lead: no scan of a large group for every row.
    Group &group = m_groups[g];
    if (members.size() == 1) {
        group.best = row;
    } else {
        const auto &best = m_rows[group.best].sources;
        if (r.sources && (!best || *r.sources > *best || (*r.sources == *best && row < group.best)))
            group.best = row;
        else if (!best)
            group.best = members.front();
    }
    return g;
}

void DuplicateGroups::leaveGroup(std::size_t row)
{
    const std::size_t g = m_rows[row].group;
    Group &group = m_groups[g];
    const auto at = std::lower_bound(group.members.begin(), group.members.end(), row);
    if (at != group.members.end() && *at == row)
        group.members.erase(at);
    if (!group.members.empty())
        group.first = group.members.front();
    if (group.members.empty()) {
        if (m_rows[row].key)
            m_groupOfKey.erase(*m_rows[row].key);
        m_freeGroups.push_back(g);
        return;
    }
    if (group.best == row || !m_rows[group.best].sources)
        refreshBest(group);
}

void DuplicateGroups::refreshBest(Group &group)
{
    group.best = group.members.front();
    for (std::size_t member : group.members) {
        const auto &mine = m_rows[member].sources;
        const auto &best = m_rows[group.best].sources;
        if (mine && (!best || *mine > *best))
            group.best = member;
    }
}

std::vector<std::size_t> DuplicateGroups::append(std::optional<FileId> key,
                                                 std::optional<std::int64_t> sources)
{
    const std::size_t row = m_rows.size();
    m_rows.push_back(Row{key, sources, 0});
    const std::size_t g = joinGroup(row);
    std::vector<std::size_t> changed{row};
    if (m_groups[g].members.front() != row)
        changed.push_back(m_groups[g].members.front());
    return changed;
}

std::vector<std::size_t> DuplicateGroups::update(std::size_t row, std::optional<FileId> key,
                                                 std::optional<std::int64_t> sources)
{
    if (row >= m_rows.size())
        return {};
    Row &r = m_rows[row];
    if (r.key == key && r.sources == sources)
        return {};
    std::vector<std::size_t> changed{row};
    const std::size_t oldGroup = r.group;
    leaveGroup(row);
    if (!m_groups[oldGroup].members.empty())
        changed.push_back(m_groups[oldGroup].members.front());
    r.key = key;
    r.sources = sources;
    const std::size_t g = joinGroup(row);
    if (m_groups[g].members.front() != row)
        changed.push_back(m_groups[g].members.front());
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
}

void DuplicateGroups::insert(std::size_t row, std::optional<FileId> key,
                             std::optional<std::int64_t> sources)
{
    if (row >= m_rows.size()) {
        append(key, sources);
        return;
    }
    m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(row), Row{key, sources, 0});
    rebuild();
}

void DuplicateGroups::rebuild()
{
    std::vector<Row> rows = std::move(m_rows);
    clear();
    m_rows = std::move(rows);
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        joinGroup(row);
}

std::size_t DuplicateGroups::first(std::size_t row) const
{
    if (row >= m_rows.size())
        return row;
    return m_groups[m_rows[row].group].first;
}

std::size_t DuplicateGroups::copies(std::size_t row) const
{
    if (row >= m_rows.size())
        return 0;
    return m_groups[m_rows[row].group].members.size();
}

std::optional<std::int64_t> DuplicateGroups::groupSources(std::size_t row) const
{
    if (row >= m_rows.size())
        return std::nullopt;
    return m_rows[sourcesRow(row)].sources;
}

std::size_t DuplicateGroups::sourcesRow(std::size_t row) const
{
    if (row >= m_rows.size())
        return row;
    return m_groups[m_rows[row].group].best;
}

const std::vector<std::size_t> &DuplicateGroups::members(std::size_t row) const
{
    static const std::vector<std::size_t> none;
    if (row >= m_rows.size())
        return none;
    return m_groups[m_rows[row].group].members;
}

ResultRow MergedRow(const ResultRow &first, const ResultRow &mostSources)
{
    ResultRow merged = first;
    merged.setCell(SourcesColumn, mostSources[SourcesColumn]);
    return merged;
}

} // namespace jiujiu
