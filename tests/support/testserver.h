#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace jiujiu::test {

struct TestCertificate;

// One request as the server understood it.
struct ReceivedRequest
{
    std::string method;
    std::string target; // path and query as sent
    std::string body;
    int status = 0; // what the server answered
};

// An HTTP (or HTTPS) server on 127.0.0.1 with a free port, run by the test. Add handlers through
// server() before start(); the destructor stops it.
class TestServer final
{
public:
    TestServer();
    // HTTPS with this certificate.
    explicit TestServer(const TestCertificate &certificate);
    ~TestServer();
    TestServer(const TestServer &) = delete;
    TestServer &operator=(const TestServer &) = delete;

    httplib::Server &server() { return *m_server; }

    // Binds and serves; false when the server cannot run.
    bool start();
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" + path (https for an HTTPS server).
    std::string url(const std::string &path) const;

    // Serves a fixed page for GET and POST.
    void servePage(const std::string &path, std::string body,
                   std::string contentType = "text/html; charset=utf-8");

    // Every request answered so far, oldest first.
    std::vector<ReceivedRequest> received() const;
    // The log is written just after each answer goes out: a client may see the answer first.
    // Waits until `count` requests are logged or the time is up; true when they are.
    bool waitUntilReceived(std::size_t count, std::chrono::milliseconds timeout) const;

    // For handlers that stall: sleeps until the server stops or the time is up. True when the
    // time ran out without the server stopping.
    bool sleepUnlessStopping(std::chrono::milliseconds duration);
    bool stopping() const;

private:
    void stop();

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    bool m_https = false;
    mutable std::mutex m_mutex;
    std::condition_variable m_stopCondition;
    mutable std::condition_variable m_receivedCondition;
    bool m_stopping = false;
    std::vector<ReceivedRequest> m_received;
};

} // namespace jiujiu::test
