#include "results/resultjudge.h"

#include "results/resultrow.h"
#include "results/suspicionrules.h"
#include "runtime/codepage.h"
#include "runtime/coretext.h"

#include <algorithm>

namespace jiujiu {
namespace {

// Above every rule's bit: whether the link is broken.
constexpr std::uint16_t kBrokenLinkBit = 1u << kMaxSuspicionRules;
static_assert(kMaxSuspicionRules < 16, "the rules and the broken-link bit share 16 bits");

bool IsMedia(FileType type)
{
    return type == FileType::Video || type == FileType::Audio;
}

} // namespace

void ResultJudge::clear()
{
    m_rows.clear();
    m_groups.clear();
    m_groupOfName.clear();
    m_dirtyGroups.clear();
    m_pending.clear();
    m_changed.clear();
    m_round = 1;
    m_mediaRows = 0;
    m_typedRows = 0;
    m_mostlyMedia = false;
    m_countsChanged = false;
}

void ResultJudge::append(const ResultRow &row)
{
    const std::size_t at = m_rows.size();
    m_rows.emplace_back();
    m_rows.back().fresh = true;
    queue(at);
    read(at, row);
}

void ResultJudge::update(std::size_t row, const ResultRow &result)
{
    if (row >= m_rows.size())
        return;
    queue(row);
    leave(row);
    read(row, result);
}

void ResultJudge::rebuild(std::size_t count, const RowSource &rows)
{
    clear();
    m_rows.reserve(count);
    for (std::size_t row = 0; row < count; ++row)
        append(rows(row));
    settle(rows);
    m_changed.clear();
}

void ResultJudge::read(std::size_t at, const ResultRow &result)
{
    const RowReading reading(result);
    const RowFacts &facts = reading.facts();
    Row &row = m_rows[at];
    row.extension = reading.extension();
    row.type = facts.type;
    row.problem = result.link().problem;
    row.sources = result.sources();
    row.fileBytes = facts.fileBytes;
    if (IsMedia(row.type))
        ++m_mediaRows;
    if (row.type != FileType::Other)
        ++m_typedRows;
    m_countsChanged = true;

    row.rowBits = 0;
    const auto rules = SuspicionRules();
    const ListFacts none;
    for (std::size_t i = 0; i < rules.size(); ++i)
        if (rules[i].scope == SuspicionRule::Scope::Row && rules[i].check(facts, none))
            row.rowBits |= static_cast<std::uint16_t>(1u << i);

    row.group = -1;
    const auto file = result.link().file();
    if (!file)
        return;
    row.file = *file;
    std::string key = NameKey(facts.fileName);
    if (key.empty())
        return;
    const auto [found, added] =
        m_groupOfName.try_emplace(std::move(key), static_cast<std::int32_t>(m_groups.size()));
    if (added)
        m_groups.emplace_back();
    Group &group = m_groups[static_cast<std::size_t>(found->second)];
    row.group = found->second;
    row.slot = static_cast<std::uint32_t>(group.members.size());
    group.members.push_back(static_cast<std::uint32_t>(at));
    markDirty(row.group);
}

void ResultJudge::leave(std::size_t at)
{
    Row &row = m_rows[at];
    if (IsMedia(row.type))
        --m_mediaRows;
    if (row.type != FileType::Other)
        --m_typedRows;
    m_countsChanged = true;
    if (row.group < 0)
        return;
    auto &members = m_groups[static_cast<std::size_t>(row.group)].members;
    const std::uint32_t last = members.back();
    members[row.slot] = last;
    m_rows[last].slot = row.slot;
    members.pop_back();
    markDirty(row.group);
    row.group = -1;
}

std::uint16_t ResultJudge::Verdict(const Row &row)
{
    const bool broken = row.problem != Ed2kLink::Problem::None;
    return static_cast<std::uint16_t>(row.rowBits | row.listBits | (broken ? kBrokenLinkBit : 0u));
}

void ResultJudge::queue(std::size_t at)
{
    Row &row = m_rows[at];
    if (row.stamp == m_round)
        return;
    row.stamp = m_round;
    row.verdictBefore = Verdict(row);
    m_pending.push_back(static_cast<std::uint32_t>(at));
}

void ResultJudge::markDirty(std::int32_t group)
{
    Group &g = m_groups[static_cast<std::size_t>(group)];
    if (g.dirty)
        return;
    g.dirty = true;
    m_dirtyGroups.push_back(group);
}

void ResultJudge::recount(Group &group) const
{
    group.files = 0;
    group.topAlone = false;
    if (group.members.empty())
        return;
    // Copies of one file count once, with their highest source count.
    std::vector<std::pair<FileId, std::int64_t>> files;
    files.reserve(group.members.size());
    for (std::uint32_t member : group.members) {
        const Row &row = m_rows[member];
        files.emplace_back(row.file, row.sources.value_or(0));
    }
    std::sort(files.begin(), files.end());
    std::int64_t best = -1;
    std::int64_t second = -1;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i + 1 < files.size() && files[i + 1].first == files[i].first)
            continue; // the last of a run holds the run's highest count
        const auto &[file, sources] = files[i];
        if (group.files == 0) {
            group.smallest = group.largest = file.size;
        } else {
            group.smallest = std::min(group.smallest, file.size);
            group.largest = std::max(group.largest, file.size);
        }
        ++group.files;
        if (sources > best) {
            second = best;
            best = sources;
            group.top = file;
        } else if (sources > second) {
            second = sources;
        }
    }
    group.topSources = best;
    group.runnerUp = std::max<std::int64_t>(second, 0);
    group.topAlone = best > second;
}

