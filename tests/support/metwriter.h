#pragma once

#include "ed2kclient/fileid.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jiujiu::test {

// Writes the ed2k client's files byte by byte, as aMule does (little-endian, tags with a one-
// byte id named by a name of length 1), so tests and benchmarks can forge them.
class MetWriter final
{
public:
    MetWriter &u8(std::uint8_t v);
    MetWriter &u16(std::uint16_t v);
    MetWriter &u32(std::uint32_t v);
    MetWriter &u64(std::uint64_t v);
    MetWriter &bytes(std::string_view raw);
    MetWriter &hash(const Md4Hash &hash);

    // A tag: its type, its id as a name of length 1, its value.
    MetWriter &uint32Tag(std::uint8_t id, std::uint32_t value);
    MetWriter &uint64Tag(std::uint8_t id, std::uint64_t value);
    MetWriter &stringTag(std::uint8_t id, std::string_view value);
    // A tag named by a longer name (gaps: "\x09" "0", "\x0A" "0").
    MetWriter &namedNumberTag(std::string_view name, std::uint64_t value, bool wide);

    const std::string &data() const { return m_data; }

private:
    std::string m_data;
};

// Whole files of one kind, in the shape a real aMule writes them.
std::string KnownMetFile(const std::vector<FileId> &files);
std::string CanceledMetFile(const std::vector<Md4Hash> &hashes);
// A download with these gaps (start, exclusive end); a fresh one has {0, size}.
std::string PartMetFile(const FileId &file,
                        const std::vector<std::pair<std::uint64_t, std::uint64_t>> &gaps);

// A hash from 32 hexadecimal digits (a test's own constant; aborts on anything else).
Md4Hash HashOf(std::string_view hex);

void WriteFile(const std::filesystem::path &path, const std::string &bytes);

// A file of random hash and a size from 1 byte to 4 GiB, for generated client files and rows.
FileId RandomFileId(std::mt19937_64 &random);

} // namespace jiujiu::test
