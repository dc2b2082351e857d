// A whole search against the demo service with a fixed latency per answer: wall time against
// the floor of round trips the search needs (the first answer, page 1 itself, then pages 2..
// JOBS at a time), the connections it opened, and the longest stretch in which the user
// interface was not served. Targets: within 1.3x of the floor, no more connections than JOBS,
// no stretch of 50 ms or more.
//
//   bench_search [--pages N] [--latency-ms N] [--runs N] [--jobs N]
#include "childprocess.h"
#include "regex/regexobject.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/searchwindow.h"
#include "search/searchworkflow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace jiujiu;
using Clock = std::chrono::steady_clock;

namespace {

class CountingWindow final : public SearchWindow
{
public:
    Text keywordText;
    int rows = 0;

    Text keyword() override { return keywordText; }
    void setCurrentPage(int) override {}
    void setAnnouncement(const Text &) override {}
    void showProgress(const Text &) override {}
    void deleteAllRows() override { rows = 0; }
    int appendRow(const Text &) override { return rows++; }
    void setCell(int, int, const Text &) override {}
    Text cellText(int, int) override { return {}; }
    int currentSelection() override { return -1; }
    void setSearchRunning(bool) override {}
    bool stopRequested() override { return false; }
};

// Stands in for the event loop: notes when it was last given the chance to run.
class TimingUi final : public UiServices
{
public:
    Clock::time_point last = Clock::now();
    Clock::duration longestGap{};

    int messageBox(const Text &, int, const Text &) override { return IdOk; }
    bool setClipboardText(const Text &) override { return true; }
    void clearClipboard() override {}
    bool dispatchPendingEvents() override
    {
        mark();
        return false;
    }
    void mark()
    {
        const auto now = Clock::now();
        longestGap = std::max(longestGap, now - last);
        last = now;
    }
};

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Connections the demo service has accepted, from its log.
int ConnectionsLogged(const std::string &log)
{
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.rfind("connection ", 0) == 0 ? 1 : 0;
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    int pages = 20, latency = 20, runs = 5, jobs = 4;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--pages"))
            pages = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--latency-ms"))
            latency = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--runs"))
            runs = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--jobs"))
            jobs = std::clamp(std::atoi(argv[i + 1]), 1, 8);
    }
    // The catalogue's daily series has 1000 entries: 50 a page.
    const int rowsPerPage = 1000 / std::max(pages, 1);
    char logName[] = "/tmp/bench_search_log_XXXXXX";
    const int logFile = ::mkstemp(logName);
    if (logFile < 0) {
        std::fprintf(stderr, "no log file for the demo service\n");
        return 1;
    }
    ::close(logFile);
    const std::string log = logName;
    test::DemoServiceProcess service({"--latency-ms", std::to_string(latency), "--rows-per-page",
                                      std::to_string(rowsPerPage), "--log", log});
    if (service.host().empty()) {
        std::fprintf(stderr, "the demo service did not start\n");
        return 1;
    }
    service.exportEnvironment();

    TimingUi ui;
    SetUiServices(&ui);
    CountingWindow window;
    window.keywordText = Utf8ToText("每日新闻");
    RegexObject regex;
    SearchWorkflow workflow(window, regex);
    SearchSettings settings = workflow.settings();
    settings.parallelRequests = jobs;
    workflow.setSettings(settings);

    // The first answer is page 1; then pages 2.. JOBS at a time: ceil((pages - 1) / jobs) + 1.
    const int roundTrips = (pages - 1 + jobs - 1) / jobs + 1;
    const double floor = roundTrips * latency;
    const double serialFloor = pages * latency;
    std::printf("search of %d pages x %d rows, %d ms per answer, %d in flight; floor %d x %d ms = "
                "%.0f ms (one at a time: %.0f ms)\n",
                pages, rowsPerPage, latency, jobs, roundTrips, latency, floor, serialFloor);
    std::vector<double> walls, stalls;
    int mostConnections = 0;
    for (int run = 0; run < runs; ++run) {
        ui.longestGap = {};
        const int connectionsBefore = ConnectionsLogged(log);
        const auto start = Clock::now();
        ui.last = start;
        workflow.StartSearch();
        const auto wall = Clock::now() - start;
        ui.mark();
        const int connections = ConnectionsLogged(log) - connectionsBefore;
        mostConnections = std::max(mostConnections, connections);
        walls.push_back(Ms(wall));
        stalls.push_back(Ms(ui.longestGap));
        std::printf("run %d: %d rows, %d requests over %d connections, wall %.1f ms (%.2fx the "
                    "floor), longest time without serving the user interface %.1f ms\n",
                    run + 1, window.rows, workflow.report().requests, connections, Ms(wall),
                    Ms(wall) / floor, Ms(ui.longestGap));
    }
    std::sort(walls.begin(), walls.end());
    const double median = walls[walls.size() / 2];
    const double worstStall = *std::max_element(stalls.begin(), stalls.end());
    std::printf("median wall %.1f ms = %.2fx the floor (target 1.30x: %s); at most %d connections "
                "a search (target %d: %s); longest stall %.1f ms (target < 50 ms: %s)\n",
                median, median / floor, median <= 1.3 * floor ? "met" : "MISSED", mostConnections,
                jobs, mostConnections <= jobs ? "met" : "MISSED", worstStall,
                worstStall < 50 ? "met" : "MISSED");
    SetUiServices(nullptr);
    ::unlink(logName);
    return 0;
}
