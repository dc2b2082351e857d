#pragma once

#include "ed2kclient/fileid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jiujiu {

// What an ed2k file link names: ed2k://|file|NAME|SIZE|HASH|/, optionally with further parts
// (h=AICH, p=part hashes, s=sources) between the hash and the closing "/".
struct Ed2kLink
{
    // Why a link is not a well-formed file link; the first thing found wrong.
    enum class Problem
    {
        None,
        Empty,          // no link at all
        NotEd2k,        // not an ed2k:// address
        NotFileLink,    // an ed2k address, but of a server or a node list, not of a file
        NoName,         // the file name is empty
        BadSize,        // the size is not a number
        SizeOutOfRange, // 0 bytes, or more than 256 GiB
        BadHash,        // the hash is not 32 hexadecimal digits
        Unterminated,   // the link does not end in "|/"
    };

    // The largest file ed2k clients share.
    static constexpr std::uint64_t kMaxSize = std::uint64_t{256} << 30;

    // The file name (UTF-8), percent escapes decoded when they spell UTF-8.
    std::string name;
    std::optional<std::uint64_t> size;
    std::optional<Md4Hash> hash; // none when no 32 hexadecimal digits were read
    // Everything after the hash up to the closing "/", e.g. "h=...|p=...|".
    std::string extra;
    Problem problem = Problem::Empty;

    bool valid() const { return problem == Problem::None; }
    // The file the link names: hash and size; none when it names none. Rows with the same file
    // list the same file.
    std::optional<FileId> file() const;

    // Reads a link given as UTF-8. A name holding "|" is read up to the first "|SIZE|HASH".
    static Ed2kLink Parse(std::string_view utf8);

    friend bool operator==(const Ed2kLink &, const Ed2kLink &) = default;
};

} // namespace jiujiu
