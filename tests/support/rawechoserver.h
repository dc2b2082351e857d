#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace jiujiu::test {

// Answers every request with 200 and the request's own bytes as the body: request line, header
// lines in order, body (by Content-Length). For checking what went on the wire byte for byte,
// which the HTTP library's parsed request cannot show. Also works as a plain-HTTP proxy.
class RawEchoServer final
{
public:
    RawEchoServer();
    ~RawEchoServer();
    RawEchoServer(const RawEchoServer &) = delete;
    RawEchoServer &operator=(const RawEchoServer &) = delete;

    bool start();
    int port() const { return m_port; }
    std::string url(const std::string &path) const;
    // "127.0.0.1:PORT", for use as a proxy.
    std::string hostAndPort() const;

    // Every request received so far, oldest first.
    std::vector<std::string> requests() const;

private:
    void serve();
    void answer(int connection);

    int m_listener = -1;
    int m_wakePipe[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

} // namespace jiujiu::test
