#include "ed2kclient/clientstate.h"

#include <algorithm>

namespace jiujiu {
namespace {

template <class T, class Less = std::less<>, class Equal = std::equal_to<>>
void SortUnique(std::vector<T> &items, Less less = {}, Equal equal = {})
{
    std::stable_sort(items.begin(), items.end(), less);
    items.erase(std::unique(items.begin(), items.end(), equal), items.end());
    items.shrink_to_fit();
}

} // namespace

ClientState::ClientState(std::vector<FileId> known, std::vector<PartMet> downloads,
                         std::vector<Md4Hash> cancelled)
    : m_known(std::move(known)), m_downloads(std::move(downloads)),
      m_cancelled(std::move(cancelled))
{
    SortUnique(m_known);
    // Two part files of one download: the first one read stands.
    SortUnique(
        m_downloads, [](const PartMet &a, const PartMet &b) { return a.id < b.id; },
        [](const PartMet &a, const PartMet &b) { return a.id == b.id; });
    SortUnique(m_cancelled);
}

bool ClientState::isKnown(const FileId &file) const
{
    return std::binary_search(m_known.begin(), m_known.end(), file);
}

const PartMet *ClientState::download(const FileId &file) const
{
    const auto at = std::lower_bound(m_downloads.begin(), m_downloads.end(), file,
                                     [](const PartMet &a, const FileId &b) { return a.id < b; });
    return at != m_downloads.end() && at->id == file ? &*at : nullptr;
}

bool ClientState::isCancelled(const Md4Hash &hash) const
{
    return std::binary_search(m_cancelled.begin(), m_cancelled.end(), hash);
}

} // namespace jiujiu
