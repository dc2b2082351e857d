#include "rawechoserver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace jiujiu::test {
namespace {

constexpr int kReadTimeoutMs = 5000;
constexpr std::size_t kMaxRequest = 16 * 1024 * 1024;

// Content-Length of a request head; 0 when absent.
std::size_t ContentLength(const std::string &head)
{
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos)
        return 0;
    return std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

bool WriteAll(int fd, const std::string &data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

RawEchoServer::RawEchoServer() = default;

RawEchoServer::~RawEchoServer()
{
    if (m_thread.joinable()) {
        const char stop = 'x';
        [[maybe_unused]] const ssize_t n = ::write(m_wakePipe[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_listener, m_wakePipe[0], m_wakePipe[1]})
        if (fd >= 0)
            ::close(fd);
}

bool RawEchoServer::start()
{
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0)
        return false;
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
    return true;
}

std::string RawEchoServer::url(const std::string &path) const
{
    return "http://" + hostAndPort() + path;
}

std::string RawEchoServer::hostAndPort() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

std::vector<std::string> RawEchoServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void RawEchoServer::serve()
{
    for (;;) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        answer(connection);
        ::close(connection);
    }
}

void RawEchoServer::answer(int connection)
{
    std::string request;
    std::size_t headEnd = std::string::npos;
    std::size_t wanted = 0;
    char buffer[4096];
    for (;;) {
        if (headEnd != std::string::npos && request.size() >= wanted)
            break;
        pollfd fd{connection, POLLIN, 0};
        if (::poll(&fd, 1, kReadTimeoutMs) <= 0)
            return;
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<std::size_t>(n));
        if (request.size() > kMaxRequest)
            return;
        if (headEnd == std::string::npos) {
            headEnd = request.find("\r\n\r\n");
            if (headEnd != std::string::npos)
                wanted = headEnd + 4 + ContentLength(request.substr(0, headEnd + 2));
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    WriteAll(connection, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                         "Content-Length: " +
                             std::to_string(request.size()) + "\r\nConnection: close\r\n\r\n" +
                             request);
}

} // namespace jiujiu::test
