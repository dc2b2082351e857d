#include "testserver.h"

#include "testcertificates.h"

#include <httplib.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

namespace jiujiu::test {
namespace {

struct BioDeleter
{
    void operator()(BIO *bio) const { BIO_free(bio); }
};
struct CertDeleter
{
    void operator()(X509 *cert) const { X509_free(cert); }
};
struct KeyDeleter
{
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};

bool UseCertificate(SSL_CTX &context, const TestCertificate &certificate)
{
    std::unique_ptr<BIO, BioDeleter> certBio(BIO_new_mem_buf(
        certificate.certificatePem.data(), static_cast<int>(certificate.certificatePem.size())));
    std::unique_ptr<BIO, BioDeleter> keyBio(
        BIO_new_mem_buf(certificate.keyPem.data(), static_cast<int>(certificate.keyPem.size())));
    if (!certBio || !keyBio)
        return false;
    std::unique_ptr<X509, CertDeleter> cert(
        PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
    std::unique_ptr<EVP_PKEY, KeyDeleter> key(
        PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    return cert && key && SSL_CTX_use_certificate(&context, cert.get()) == 1 &&
           SSL_CTX_use_PrivateKey(&context, key.get()) == 1;
}

} // namespace

TestServer::TestServer() : m_server(std::make_unique<httplib::Server>()) {}

TestServer::TestServer(const TestCertificate &certificate)
    : m_server(std::make_unique<httplib::SSLServer>(
          [&certificate](SSL_CTX &context) { return UseCertificate(context, certificate); })),
      m_https(true)
{}

TestServer::~TestServer()
{
    stop();
}

bool TestServer::start()
{
    if (!m_server->is_valid())
        return false;
    m_server->set_logger(
        [this](const httplib::Request &request, const httplib::Response &response) {
            std::lock_guard lock(m_mutex);
            m_received.push_back({request.method, request.target, request.body, response.status});
        });
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // No readiness call in this version of the library: poll.
    for (int i = 0; i < 500 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return m_server->is_running();
}

std::string TestServer::url(const std::string &path) const
{
    return std::string(m_https ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) +
           path;
}

void TestServer::servePage(const std::string &path, std::string body, std::string contentType)
{
    auto handler = [body = std::move(body), contentType = std::move(contentType)](
                       const httplib::Request &, httplib::Response &response) {
        response.set_content(body, contentType);
    };
    m_server->Get(path, handler);
    m_server->Post(path, handler);
}

std::vector<ReceivedRequest> TestServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

bool TestServer::waitUntilReceived(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_receivedCondition.wait_for(lock, timeout, [&] { return m_received.size() >= count; });
}

bool TestServer::sleepUnlessStopping(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_mutex);
    return !m_stopCondition.wait_for(lock, duration, [this] { return m_stopping; });
}

bool TestServer::stopping() const
{
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

void TestServer::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopCondition.notify_all();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace jiujiu::test
