#include "results/resultlist.h"

#include "results/clientmarker.h"
#include "results/collator.h"
#include "results/resultfilter.h"
#include "runtime/codepage.h"
#include "store/seenfiles.h"

#include <algorithm>
#include <numeric>

namespace jiujiu {

ResultList::ResultList(const Collator &collator) : ResultList(collator, Options{}) {}

ResultList::ResultList(const Collator &collator, Options options)
    : m_collator(collator), m_options(options)
{}

ResultList::~ResultList() = default;

std::pair<std::size_t, std::size_t> ResultList::locate(std::size_t row) const
{
    // Rows come a page at a time: most reads are of the last block.
    std::size_t block = m_blocks.size() - 1;
    if (row < m_blocks[block].start)
        block = static_cast<std::size_t>(
                    std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                                     [](std::size_t r, const Block &b) { return r < b.start; }) -
                    m_blocks.begin()) -
                1;
    return {block, row - m_blocks[block].start};
}

const ResultRow &ResultList::row(std::size_t row) const
{
    const auto [block, at] = locate(row);
    return m_blocks[block].rows[at];
}

ResultList::Facts &ResultList::factsOf(std::size_t row) const
{
    const auto [block, at] = locate(row);
    return m_blocks[block].facts[at];
}

const ResultList::Facts &ResultList::facts(std::size_t row) const
{
    Facts &facts = factsOf(row);
    if (!facts.derived)
        derive(this->row(row), facts);
    return facts;
}

void ResultList::derive(const ResultRow &row, Facts &facts) const
{
    FileKind kind = FileKindOf(row.link());
    facts.extension = std::move(kind.extension);
    facts.type = kind.type;
    facts.broken = !row.link().valid();
    facts.matchKey =
        ResultFilter::MatchKey(TextToUtf8(row[NameColumn]), TextToUtf8(row[LinkColumn]));
    facts.mark = m_marker ? m_marker->markOf(row.link()) : RowMark{};
    facts.fresh = m_seen && !facts.broken && m_seen->isNew(row.link().file());
    facts.derived = true;
}

void ResultList::makeKeys(const ResultRow &row, Facts &facts) const
{
    if (!m_options.eager)
        return;
    derive(row, facts);
    facts.nameKey = SortKey::Collated(m_collator.sortKey(row[NameColumn]));
}

ResultJudge::RowSource ResultList::rowSource() const
{
    return [this](std::size_t r) -> const ResultRow & { return row(r); };
}

std::vector<std::size_t> ResultList::append(std::vector<ResultRow> rows)
{
    if (rows.empty())
        return {};
    const std::size_t first = count();
    Block block;
    block.start = first;
    block.facts.resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        makeKeys(rows[i], block.facts[i]);
        if (m_options.judge)
            m_judge.append(rows[i]);
    }
    block.rows = std::move(rows);
    m_held += block.rows.size();
    m_blocks.push_back(std::move(block));
    std::vector<std::size_t> regrouped;
    if (m_options.group)
        for (std::size_t r = first; r < count(); ++r) {
            const ResultRow &added = row(r);
            // A group's first row shows its copies: it looks different now.
            for (std::size_t changed : m_groups.append(added.link().file(), added.sources()))
                if (changed < first)
                    regrouped.push_back(changed);
        }
    return regrouped;
}

void ResultList::append(ResultRow row)
{
    if (m_blocks.empty())
        m_blocks.push_back({count(), {}, {}});
    Block &block = m_blocks.back();
    block.facts.emplace_back();
    makeKeys(row, block.facts.back());
    if (m_options.judge)
        m_judge.append(row);
    if (m_options.group)
        m_groups.append(row.link().file(), row.sources());
    block.rows.push_back(std::move(row));
    ++m_held;
}

