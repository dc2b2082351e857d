#pragma once

#include "ed2kclient/clientstate.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace jiujiu {

// The client's configuration directory: JIUJIU_ED2K_CLIENT_DIR when set, else ~/.aMule; empty
// when there is no home to look in.
std::filesystem::path ClientDirectory();
inline constexpr char kClientDirectoryVariable[] = "JIUJIU_ED2K_CLIENT_DIR";

// Where the client keeps its downloads in progress: TempDir in the directory's amule.conf,
// else DIR/Temp.
std::filesystem::path ClientTempDirectory(const std::filesystem::path &dir);

// The client's state read from its directory: known.met, canceled.met and the temporary
// folder's *.part.met (a part file that cannot be read is taken from its .bak copy). Every file
// is opened read-only and read up to a bound; one that is missing, unreadable, too large or not
// of its kind gives no marks and no error. An empty path gives the empty state.
ClientState ReadClientState(const std::filesystem::path &dir);

// What a change of which can change the state: the directory, its temporary folder, and the
// files read from them that exist now.
std::vector<std::filesystem::path> ClientStatePaths(const std::filesystem::path &dir);

// The whole file if it is a regular file of at most `limit` bytes; none otherwise (also for a
// pipe or a device, which are never waited on).
std::optional<std::string> ReadBoundedFile(const std::filesystem::path &path, std::size_t limit);

// Bounds of what is read.
struct ClientReadLimits
{
    // Read a block at a time with its part hashes skipped: this bounds the time, not memory.
    static constexpr std::size_t kKnownMet = std::size_t{1} << 30;
    static constexpr std::size_t kCanceledMet = std::size_t{16} << 20;
    static constexpr std::size_t kPartMet = std::size_t{4} << 20; // a 256 GiB file needs 0.5 MiB
    static constexpr std::size_t kPartMetFiles = 4096;
    static constexpr std::size_t kConfiguration = std::size_t{1} << 20;
    static constexpr std::size_t kTemporaryEntries = 65536; // directory entries looked at
};

} // namespace jiujiu
