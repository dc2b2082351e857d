#include "metwriter.h"

#include <cstdlib>
#include <fstream>

namespace jiujiu::test {
namespace {

constexpr std::uint8_t kUint32 = 0x03;
constexpr std::uint8_t kUint64 = 0x0B;
constexpr std::uint8_t kString = 0x02;
constexpr std::uint8_t kFileName = 0x01;
constexpr std::uint8_t kFileSize = 0x02;
constexpr std::uint8_t kTransferred = 0x08;
constexpr std::uint8_t kUploadPriority = 0x19;

bool Wide(std::uint64_t size)
{
    return size > 0xFFFFFFFFu;
}

} // namespace

MetWriter &MetWriter::u8(std::uint8_t v)
{
    m_data += static_cast<char>(v);
    return *this;
}

MetWriter &MetWriter::u16(std::uint16_t v)
{
    return u8(static_cast<std::uint8_t>(v)).u8(static_cast<std::uint8_t>(v >> 8));
}

MetWriter &MetWriter::u32(std::uint32_t v)
{
    return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16));
}

MetWriter &MetWriter::u64(std::uint64_t v)
{
    return u32(static_cast<std::uint32_t>(v)).u32(static_cast<std::uint32_t>(v >> 32));
}

MetWriter &MetWriter::bytes(std::string_view raw)
{
    m_data += raw;
    return *this;
}

MetWriter &MetWriter::hash(const Md4Hash &hash)
{
    for (const std::uint8_t byte : hash)
        u8(byte);
    return *this;
}

MetWriter &MetWriter::uint32Tag(std::uint8_t id, std::uint32_t value)
{
    return u8(kUint32).u16(1).u8(id).u32(value);
}

MetWriter &MetWriter::uint64Tag(std::uint8_t id, std::uint64_t value)
{
    return u8(kUint64).u16(1).u8(id).u64(value);
}

MetWriter &MetWriter::stringTag(std::uint8_t id, std::string_view value)
{
    return u8(kString).u16(1).u8(id).u16(static_cast<std::uint16_t>(value.size())).bytes(value);
}

MetWriter &MetWriter::namedNumberTag(std::string_view name, std::uint64_t value, bool wide)
{
    u8(wide ? kUint64 : kUint32).u16(static_cast<std::uint16_t>(name.size())).bytes(name);
    return wide ? u64(value) : u32(static_cast<std::uint32_t>(value));
}

std::string KnownMetFile(const std::vector<FileId> &files)
{
    MetWriter out;
    out.u8(0x0E).u32(static_cast<std::uint32_t>(files.size()));
    for (const FileId &file : files) {
        // Part hashes: one for each full 9 728 000 bytes, none for a file of one part.
        const std::uint64_t parts = file.size >= 9728000 ? file.size / 9728000 + 1 : 0;
        out.u32(0x6B1872D0).hash(file.hash).u16(static_cast<std::uint16_t>(parts));
        for (std::uint64_t i = 0; i < parts; ++i)
            out.hash(file.hash);
        const std::string name = Md4Hex(file.hash) + ".bin";
        out.u32(5).stringTag(kFileName, name).stringTag(kFileName, name);
        if (Wide(file.size))
            out.uint64Tag(kFileSize, file.size);
        else
            out.uint32Tag(kFileSize, static_cast<std::uint32_t>(file.size));
        out.uint32Tag(0x50, 0).uint32Tag(kUploadPriority, 5);
    }
    return out.data();
}

std::string CanceledMetFile(const std::vector<Md4Hash> &hashes)
{
    MetWriter out;
    out.u8(0x21).u32(static_cast<std::uint32_t>(hashes.size()));
    for (const Md4Hash &hash : hashes)
        out.hash(hash);
    return out.data();
}

std::string PartMetFile(const FileId &file,
                        const std::vector<std::pair<std::uint64_t, std::uint64_t>> &gaps)
{
    const bool wide = Wide(file.size);
    MetWriter out;
    out.u8(wide ? 0xE2 : 0xE0).u32(0x6B1872E6).hash(file.hash).u16(0);
    out.u32(static_cast<std::uint32_t>(3 + 2 * gaps.size()));
    out.stringTag(kFileName, Md4Hex(file.hash) + ".part");
    if (wide)
        out.uint64Tag(kFileSize, file.size).uint64Tag(kTransferred, 0);
    else
        out.uint32Tag(kFileSize, static_cast<std::uint32_t>(file.size)).uint32Tag(kTransferred, 0);
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        const std::string number = std::to_string(i);
        out.namedNumberTag("\x09" + number, gaps[i].first, wide);
        out.namedNumberTag("\x0A" + number, gaps[i].second, wide);
    }
    return out.data();
}

Md4Hash HashOf(std::string_view hex)
{
    const auto hash = ParseMd4Hex(hex);
    if (!hash)
        std::abort();
    return *hash;
}

void WriteFile(const std::filesystem::path &path, const std::string &bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

FileId RandomFileId(std::mt19937_64 &random)
{
    FileId file;
    for (std::uint8_t &byte : file.hash)
        byte = static_cast<std::uint8_t>(random());
    file.size = 1 + random() % (4ull << 30);
    return file;
}

} // namespace jiujiu::test