void ResultList::insert(std::size_t at, ResultRow row)
{
    if (at >= count() || !holds(at)) {
        append(std::move(row));
        return;
    }
    const auto [block, offset] = locate(at);
    Block &b = m_blocks[block];
    Facts facts;
    makeKeys(row, facts);
    const auto file = row.link().file();
    const auto sources = row.sources();
    b.rows.insert(b.rows.begin() + static_cast<std::ptrdiff_t>(offset), std::move(row));
    b.facts.insert(b.facts.begin() + static_cast<std::ptrdiff_t>(offset), std::move(facts));
    for (std::size_t later = block + 1; later < m_blocks.size(); ++later)
        ++m_blocks[later].start;
    ++m_held;
    if (m_options.group)
        m_groups.insert(at, file, sources);
    if (m_options.judge)
        m_judge.rebuild(count(), rowSource());
}

std::vector<std::size_t> ResultList::setCell(std::size_t row, int column, const Text &text)
{
    if (!holds(row) || column < 0 || column >= kResultColumnCount)
        return {};
    const auto [block, at] = locate(row);
    ResultRow &r = m_blocks[block].rows[at];
    Facts &facts = m_blocks[block].facts[at];
    r.setCell(column, text);
    if (column != SerialColumn && m_options.judge)
        m_judge.update(row, r);
    if (column == LinkColumn)
        facts.linkKey.reset();
    if (column == NameColumn || column == LinkColumn) {
        facts.derived = false;
        // Made now, a row at a time during the search, so a click on 名称 only compares.
        makeKeys(r, facts);
    }
    std::vector<std::size_t> changed;
    if ((column == LinkColumn || column == SourcesColumn) && m_options.group)
        for (std::size_t other : m_groups.update(row, r.link().file(), r.sources()))
            if (other != row)
                changed.push_back(other);
    return changed;
}

void ResultList::clear()
{
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_held = 0;
    m_released = 0;
    m_groups.clear();
    m_judge.clear();
}

void ResultList::release()
{
    // Groups and verdicts read every row again: only a list without them lets rows go.
    if (m_options.judge || m_options.group)
        return;
    m_released += m_held;
    m_held = 0;
    m_blocks.clear();
}

std::vector<std::size_t> ResultList::remark()
{
    std::vector<std::size_t> changed;
    for (std::size_t r = m_released; r < count(); ++r) {
        Facts &facts = factsOf(r);
        // A row not yet read takes the marker's word when it is.
        if (!facts.derived)
            continue;
        const RowMark mark = m_marker ? m_marker->markOf(row(r).link()) : RowMark{};
        if (mark != facts.mark) {
            facts.mark = mark;
            changed.push_back(r);
        }
    }
    return changed;
}

const ResultJudge &ResultList::judge() const
{
    m_judge.settle(rowSource());
    return m_judge;
}

std::vector<std::size_t> ResultList::takeJudged()
{
    if (!m_options.judge)
        return {};
    judge();
    std::vector<std::size_t> changed;
    // A merged row shows its copies' warnings together: its first row changes with them.
    for (std::size_t r : m_judge.takeChanged()) {
        changed.push_back(r);
        if (m_options.group)
            changed.push_back(m_groups.first(r));
    }
    return changed;
}

bool ResultList::isShown(std::size_t row, bool merged) const
{
    return !merged || !m_options.group || m_groups.isFirst(row);
}

std::vector<std::size_t> ResultList::members(std::size_t row, bool merged) const
{
    if (merged && m_options.group)
        return m_groups.members(row);
    return {row};
}

std::size_t ResultList::copies(std::size_t row, bool merged) const
{
    return merged && m_options.group ? m_groups.copies(row) : 1;
}

ResultRow ResultList::shownRow(std::size_t row, bool merged) const
{
    if (merged && m_options.group)
        return MergedRow(this->row(row), this->row(m_groups.sourcesRow(row)));
    return this->row(row);
}

