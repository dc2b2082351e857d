// Loopback stand-in for the page-source viewer service and the search site, so the program
// runs and is tested without the internet.
#include "catalogue.h"
#include "connectioncounter.h"
#include "resultpage.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <httplib.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

struct Options
{
    int port = 0;
    int latencyMs = 0;
    int rowsPerPage = 20;
    int archive = 0;
    std::string logFile;
    int retryAfter = -1;        // seconds named in Retry-After on the 503s; -1: none
    std::set<int> failPages;    // answered 503 the first time each is asked
    std::set<int> dropPages;    // always: the connection drops in the middle of the answer
    std::set<int> tricklePages; // always: the answer comes at one byte a second, without end
    std::set<int> stallPages;   // always: the request is taken and never answered
    std::set<int> floodPages;   // always: an answer without end, as fast as it is taken
    bool unavailable = false;   // the viewer answers every request 503
};

// Threads serving connections: kept-alive connections hold one each while they wait, and so do
// the faults that never end.
constexpr std::size_t kServiceThreads = 64;
// A connection serves this many requests before the service closes it.
constexpr std::size_t kRequestsPerConnection = 100;
// A stalled request is held this long, longer than any client waits, then dropped.
constexpr auto kStallTime = std::chrono::minutes(2);

void Usage(std::FILE *to)
{
    std::fprintf(to, "usage: jiujiu-demo-service [--port N] [--latency-ms N] [--rows-per-page N] "
                     "[--log FILE] [--fail-pages LIST] [--retry-after N] [--drop-pages LIST] "
                     "[--trickle-pages LIST] [--stall-pages LIST] [--flood-pages LIST] "
                     "[--archive N] [--unavailable]\n"
                     "  LIST: page numbers separated by commas, e.g. 2,5\n"
                     "  --archive N: N more resources named 档案馆.第NNNNNN卷.zip\n"
                     "  --unavailable: the viewer answers every request 503 (the site still "
                     "answers)\n"
                     "  The site itself answers GET //search/KEYWORD?page=N&mode=list\n"
                     "  --help: print this and exit\n");
}

bool ParseInt(const char *text, int low, int high, int &out)
{
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < low || v > high)
        return false;
    out = static_cast<int>(v);
    return true;
}

// "2,5,7": page numbers from 1, separated by commas.
bool ParsePages(const char *text, std::set<int> &pages)
{
    std::string list = text;
    if (list.empty())
        return false;
    std::size_t start = 0;
    while (start <= list.size()) {
        const auto comma = std::min(list.find(',', start), list.size());
        int page = 0;
        if (!ParseInt(list.substr(start, comma - start).c_str(), 1, 2147483647, page))
            return false;
        pages.insert(page);
        start = comma + 1;
    }
    return true;
}

