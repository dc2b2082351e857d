#pragma once

#include <string>

namespace jiujiu::test {

// A server certificate and its private key, PEM.
struct TestCertificate
{
    std::string certificatePem;
    std::string keyPem;
};

// A throw-away certificate authority and server certificates made from it, for HTTPS tests.
struct TestCertificates
{
    std::string authorityPem;    // trust this
    TestCertificate localhost;   // valid for 127.0.0.1 and localhost
    TestCertificate wrongHost;   // valid, but for wrong-host.invalid only
    TestCertificate expired;     // for 127.0.0.1, expired yesterday
    TestCertificate notYetValid; // for 127.0.0.1, valid from tomorrow
    TestCertificate selfSigned;  // for 127.0.0.1, signed by nobody we trust
};

// Makes fresh keys and certificates (P-256, SHA-256). Throws std::runtime_error on failure.
TestCertificates MakeTestCertificates();

} // namespace jiujiu::test
