// Arbitrary bytes as the ed2k client's files: each reader either rejects them or answers what
// the bytes can hold, and never reads past them; known.met read from a file a block at a time
// reads what it reads from memory.
#include "ed2kclient/metfiles.h"
#include "ed2kclient/metreader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

using namespace jiujiu;

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A copy of its own size, so the sanitizer sees a read past the end.
    const std::vector<char> copy(data, data + size);
    const std::string_view bytes(copy.data(), copy.size());

    // A record holds at least 26 bytes; a hash 16.
    const auto files = ReadKnownMet(bytes);
    if (files)
        Check(files->size() <= size / 26);
    struct Closer
    {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    const std::unique_ptr<std::FILE, Closer> file(
        size ? ::fmemopen(const_cast<char *>(copy.data()), size, "rb") : nullptr);
    if (file) {
        MetReader in(file.get(), size);
        Check(ReadKnownMet(in) == files);
    }
    if (const auto hashes = ReadCanceledMet(bytes))
        Check(hashes->size() <= size / 16);
    if (const auto part = ReadPartMet(bytes))
        Check(!part->doneBytes || *part->doneBytes <= part->id.size);
    return 0;
}
