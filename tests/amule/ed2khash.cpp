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
struct ContextFreer
{
    void operator()(OSSL_LIB_CTX *context) const { OSSL_LIB_CTX_free(context); }
};
struct ProviderUnloader
{
    void operator()(OSSL_PROVIDER *provider) const { OSSL_PROVIDER_unload(provider); }
};

} // namespace

std::optional<std::string> Ed2kHashOfOnePart(const std::string &data)
{
    // A library context of its own, so the process's default providers stay as they are.
    const std::unique_ptr<OSSL_LIB_CTX, ContextFreer> context(OSSL_LIB_CTX_new());
    if (!context)
        return std::nullopt;
    const std::unique_ptr<OSSL_PROVIDER, ProviderUnloader> legacy(
        OSSL_PROVIDER_load(context.get(), "legacy"));
    const std::unique_ptr<EVP_MD, DigestFreer> md4(
        legacy ? EVP_MD_fetch(context.get(), "MD4", nullptr) : nullptr);
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