bool ParseOptions(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue) {
            if (!ParseInt(argv[++i], 0, 65535, o.port))
                return false;
        } else if (arg == "--latency-ms" && hasValue) {
            if (!ParseInt(argv[++i], 0, 600000, o.latencyMs))
                return false;
        } else if (arg == "--rows-per-page" && hasValue) {
            if (!ParseInt(argv[++i], 1, 100000, o.rowsPerPage))
                return false;
        } else if (arg == "--archive" && hasValue) {
            if (!ParseInt(argv[++i], 0, 1000000, o.archive))
                return false;
        } else if (arg == "--unavailable") {
            o.unavailable = true;
        } else if (arg == "--log" && hasValue) {
            o.logFile = argv[++i];
        } else if (arg == "--fail-pages" && hasValue) {
            if (!ParsePages(argv[++i], o.failPages))
                return false;
        } else if (arg == "--retry-after" && hasValue) {
            if (!ParseInt(argv[++i], 0, 86400, o.retryAfter))
                return false;
        } else if (arg == "--drop-pages" && hasValue) {
            if (!ParsePages(argv[++i], o.dropPages))
                return false;
        } else if (arg == "--trickle-pages" && hasValue) {
            if (!ParsePages(argv[++i], o.tricklePages))
                return false;
        } else if (arg == "--stall-pages" && hasValue) {
            if (!ParsePages(argv[++i], o.stallPages))
                return false;
        } else if (arg == "--flood-pages" && hasValue) {
            if (!ParsePages(argv[++i], o.floodPages))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// q is "HOST//search/KEYWORD?page=N&mode=list" once form-decoded.
bool ParseQuery(const std::string &q, std::string &keyword, int &page)
{
    const auto start = q.find("//search/");
    const auto query = q.rfind("?page=");
    if (start == std::string::npos || query == std::string::npos || query < start + 9)
        return false;
    keyword = q.substr(start + 9, query - start - 9);
    page = std::atoi(q.c_str() + query + 6);
    return true;
}

std::string CloudPlayPage(const std::string &link)
{
    const std::string escaped = jiujiu::demo::EscapeHtml(link);
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>云播放</title>\n"
           "<style>body{font-family:sans-serif;background:#10151c;color:#e8eef5;margin:40px}"
           ".link{word-break:break-all;background:#1d2733;padding:12px;border-radius:6px}</style>\n"
           "</head>\n<body>\n<h1>云播放（演示）</h1>\n<p>正在准备播放：</p>\n"
           "<p class=\"link\" id=\"link\">" +
           escaped + "</p>\n</body>\n</html>\n";
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        Usage(stdout);
        return 0;
    }
    if (!ParseOptions(argc, argv, options)) {
        Usage(stderr);
        return 2;
    }
    jiujiu::demo::SetArchiveSize(options.archive);

    std::mutex logMutex;
    std::mutex faultMutex;
    std::set<int> failedOnce;
    // Answers already made, by form field q: the catalogue never changes, and making a large
    // page takes longer than sending it, which would weigh on every client's measurements.
    std::mutex cacheMutex;
    std::map<std::string, std::shared_ptr<const std::string>> answers;
    constexpr std::size_t kCachedAnswers = 32;
    std::ofstream log;
    if (!options.logFile.empty()) {
        log.open(options.logFile, std::ios::app);
        if (!log) {
            std::fprintf(stderr, "cannot open log file %s\n", options.logFile.c_str());
            return 2;
        }
    }

    httplib::Server server;
    server.set_logger([&](const httplib::Request &req, const httplib::Response &) {
        if (!log.is_open())
            return;
        std::lock_guard lock(logMutex);
        log << req.method << ' ' << req.path << ' ' << req.body << '\n';
        log.flush();
    });
    // Each connection accepted is logged, so a client that reuses its connections shows it.
    server.new_task_queue = [&] {
        return new jiujiu::demo::ConnectionCounter(kServiceThreads, [&](long count) {
            if (!log.is_open())
                return;
            std::lock_guard lock(logMutex);
            log << "connection " << count << '\n';
            log.flush();
        });
    };
    server.set_keep_alive_max_count(kRequestsPerConnection);
    // Answers go out at once: with Nagle's algorithm the body of an answer on a kept-alive
    // connection would wait for the client's delayed acknowledgement of the headers.
    server.set_tcp_nodelay(true);
    std::mutex stallMutex;
    std::condition_variable stallEnd; // never signalled: a stalled request just waits

    // The search site's own result page N of the keyword.
    const auto sitePage = [&options](const std::string &keyword, int page) {
        const auto found = jiujiu::demo::FindResources(keyword);
        const int perPage = options.rowsPerPage;
        const int lastPage = static_cast<int>((found.size() + perPage - 1) / perPage);
        std::vector<const jiujiu::demo::Resource *> rows;
        if (page >= 1 && page <= lastPage) {
            const auto begin = found.begin() + static_cast<long>(page - 1) * perPage;
            rows.assign(begin, begin + std::min<long>(perPage, found.end() - begin));
        }
        const long long total = found.empty() ? -1 : static_cast<long long>(found.size());
        return jiujiu::demo::SearchResultPage(keyword, rows, total, page, lastPage);
    };
    // Made once per key, then sent as made.
    const auto cached = [&](const std::string &key, const std::function<std::string()> &make) {
        {
            std::lock_guard lock(cacheMutex);
            if (const auto known = answers.find(key); known != answers.end())
                return known->second;
        }
        auto answer = std::make_shared<const std::string>(make());
        std::lock_guard lock(cacheMutex);
        if (answers.size() >= kCachedAnswers)
            answers.clear();
        answers.emplace(key, answer);
        return std::shared_ptr<const std::string>(answer);
    };

    server.Post("/Tools/PageCode.aspx", [&](const httplib::Request &req, httplib::Response &res) {
        if (options.latencyMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(options.latencyMs));
        if (options.unavailable) {
            res.status = 503;
            res.set_content("<html><body>503 Service Unavailable</body></html>",
                            "text/html; charset=utf-8");
            return;
        }
        const std::string q = req.get_param_value("q");
        std::string keyword;
        int page = 1;
        const bool parsed = ParseQuery(q, keyword, page);
        if (parsed && options.stallPages.count(page)) {
            std::unique_lock lock(stallMutex);
            stallEnd.wait_for(lock, kStallTime);
            res.status = 504;
            return;
        }
        if (parsed && options.tricklePages.count(page)) {
            res.set_chunked_content_provider(
                "text/html; charset=utf-8", [](std::size_t, httplib::DataSink &sink) {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                    return sink.write("<", 1);
                });
            return;
        }
        if (parsed && options.floodPages.count(page)) {
            static const std::string filler = [] {
                std::string text;
                while (text.size() < 64 * 1024)
                    text += "&lt;tr&gt;&lt;td&gt;...&lt;/td&gt;&lt;/tr&gt;\n";
                return text;
            }();
            res.set_chunked_content_provider("text/html; charset=utf-8",
                                             [](std::size_t, httplib::DataSink &sink) {
                                                 return sink.write(filler.data(), filler.size());
                                             });
            return;
        }
        if (parsed && options.dropPages.count(page)) {
            // Promises a whole page, sends a little of it and closes the connection.
            res.set_content_provider(4096, "text/html; charset=utf-8",
                                     [](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                         if (offset == 0)
                                             sink.write("<html><head>", 12);
                                         return false;
                                     });
            return;
        }
        if (parsed && options.failPages.count(page)) {
            std::lock_guard lock(faultMutex);
            if (failedOnce.insert(page).second) {
                res.status = 503;
                if (options.retryAfter >= 0)
                    res.set_header("Retry-After", std::to_string(options.retryAfter));
                res.set_content("<html><body>503 Service Unavailable</body></html>",
                                "text/html; charset=utf-8");
                return;
            }
        }
        const auto answer = cached("viewer " + q, [&] {
            return jiujiu::demo::ViewerPage("http://" + q,
                                            parsed ? sitePage(keyword, page) : std::string());
        });
        res.set_content(*answer, "text/html; charset=utf-8");
    });

    // The site itself, at the address the viewer's form names ("HOST//search/KEYWORD?...").
    server.Get(R"(/+search/(.*))", [&](const httplib::Request &req, httplib::Response &res) {
        if (options.latencyMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(options.latencyMs));
        const std::string keyword = req.matches[1];
        const int page = std::atoi(req.get_param_value("page").c_str());
        const auto answer = cached("site " + std::to_string(page) + " " + keyword,
                                   [&] { return sitePage(keyword, page); });
        res.set_content(*answer, "text/html; charset=utf-8");
    });

    server.Get("/iplay.html", [&](const httplib::Request &req, httplib::Response &res) {
        // The link rides unencoded in the query and may hold "&" itself: take everything
        // between "url=" and the "&tryplay=" that follows it.
        std::string link;
        const std::string &target = req.target;
        const auto start = target.find("url=");
        if (start != std::string::npos) {
            auto end = target.rfind("&tryplay=");
            if (end == std::string::npos || end < start)
                end = target.size();
            link = httplib::detail::decode_url(target.substr(start + 4, end - start - 4), false);
        }
        res.set_content(CloudPlayPage(link), "text/html; charset=utf-8");
    });

    server.Get("/", [](const httplib::Request &req, httplib::Response &res) {
        res.set_content("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>啾啾神器</title>"
                        "</head><body><h1>啾啾神器 演示站点</h1></body></html>",
                        "text/html; charset=utf-8");
    });

    const int port = options.port == 0
                         ? server.bind_to_any_port("127.0.0.1")
                         : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", options.port);
        return 1;
    }
    std::printf("listening on http://127.0.0.1:%d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
