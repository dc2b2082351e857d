#include "ed2khash.h"

#include <cstdio>
#include <memory>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <random>

namespace jiujiu::test {
namespace {

struct DigestFreer
{
    void operator()(EVP_MD *md) const { EVP_MD_free(md); }
};

} // namespace

std::optional<std::string> Ed2kHashOfOnePart(const std::string &data)
{
    // Loaded for the rest of the process: the default one too, which loading another turns off.
    static const bool loaded = OSSL_PROVIDER_load(nullptr, "legacy") != nullptr &&
                               OSSL_PROVIDER_load(nullptr, "default") != nullptr;
    if (!loaded)
        return std::nullopt;
    const std::unique_ptr<EVP_MD, DigestFreer> md4(EVP_MD_fetch(nullptr, "MD4", nullptr));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!md4 || !EVP_Digest(data.data(), data.size(), digest, &length, md4.get(), nullptr))
        return std::nullopt;
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

std::string SampleFileBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    std::mt19937 random(19);
    for (char &c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

} // namespace jiujiu::test