const Text &ResultList::shownCell(std::size_t row, int column, bool merged) const
{
    if (column == SourcesColumn && merged && m_options.group)
        return this->row(m_groups.sourcesRow(row))[SourcesColumn];
    return this->row(row)[column];
}

std::optional<std::int64_t> ResultList::shownSources(std::size_t row, bool merged) const
{
    return merged && m_options.group ? m_groups.groupSources(row) : this->row(row).sources();
}

bool ResultList::suspicious(std::size_t row, bool merged) const
{
    if (!m_options.judge)
        return false;
    const ResultJudge &verdicts = judge();
    for (std::size_t member : members(row, merged))
        if (verdicts.suspicious(member))
            return true;
    return false;
}

std::vector<Warning> ResultList::warnings(std::size_t row, bool merged) const
{
    if (!m_options.judge)
        return {};
    return judge().warnings(members(row, merged), rowSource());
}

std::string ResultList::hint(std::size_t row, bool merged, bool withListings) const
{
    std::vector<const ResultRow *> others;
    if (withListings && merged)
        for (std::size_t member : members(row, merged))
            if (member != row)
                others.push_back(&this->row(member));
    return HintText(warnings(row, merged), others);
}

bool ResultList::accepts(std::size_t row, const ResultFilter &filter, bool merged) const
{
    if (!isShown(row, merged))
        return false;
    if (filter.isEmpty())
        return true;
    // One look-up of the row's block: a filter reads every row.
    const auto [block, at] = locate(row);
    const ResultRow &result = m_blocks[block].rows[at];
    Facts &f = m_blocks[block].facts[at];
    if (!f.derived)
        derive(result, f);
    FilterSubject subject;
    subject.matchKey = f.matchKey;
    subject.bytes = result.bytes();
    subject.sources = merged && m_options.group ? m_groups.groupSources(row) : result.sources();
    subject.type = f.type;
    subject.extension = f.extension;
    subject.brokenLink = f.broken;
    subject.status = f.mark.status;
    subject.newSinceLastRun = f.fresh;
    if (filter.judgement().readsSuspicion())
        subject.suspicious = suspicious(row, merged);
    return filter.accepts(subject);
}

SortKey ResultList::sortKey(std::size_t row, int column, bool merged) const
{
    switch (column) {
    case SourcesColumn:
        return SortKey::Number(shownSources(row, merged));
    case TypeColumn:
        return SortKey::Number(std::optional<std::uint64_t>(static_cast<std::uint64_t>(type(row))));
    case HintColumn: {
        const std::uint64_t severity = brokenLink(row) ? 2 : suspicious(row, merged) ? 1 : 0;
        return SortKey::Number(std::optional<std::uint64_t>(severity));
    }
    case StatusColumn:
        return SortKey::Number(
            std::optional<std::uint64_t>(static_cast<std::uint64_t>(mark(row).status)));
    case NameColumn:
        if (const Facts &f = factsOf(row); f.nameKey)
            return *f.nameKey;
        break;
    case LinkColumn:
        if (m_options.eager) {
            Facts &f = factsOf(row);
            if (!f.linkKey)
                f.linkKey = SortKey::Collated(m_collator.sortKey(this->row(row)[LinkColumn]));
            return *f.linkKey;
        }
        break;
    default:
        break;
    }
    return MakeSortKey(this->row(row), column, m_collator);
}

std::vector<std::size_t> ResultList::shownOrder(const ResultFilter &filter, bool merged,
                                                const std::optional<SortRequest> &sort) const
{
    std::vector<std::size_t> rows;
    for (std::size_t r = m_released; r < count(); ++r)
        if (accepts(r, filter, merged))
            rows.push_back(r);
    if (!sort)
        return rows;
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (std::size_t r : rows)
        keys.push_back(sortKey(r, sort->column, merged));
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return SortsBefore(keys[a], rows[a], keys[b], rows[b], sort->descending);
    });
    for (std::size_t &at : order)
        at = rows[at];
    return order;
}

} // namespace jiujiu
