// Arbitrary bytes as the ed2k client's files: each reader either rejects them or answers what
// the bytes can hold, and never reads past them.
#include "ed2kclient/metfiles.h"

#include <cstdint>
#include <cstdlib>
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
    if (const auto files = ReadKnownMet(bytes))
        Check(files->size() <= size / 26);
    if (const auto hashes = ReadCanceledMet(bytes))
        Check(hashes->size() <= size / 16);
    if (const auto part = ReadPartMet(bytes))
        Check(!part->doneBytes || *part->doneBytes <= part->id.size);
    return 0;
}
