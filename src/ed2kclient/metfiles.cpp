#include "ed2kclient/metfiles.h"

#include "ed2kclient/metreader.h"

#include <algorithm>
#include <utility>

namespace jiujiu {
namespace {

// Version bytes.
constexpr std::uint8_t kKnownMet = 0x0E;
constexpr std::uint8_t kKnownMetLargeFiles = 0x0F;
constexpr std::uint8_t kCanceledMet = 0x21;
constexpr std::uint8_t kPartMet = 0xE0;
constexpr std::uint8_t kPartMetLargeFile = 0xE2;

// Tag value types; a type with the high bit set is followed by a one-byte id instead of a name.
enum TagType : std::uint8_t
{
    HashTag = 0x01,
    StringTag = 0x02,
    Uint32Tag = 0x03,
    FloatTag = 0x04,
    BoolTag = 0x05,
    BoolArrayTag = 0x06,
    BlobTag = 0x07,
    Uint16Tag = 0x08,
    Uint8Tag = 0x09,
    BsobTag = 0x0A,
    Uint64Tag = 0x0B,
    Str1Tag = 0x11, // 0x11 to 0x20: strings of 1 to 16 bytes, no length
    Str16Tag = 0x20,
    CompactTag = 0x80,
};

// Tag ids.
constexpr std::uint8_t kFileSize = 0x02;
constexpr std::uint8_t kTransferred = 0x08;
constexpr std::uint8_t kFileSizeHigh = 0x3A;
// Gaps are named tags: this byte, then the gap's number in decimal.
constexpr char kGapStart = 0x09;
constexpr char kGapEnd = 0x0A;

// The smallest a tag can be: a type, an id and a one-byte value.
constexpr std::size_t kSmallestTag = 3;
constexpr std::size_t kHashSize = 16;

struct FileTags
{
    std::optional<std::uint64_t> size;
    std::optional<std::uint64_t> sizeHigh;
    std::optional<std::uint64_t> transferred;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> gapStarts;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> gapEnds;

    std::optional<std::uint64_t> fileSize() const
    {
        if (!size)
            return std::nullopt;
        if (!sizeHigh)
            return size;
        return (*size & 0xFFFFFFFFu) | (*sizeHigh << 32);
    }
};

// "\t12" -> 12; none for a name that is no gap number.
std::optional<std::uint32_t> GapNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 9)
        return std::nullopt;
    std::uint32_t n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return n;
}

bool ReadTags(MetReader &in, std::uint32_t count, FileTags &tags, bool wantGaps)
{
    if (count > in.remaining() / kSmallestTag)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t type = in.u8();
        std::uint8_t id = 0;
        std::string_view name;
        if (type & CompactTag) {
            type &= static_cast<std::uint8_t>(~CompactTag);
            id = in.u8();
        } else {
            name = in.bytes(in.u16());
            if (name.size() == 1) {
                id = static_cast<std::uint8_t>(name[0]);
                name = {};
            }
        }
        std::optional<std::uint64_t> number;
        switch (type) {
        case HashTag:
            in.skip(kHashSize);
            break;
        case StringTag:
            in.skip(in.u16());
            break;
        case Uint32Tag:
            number = in.u32();
            break;
        case FloatTag:
            in.skip(4);
            break;
        case BoolTag:
            in.skip(1);
            break;
        case BoolArrayTag:
            in.skip((std::uint64_t{in.u16()} + 7) / 8);
            break;
        case BlobTag:
            in.skip(in.u32());
            break;
        case Uint16Tag:
            number = in.u16();
            break;
        case Uint8Tag:
            number = in.u8();
            break;
        case BsobTag:
            in.skip(in.u8());
            break;
        case Uint64Tag:
            number = in.u64();
            break;
        default:
            if (type < Str1Tag || type > Str16Tag)
                return false; // a value of unknown length: nothing after it can be read
            in.skip(type - Str1Tag + 1u);
            break;
        }
        if (in.failed())
            return false;
        if (!number)
            continue;
        if (name.empty()) {
            if (id == kFileSize)
                tags.size = number;
            else if (id == kFileSizeHigh)
                tags.sizeHigh = number;
            else if (id == kTransferred)
                tags.transferred = number;
        } else if (wantGaps && (name[0] == kGapStart || name[0] == kGapEnd)) {
            if (const auto n = GapNumber(name.substr(1)))
                (name[0] == kGapStart ? tags.gapStarts : tags.gapEnds).emplace_back(*n, *number);
        }
    }
    return true;
}

