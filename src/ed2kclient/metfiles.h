#pragma once

#include "ed2kclient/fileid.h"

#include <optional>
#include <string_view>
#include <vector>

namespace jiujiu {

class MetReader;

// Readers of the files in which aMule (and eMule) keep what they know of files. Each takes the
// whole file and answers nothing when it is not one of its kind: an unknown version byte, or a
// count, length or tag that does not fit in the bytes that remain. Bytes after the last record
// are left alone.

// known.met: the files the client has hashed (downloaded or shared), each with the size its
// tags give; a record without a size names no file and is left out. A file of more records
// than kMostKnownFiles is none too (a library of that many files is no user's).
std::optional<std::vector<FileId>> ReadKnownMet(std::string_view bytes);
std::optional<std::vector<FileId>> ReadKnownMet(MetReader &in);
inline constexpr std::uint32_t kMostKnownFiles = 2000000;

// canceled.met: the hashes of downloads the user cancelled (the file keeps no sizes).
std::optional<std::vector<Md4Hash>> ReadCanceledMet(std::string_view bytes);

// A download in progress (NNN.part.met): the file, and how many of its bytes are done when the
// file says (from its gaps, else from the transferred count).
struct PartMet
{
    FileId id;
    std::optional<std::uint64_t> doneBytes;

    friend bool operator==(const PartMet &, const PartMet &) = default;
};
// None also when no size tag names the file.
std::optional<PartMet> ReadPartMet(std::string_view bytes);

} // namespace jiujiu
