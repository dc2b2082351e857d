#include "loopbackserver.h"

#include "resultpage.h"

#include <chrono>
#include <httplib.h>
#include <stdexcept>

namespace {

std::string LinkOfTarget(const std::string &target)
{
    static const std::string head = "url=";
    static const std::string tail = "&tryplay=1&from=vodHome";
    const auto begin = target.find(head);
    const auto end = target.rfind(tail);
    if (begin == std::string::npos || end == std::string::npos || end < begin + head.size())
        return "(no link)";
    const std::string raw = target.substr(begin + head.size(), end - begin - head.size());
    return httplib::detail::decode_url(raw, false);
}

} // namespace

LoopbackServer::LoopbackServer() : m_server(std::make_unique<httplib::Server>())
{
    m_server->Get(
        "/iplay.html", [this](const httplib::Request &request, httplib::Response &response) {
            {
                std::lock_guard lock(m_mutex);
                m_targets.push_back(request.target);
            }
            const std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                     "<title>iplay</title></head><body><p id=\"link\">" +
                                     jiujiu::demo::EscapeHtml(LinkOfTarget(request.target)) +
                                     "</p></body></html>";
            response.set_content(page, "text/html; charset=utf-8");
        });
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("cannot bind a loopback port");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // This httplib has no wait_until_ready().
    for (int i = 0; i < 500 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

LoopbackServer::~LoopbackServer()
{
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string LoopbackServer::hostAndPort() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

std::vector<std::string> LoopbackServer::targets() const
{
    std::lock_guard lock(m_mutex);
    return m_targets;
}
