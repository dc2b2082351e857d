#include "testcertificates.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace jiujiu::test {
namespace {

struct KeyDeleter
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct CertDeleter
{
    void operator()(X509 *cert) const { X509_free(cert); }
};
struct BioDeleter
{
    void operator()(BIO *bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Cert = std::unique_ptr<X509, CertDeleter>;
using Bio = std::unique_ptr<BIO, BioDeleter>;

void Check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("test certificates: ") + what);
}

Key NewKey()
{
    Key key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "key");
    return key;
}

void AddExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Check(ext != nullptr, "extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

struct Validity
{
    long fromSeconds;
    long toSeconds;
};

// Signed by `issuer` with `issuerKey`; self-signed when issuer is null.
Cert NewCertificate(EVP_PKEY *key, const char *commonName, const char *altNames, bool authority,
                    Validity validity, X509 *issuer, EVP_PKEY *issuerKey, long serial)
{
    Cert cert(X509_new());
    Check(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), validity.fromSeconds);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), validity.toSeconds);
    X509_set_pubkey(cert.get(), key);
    X509_NAME *name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>(commonName), -1, -1, 0);
    X509 *signer = issuer ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    AddExtension(cert.get(), signer, NID_basic_constraints,
                 authority ? "critical,CA:TRUE" : "critical,CA:FALSE");
    AddExtension(cert.get(), signer, NID_key_usage,
                 authority ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
    if (altNames)
        AddExtension(cert.get(), signer, NID_subject_alt_name, altNames);
    Check(X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) > 0, "signature");
    return cert;
}

std::string Pem(X509 *cert)
{
    Bio bio(BIO_new(BIO_s_mem()));
    Check(bio && PEM_write_bio_X509(bio.get(), cert) == 1, "certificate PEM");
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string Pem(EVP_PKEY *key)
{
    Bio bio(BIO_new(BIO_s_mem()));
    Check(bio &&
              PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "key PEM");
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

} // namespace

TestCertificates MakeTestCertificates()
{
    constexpr long kDay = 24 * 60 * 60;
    constexpr const char *kLocal = "IP:127.0.0.1,DNS:localhost";
    TestCertificates out;

    const Key caKey = NewKey();
    const Cert ca = NewCertificate(caKey.get(), "jiujiu test authority", nullptr, true,
                                   {-kDay, 30 * kDay}, nullptr, nullptr, 1);
    out.authorityPem = Pem(ca.get());

    auto issue = [&](const char *altNames, Validity validity, long serial, bool selfSigned) {
        const Key key = NewKey();
        const Cert cert = NewCertificate(key.get(), "jiujiu test server", altNames, false, validity,
                                         selfSigned ? nullptr : ca.get(),
                                         selfSigned ? nullptr : caKey.get(), serial);
        return TestCertificate{Pem(cert.get()), Pem(key.get())};
    };
    out.localhost = issue(kLocal, {-kDay, 30 * kDay}, 2, false);
    out.wrongHost = issue("DNS:wrong-host.invalid", {-kDay, 30 * kDay}, 3, false);
    out.expired = issue(kLocal, {-30 * kDay, -kDay}, 4, false);
    out.notYetValid = issue(kLocal, {kDay, 30 * kDay}, 5, false);
    out.selfSigned = issue(kLocal, {-kDay, 30 * kDay}, 6, true);
    return out;
}

} // namespace jiujiu::test
