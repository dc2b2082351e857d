// The readers of the client's files: files a real amuled wrote (data/), every prefix of them,
// and forged files, one kind of corruption a row.
#include "ed2kclient/metfiles.h"
#include "ed2kclient/metreader.h"
#include "metwriter.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

using namespace jiujiu;
using jiujiu::test::HashOf;
using jiujiu::test::MetWriter;

namespace {

std::string Fixture(const char *name)
{
    const char *dir = std::getenv("JIUJIU_TEST_DATA");
    std::ifstream in(std::string(dir ? dir : ".") + "/data/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The readers' answers as text, so one table can hold all three kinds: "none" when a file is
// rejected, else its files ("hash:size", "+done" for downloads).
std::string Known(std::string_view bytes)
{
    const auto files = ReadKnownMet(bytes);
    if (!files)
        return "none";
    std::string out;
    for (const FileId &f : *files)
        out += (out.empty() ? "" : " ") + Md4Hex(f.hash) + ":" + std::to_string(f.size);
    return out;
}

std::string Canceled(std::string_view bytes)
{
    const auto hashes = ReadCanceledMet(bytes);
    if (!hashes)
        return "none";
    std::string out;
    for (const Md4Hash &h : *hashes)
        out += (out.empty() ? "" : " ") + Md4Hex(h);
    return out;
}

std::string Part(std::string_view bytes)
{
    const auto part = ReadPartMet(bytes);
    if (!part)
        return "none";
    return Md4Hex(part->id.hash) + ":" + std::to_string(part->id.size) +
           (part->doneBytes ? "+" + std::to_string(*part->doneBytes) : "");
}

using Reader = std::string (*)(std::string_view);

const char *const kHashA = "0123456789abcdef0123456789abcdef";
const char *const kHashB = "fedcba9876543210fedcba9876543210";

// A known.met of one record whose tags are `tags` (their count first).
std::string KnownWithTags(std::uint32_t count, const std::string &tags)
{
    return MetWriter()
        .u8(0x0E)
        .u32(1)
        .u32(0)
        .hash(HashOf(kHashA))
        .u16(0)
        .u32(count)
        .bytes(tags)
        .data();
}

std::string PartWithTags(std::uint32_t count, const std::string &tags, std::uint8_t version = 0xE0)
{
    return MetWriter().u8(version).u32(0).hash(HashOf(kHashA)).u16(0).u32(count).bytes(tags).data();
}

const std::string kSize1000 = MetWriter().uint32Tag(0x02, 1000).data();

} // namespace

TEST(MetFiles, FilesWrittenByAmuled)
{
    const struct
    {
        const char *file;
        Reader read;
        std::string expected;
    } rows[] = {
        // A file of three parts (its part hashes listed) and one of one part.
        {"known.met", Known,
         "33f8baee99e2909872ff3f2955d07480:20000000 61c3ea20378de323717cc672d083c8a8:300000"},
        {"canceled.met", Canceled, kHashB},
        // A fresh download: one gap over the whole file, nothing done.
        {"small.part.met", Part, std::string(kHashA) + ":734003200+0"},
        // Over 4 GiB: version 0xE2, 64-bit size and gaps.
        {"large.part.met", Part, "00112233445566778899aabbccddeeff:5000000000+0"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file);
        const std::string bytes = Fixture(row.file);
        ASSERT_FALSE(bytes.empty()) << "the fixture is missing";
        EXPECT_EQ(row.read(bytes), row.expected);
        // Cut anywhere, the file is rejected. Each prefix is a block of its own size, so the
        // sanitizer sees any read past it.
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            const std::vector<char> prefix(bytes.begin(), bytes.begin() + length);
            ASSERT_EQ(row.read({prefix.data(), prefix.size()}), "none") << "cut at " << length;
        }
    }
}

TEST(MetFiles, ForgedFiles)
{
    const std::string a = std::string(kHashA);
    const std::string nameTag = MetWriter().stringTag(0x01, "name.avi").data();
    const struct
    {
        const char *what;
        Reader read;
        std::string bytes;
        std::string expected;
    } rows[] = {
        {"empty known.met", Known, "", "none"},
        {"unknown version", Known, MetWriter().u8(0x0D).u32(0).data(), "none"},
        {"no files", Known, MetWriter().u8(0x0E).u32(0).data(), ""},
        {"version for large files", Known,
         MetWriter()
             .u8(0x0F)
             .u32(1)
             .u32(0)
             .hash(HashOf(kHashA))
             .u16(0)
             .u32(1)
             .bytes(kSize1000)
             .data(),
         a + ":1000"},
        {"count past the end", Known, MetWriter().u8(0x0E).u32(0xFFFFFFFF).u32(0).data(), "none"},
        {"part hashes past the end", Known,
         MetWriter().u8(0x0E).u32(1).u32(0).hash(HashOf(kHashA)).u16(0xFFFF).data(), "none"},
        {"tag count past the end", Known, KnownWithTags(0xFFFFFFFF, kSize1000), "none"},
        {"fewer tags than counted", Known, KnownWithTags(2, kSize1000), "none"},
        {"string longer than the file", Known,
         KnownWithTags(1, MetWriter().u8(0x02).u16(1).u8(0x01).u16(0xFFFF).bytes("ab").data()),
         "none"},
        {"blob of 4 GiB", Known,
         KnownWithTags(2, MetWriter().u8(0x07).u16(1).u8(0x70).u32(0xFFFFFFFF).data() + kSize1000),
         "none"},
        {"tag name longer than the file", Known,
         KnownWithTags(1, MetWriter().u8(0x03).u16(0x8000).data()), "none"},
        {"unknown tag type", Known,
         KnownWithTags(2, MetWriter().u8(0x0C).u16(1).u8(0x70).u32(0).data() + kSize1000), "none"},
        {"record without a size names no file", Known, KnownWithTags(1, nameTag), ""},
        {"size with its high word", Known,
         KnownWithTags(2, kSize1000 + MetWriter().uint32Tag(0x3A, 1).data()),
         a + ":" + std::to_string((std::uint64_t{1} << 32) + 1000)},
        {"64-bit size", Known, KnownWithTags(1, MetWriter().uint64Tag(0x02, 5000000000).data()),
         a + ":5000000000"},
        // Values of every length skipped exactly, so the size after them is read right.
        {"compact tags of every type before the size", Known,
         KnownWithTags(11, MetWriter()
                               .u8(0x81)
                               .u8(0x70)
                               .bytes(std::string(16, 'h')) // hash
                               .u8(0x82)
                               .u8(0x71)
                               .u16(3)
                               .bytes("abc") // string
                               .u8(0x84)
                               .u8(0x72)
                               .u32(0) // float
                               .u8(0x85)
                               .u8(0x73)
                               .u8(1) // bool
                               .u8(0x86)
                               .u8(0x74)
                               .u16(9)
                               .u16(0) // 9 bits
                               .u8(0x87)
                               .u8(0x75)
                               .u32(2)
                               .bytes("xy") // blob
                               .u8(0x88)
                               .u8(0x76)
                               .u16(7) // uint16
                               .u8(0x89)
                               .u8(0x77)
                               .u8(7) // uint8
                               .u8(0x8A)
                               .u8(0x78)
                               .u8(1)
                               .bytes("z") // bsob
                               .u8(0x93)
                               .u8(0x79)
                               .bytes("abc") // 3-byte string
                               .u8(0x83)
                               .u8(0x02)
                               .u32(77) // the size
                               .data()),
         a + ":77"},
        {"bytes after the last record are left alone", Known,
         KnownWithTags(1, kSize1000) + "trailing", a + ":1000"},

        {"empty canceled.met", Canceled, "", "none"},
        {"canceled.met of another version", Canceled, MetWriter().u8(0x20).u32(0).data(), "none"},
        {"no cancelled downloads", Canceled, MetWriter().u8(0x21).u32(0).data(), ""},
        {"more hashes than bytes", Canceled,
         MetWriter().u8(0x21).u32(2).hash(HashOf(kHashA)).data(), "none"},
        {"count of 4 billion", Canceled, MetWriter().u8(0x21).u32(0xFFFFFFFF).data(), "none"},

        {"part.met of the split version", Part, PartWithTags(1, kSize1000, 0xE1), "none"},
        {"part.met without a size", Part, PartWithTags(1, nameTag), "none"},
        {"part.met with its tags cut", Part, PartWithTags(3, kSize1000 + nameTag), "none"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<char> bytes(row.bytes.begin(), row.bytes.end());
        EXPECT_EQ(row.read({bytes.data(), bytes.size()}), row.expected);
    }
}

// How much of a download is done: the size less its gaps (paired by number, cut to the file,
// counted once where they overlap), else the transferred count, else unknown.
TEST(MetFiles, DoneBytesOfADownload)
{
    const std::string size = kSize1000;
    const std::string transferred = MetWriter().uint32Tag(0x08, 300).data();
    const auto start = [](const char *n, std::uint64_t at) {
        return MetWriter().namedNumberTag(std::string("\x09") + n, at, false).data();
    };
    const auto end = [](const char *n, std::uint64_t at) {
        return MetWriter().namedNumberTag(std::string("\x0A") + n, at, false).data();
    };
    const struct
    {
        const char *what;
        std::vector<std::string> tags;
        std::string done; // "" for unknown
    } rows[] = {
        {"fresh download", {size, start("0", 0), end("0", 1000)}, "0"},
        {"two gaps", {size, start("0", 0), end("0", 100), start("1", 900), end("1", 1000)}, "800"},
        {"overlapping gaps counted once",
         {size, start("0", 0), end("0", 600), start("1", 400), end("1", 800)},
         "200"},
        {"the same gap twice",
         {size, start("0", 100), end("0", 200), start("7", 100), end("7", 200)},
         "900"},
        {"gap past the end cut to the file", {size, start("0", 500), end("0", 99999)}, "500"},
        {"gap that starts past the end", {size, start("0", 5000), end("0", 6000)}, "1000"},
        {"empty and reversed gaps",
         {size, start("0", 10), end("0", 10), start("1", 50), end("1", 20)},
         "1000"},
        {"ends before starts", {size, end("1", 1000), start("1", 750)}, "750"},
        {"gap without its end: the transferred count", {size, transferred, start("0", 0)}, "300"},
        {"gap numbers that are no numbers", {size, start("x", 0), end("x", 1000)}, ""},
        {"transferred count past the size",
         {size, MetWriter().uint32Tag(0x08, 5000).data()},
         "1000"},
        {"nothing said", {size}, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::string tags;
        for (const std::string &tag : row.tags)
            tags += tag;
        const auto part =
            ReadPartMet(PartWithTags(static_cast<std::uint32_t>(row.tags.size()), tags));
        ASSERT_TRUE(part);
        EXPECT_EQ(part->doneBytes ? std::to_string(*part->doneBytes) : "", row.done);
    }
}

namespace {

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// The bytes in a temporary file, read from its start.
std::unique_ptr<std::FILE, FileCloser> TemporaryFile(const std::string &bytes)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    return file;
}

} // namespace

// known.met read from a file a block at a time, its part hashes skipped, reads what it reads
// from memory; a file shorter than it was said to be is rejected.
TEST(MetFiles, KnownMetFromAFileAsFromMemory)
{
    std::mt19937_64 random(3);
    std::vector<FileId> many(3000);
    for (FileId &file : many) {
        for (std::uint8_t &byte : file.hash)
            byte = static_cast<std::uint8_t>(random());
        file.size = 1 + random() % (std::uint64_t{8} << 30); // up to 880 part hashes
    }
    const std::string large = test::KnownMetFile(many);
    ASSERT_GT(large.size(), std::size_t{8} << 20) << "several blocks, skips across them";
    const struct
    {
        const char *what;
        std::string bytes;
        std::uint64_t said; // the size the reader is told
    } rows[] = {
        {"real", Fixture("known.met"), Fixture("known.met").size()},
        {"3000 files", large, large.size()},
        {"shorter than said", large.substr(0, large.size() - 1), large.size()},
        {"cut in a part hash", large.substr(0, 5000), 5000},
        {"a string tag past the block", KnownWithTags(1, kSize1000), 5},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const auto file = TemporaryFile(row.bytes);
        MetReader in(file.get(), row.said);
        const auto fromFile = ReadKnownMet(in);
        const auto fromMemory = ReadKnownMet(std::string_view(row.bytes).substr(
            0, std::min<std::size_t>(row.bytes.size(), row.said)));
        EXPECT_EQ(fromFile, row.said <= row.bytes.size() ? fromMemory : std::nullopt);
    }
    const auto file = TemporaryFile(large);
    MetReader in(file.get(), large.size());
    const auto read = ReadKnownMet(in);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, many);
}
