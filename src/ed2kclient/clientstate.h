#pragma once

#include "ed2kclient/fileid.h"
#include "ed2kclient/metfiles.h"

#include <cstddef>
#include <vector>

namespace jiujiu {

// What the client knows of files, one set per state: files it has (known.met), downloads in
// progress (.part.met) and cancelled downloads (canceled.met, by hash alone, as that file keeps
// no sizes). Sorted vectors: a lookup is a binary search whatever hashes a file holds.
class ClientState final
{
public:
    ClientState() = default;
    ClientState(std::vector<FileId> known, std::vector<PartMet> downloads,
                std::vector<Md4Hash> cancelled);

    bool isEmpty() const { return m_known.empty() && m_downloads.empty() && m_cancelled.empty(); }
    bool isKnown(const FileId &file) const;
    // The download of that file, null when there is none.
    const PartMet *download(const FileId &file) const;
    bool isCancelled(const Md4Hash &hash) const;

    std::size_t knownCount() const { return m_known.size(); }

    friend bool operator==(const ClientState &, const ClientState &) = default;

private:
    std::vector<FileId> m_known;
    std::vector<PartMet> m_downloads; // by file
    std::vector<Md4Hash> m_cancelled;
};

} // namespace jiujiu
