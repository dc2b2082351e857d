#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

// Serves a stand-in cloud-play page on 127.0.0.1: "/iplay.html" answers a page whose
// paragraph "link" holds the link of its query, read from the raw query text between "url="
// and "&tryplay=1&from=vodHome" and percent-decoded, so "&" inside the link survives.
class LoopbackServer
{
public:
    LoopbackServer();
    ~LoopbackServer();

    // "127.0.0.1:port"
    std::string hostAndPort() const;
    // The request targets seen so far, as they came over the wire.
    std::vector<std::string> targets() const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_targets;
};