// Bytes still missing: the gaps paired by number, cut to the file and merged where they
// overlap, so a forged list never counts a byte twice. None when no start has its end.
std::optional<std::uint64_t> MissingBytes(FileTags &tags, std::uint64_t size)
{
    std::sort(tags.gapStarts.begin(), tags.gapStarts.end());
    std::sort(tags.gapEnds.begin(), tags.gapEnds.end());
    std::vector<std::pair<std::uint64_t, std::uint64_t>> gaps;
    bool paired = false;
    auto end = tags.gapEnds.begin();
    for (const auto &[n, start] : tags.gapStarts) {
        end = std::lower_bound(end, tags.gapEnds.end(), std::pair{n, std::uint64_t{0}});
        if (end == tags.gapEnds.end())
            break;
        if (end->first != n)
            continue;
        paired = true;
        // The end is exclusive: a fresh download has one gap from 0 to its size.
        const std::uint64_t stop = std::min(end->second, size);
        if (start < stop)
            gaps.emplace_back(start, stop);
    }
    std::sort(gaps.begin(), gaps.end());
    std::uint64_t missing = 0;
    std::uint64_t covered = 0; // everything below is counted
    for (const auto &[start, stop] : gaps) {
        const std::uint64_t from = std::max(start, covered);
        if (stop > from) {
            missing += stop - from;
            covered = stop;
        }
    }
    if (!paired)
        return std::nullopt;
    return missing;
}

// The date, the hash and the part hashes that begin a known.met record and a .part.met file.
bool ReadFileHead(MetReader &in, Md4Hash &hash)
{
    in.skip(4); // date
    const std::string_view bytes = in.bytes(kHashSize);
    const std::uint16_t parts = in.u16();
    in.skip(std::uint64_t{parts} * kHashSize);
    if (in.failed())
        return false;
    std::copy(bytes.begin(), bytes.end(), hash.begin());
    return true;
}

} // namespace

std::optional<std::vector<FileId>> ReadKnownMet(std::string_view bytes)
{
    MetReader in(bytes);
    return ReadKnownMet(in);
}

std::optional<std::vector<FileId>> ReadKnownMet(MetReader &in)
{
    const std::uint8_t version = in.u8();
    if (version != kKnownMet && version != kKnownMetLargeFiles)
        return std::nullopt;
    const std::uint32_t count = in.u32();
    // A record holds at least a date, a hash, a part count and a tag count.
    constexpr std::size_t smallestRecord = 4 + kHashSize + 2 + 4;
    if (in.failed() || count > in.remaining() / smallestRecord || count > kMostKnownFiles)
        return std::nullopt;
    std::vector<FileId> files;
    files.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        FileId id;
        FileTags tags;
        if (!ReadFileHead(in, id.hash))
            return std::nullopt;
        const std::uint32_t tagCount = in.u32();
        if (in.failed() || !ReadTags(in, tagCount, tags, false))
            return std::nullopt;
        if (const auto size = tags.fileSize()) {
            id.size = *size;
            files.push_back(id);
        }
    }
    return files;
}

std::optional<std::vector<Md4Hash>> ReadCanceledMet(std::string_view bytes)
{
    MetReader in(bytes);
    if (in.u8() != kCanceledMet)
        return std::nullopt;
    const std::uint32_t count = in.u32();
    if (in.failed() || count > in.remaining() / kHashSize)
        return std::nullopt;
    std::vector<Md4Hash> hashes(count);
    for (Md4Hash &hash : hashes) {
        const std::string_view raw = in.bytes(kHashSize);
        std::copy(raw.begin(), raw.end(), hash.begin());
    }
    return hashes;
}

std::optional<PartMet> ReadPartMet(std::string_view bytes)
{
    MetReader in(bytes);
    const std::uint8_t version = in.u8();
    if (version != kPartMet && version != kPartMetLargeFile)
        return std::nullopt;
    PartMet part;
    FileTags tags;
    if (!ReadFileHead(in, part.id.hash))
        return std::nullopt;
    const std::uint32_t tagCount = in.u32();
    if (in.failed() || !ReadTags(in, tagCount, tags, true))
        return std::nullopt;
    const auto size = tags.fileSize();
    if (!size)
        return std::nullopt;
    part.id.size = *size;
    if (const auto missing = MissingBytes(tags, *size))
        part.doneBytes = *size - *missing;
    else if (tags.transferred)
        part.doneBytes = std::min(*tags.transferred, *size);
    return part;
}

} // namespace jiujiu