ListFacts ResultJudge::listFacts(const Row &row) const
{
    ListFacts facts;
    facts.mediaRows = m_mediaRows;
    facts.typedRows = m_typedRows;
    facts.mostlyMedia = m_mostlyMedia;
    if (row.group < 0)
        return facts;
    const Group &group = m_groups[static_cast<std::size_t>(row.group)];
    facts.sameNameFiles = group.files;
    facts.smallestFile = group.smallest;
    facts.largestFile = group.largest;
    facts.mostSources = group.topAlone && group.top == row.file;
    facts.sources = group.topSources;
    facts.runnerUpSources = group.runnerUp;
    return facts;
}

RowFacts ResultJudge::FileFacts(const Row &row, const ResultRow &result, std::string &storage)
{
    // No conversion where the link names the file, which it does on every sound row.
    RowFacts facts;
    const Ed2kLink &link = result.link();
    if (link.name.empty())
        storage = TextToUtf8(result[NameColumn]);
    facts.fileName = link.name.empty() ? std::string_view(storage) : std::string_view(link.name);
    facts.fileBytes = row.fileBytes;
    facts.type = row.type;
    facts.extension = row.extension;
    return facts;
}

std::uint16_t ResultJudge::listBits(const RowFacts &facts, const ListFacts &list) const
{
    std::uint16_t bits = 0;
    const auto rules = SuspicionRules();
    for (std::size_t i = 0; i < rules.size(); ++i)
        if (rules[i].scope == SuspicionRule::Scope::List && rules[i].check(facts, list))
            bits |= static_cast<std::uint16_t>(1u << i);
    return bits;
}

void ResultJudge::settle(const RowSource &rows)
{
    if (isSettled())
        return;
    if (m_countsChanged) {
        m_countsChanged = false;
        const bool mostly = MostlyMedia(m_mediaRows, m_typedRows);
        if (mostly != m_mostlyMedia) {
            // What the list is mostly about changed: any row may read differently now.
            m_mostlyMedia = mostly;
            for (std::size_t row = 0; row < m_rows.size(); ++row)
                queue(row);
        }
    }
    for (std::int32_t g : m_dirtyGroups) {
        Group &group = m_groups[static_cast<std::size_t>(g)];
        group.dirty = false;
        recount(group);
        for (std::uint32_t member : group.members)
            queue(member);
    }
    m_dirtyGroups.clear();
    for (std::uint32_t at : m_pending) {
        Row &row = m_rows[at];
        std::string storage;
        row.listBits = listBits(FileFacts(row, rows(at), storage), listFacts(row));
        if (!row.fresh && Verdict(row) != row.verdictBefore)
            m_changed.push_back(at);
        row.fresh = false;
    }
    m_pending.clear();
    if (++m_round == 0) {
        // After four billion rounds: stamps start again.
        for (Row &row : m_rows)
            row.stamp = 0;
        m_round = 1;
    }
}

std::vector<std::size_t> ResultJudge::takeChanged()
{
    std::vector<std::size_t> changed = std::move(m_changed);
    m_changed.clear();
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
}

std::vector<Warning> ResultJudge::warnings(std::size_t at, const ResultRow &result) const
{
    std::vector<Warning> out;
    if (at >= m_rows.size())
        return out;
    const Row &row = m_rows[at];
    if (row.problem != Ed2kLink::Problem::None)
        out.push_back(BrokenLinkWarning(row.problem));
    const std::uint16_t bits = row.rowBits | row.listBits;
    if (bits == 0)
        return out;
    const RowReading reading(result);
    std::string storage;
    const RowFacts file = FileFacts(row, result, storage);
    const ListFacts list = listFacts(row);
    const auto rules = SuspicionRules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (!(bits & (1u << i)))
            continue;
        const bool rowRule = rules[i].scope == SuspicionRule::Scope::Row;
        if (auto text = rules[i].check(rowRule ? reading.facts() : file, list))
            out.push_back({rules[i].id, std::move(*text)});
    }
    return out;
}

std::vector<Warning> ResultJudge::warnings(const std::vector<std::size_t> &rows,
                                           const RowSource &source) const
{
    std::vector<Warning> out;
    std::vector<std::string> seen; // texts before their serials were put in front
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] >= m_rows.size())
            continue;
        const ResultRow &row = source(rows[i]);
        for (Warning &warning : warnings(rows[i], row)) {
            if (std::find(seen.begin(), seen.end(), warning.text) != seen.end())
                continue;
            seen.push_back(warning.text);
            // What only another listing says is told with that listing's serial.
            if (i > 0)
                warning.text = ComposeText(JIUJIU_TEXT("jiujiu", "序号 %1：%2"),
                                           {TextToUtf8(row[SerialColumn]), warning.text});
            out.push_back(std::move(warning));
        }
    }
    return out;
}

} // namespace jiujiu
