// The search against real demo services: page 1 asked once, the list of viewer services with
// its back-off, and the site itself as the last of them.
#include "catalogue.h"
#include "childprocess.h"
#include "memorysearchwindow.h"
#include "net/httplimits.h"
#include "net/httpworkers.h"
#include "regex/regexobject.h"
#include "resultpage.h"
#include "runtime/codepage.h"
#include "scratchdirectory.h"
#include "search/searchrequest.h"
#include "search/searchworkflow.h"
#include "search/servicebackoff.h"
#include "store/store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace jiujiu;
using namespace std::chrono_literals;

namespace {

// A demo service writing its request log to a file of its own.
struct LoggedService
{
    explicit LoggedService(std::vector<std::string> options = {})
        : log("/tmp/jiujiu-viewerservices-" + std::to_string(::getpid()) + "-" +
              std::to_string(++count) + ".log"),
          service([&] {
              std::remove(log.c_str());
              options.insert(options.end(), {"--log", log});
              return options;
          }())
    {}
    ~LoggedService() { std::remove(log.c_str()); }

    // Requests logged, by page ("page=N" in the form; the site's path logs no query: 0). The
    // service logs a request once its answer is out, so the log is read once it stops growing.
    std::map<int, int> requestsByPage() const
    {
        std::map<int, int> pages = logged();
        for (;;) {
            std::this_thread::sleep_for(30ms);
            std::map<int, int> again = logged();
            if (again == pages)
                return pages;
            pages = std::move(again);
        }
    }
    std::map<int, int> logged() const
    {
        std::map<int, int> pages;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("POST ", 0) != 0 && line.rfind("GET ", 0) != 0)
                continue;
            const auto at = line.find("page%3D");
            if (at != std::string::npos)
                ++pages[std::atoi(line.c_str() + at + 7)];
            else
                ++pages[0];
        }
        return pages;
    }
    int requests() const
    {
        int total = 0;
        for (const auto &[page, n] : requestsByPage())
            total += n;
        return total;
    }

    static inline int count = 0;
    std::string log;
    test::DemoServiceProcess service;
};

class ViewerServicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SearchSettings settings;
        settings.retryPauses = {10ms};
        workflow.setSettings(settings);
        workflow.backoff().setClock([this] { return now; });
    }
    void TearDown() override { EXPECT_TRUE(WaitForHttpWorkers(5s)); }

    SearchOutcome search(const std::string &services, const std::string &searchHost,
                         const char *keyword)
    {
        ::setenv("JIUJIU_VIEWER_HOST", services.c_str(), 1);
        ::setenv("JIUJIU_SEARCH_HOST", searchHost.c_str(), 1);
        window.keywordText = Utf8ToText(keyword);
        return workflow.StartSearch();
    }

    ServiceBackoff::Clock::time_point now{std::chrono::hours(24 * 365 * 50)};
    test::MemorySearchWindow window;
    RegexObject regex;
    SearchWorkflow workflow{window, regex};
};

TEST_F(ViewerServicesTest, EveryPageIsAskedOnce)
{
    struct Case
    {
        const char *keyword;
        int rowsPerPage;
        int pages;
    };
    for (const Case &c :
         {Case{"啾啾历险记", 100, 1}, Case{"啾啾历险记", 5, 5}, Case{"档案馆", 7, 3}}) {
        SCOPED_TRACE(std::string(c.keyword) + " " + std::to_string(c.rowsPerPage));
        LoggedService viewer({"--rows-per-page", std::to_string(c.rowsPerPage), "--archive", "20"});
        ASSERT_EQ(search(viewer.service.host(), "search.example", c.keyword),
                  SearchOutcome::Listed);
        std::map<int, int> once;
        for (int page = 1; page <= c.pages; ++page)
            once[page] = 1;
        EXPECT_EQ(viewer.requestsByPage(), once);
        EXPECT_EQ(workflow.report().pageCount, c.pages);
    }
}

TEST_F(ViewerServicesTest, TheSiteItselfReadsAsTheViewer)
{
    // Names with "&", Chinese, several pages; rows of the site must equal the viewer's.
    for (const char *keyword : {"Tom", "数码宝贝", "啾啾", "档案馆"}) {
        SCOPED_TRACE(keyword);
        LoggedService site({"--rows-per-page", "6", "--archive", "15"});
        const std::string host = site.service.host();
        ASSERT_EQ(search(host, host, keyword), SearchOutcome::Listed);
        const auto viewerRows = window.rows;
        const int viewerRequests = site.requests();
        ASSERT_FALSE(viewerRows.empty());
        ASSERT_EQ(search("direct", host, keyword), SearchOutcome::Listed);
        EXPECT_EQ(window.rows, viewerRows);
        // Every page once more, and through the site's own path.
        EXPECT_EQ(site.requests(), 2 * viewerRequests);
        EXPECT_EQ(site.requestsByPage()[0], viewerRequests);
        EXPECT_EQ(workflow.report().service, "direct");
    }
}

TEST_F(ViewerServicesTest, ASitePageTooLargeOnceEscapedIsTooLarge)
{
    // The one page of the keyword as the site makes it: under the cap, but not once escaped.
    const std::string page =
        demo::SearchResultPage("啾啾历险记", demo::FindResources("啾啾历险记"), 24, 1, 1);
    const std::size_t escaped = EscapedLikeViewer(page, page.size() * 6)->size();
    ASSERT_GT(escaped, page.size());
    HttpLimits limits = CurrentHttpLimits();
    limits.bodyCap = (page.size() + escaped) / 2;
    const HttpLimits previous = SetHttpLimits(limits);
    LoggedService site({"--rows-per-page", "100"});
    const std::string host = site.service.host();
    const SearchOutcome outcome = search("direct", host, "啾啾历险记");
    SetHttpLimits(previous);
    EXPECT_EQ(outcome, SearchOutcome::Unreachable);
    EXPECT_NE(workflow.report().unreachableReason.find("答案超过"), std::string::npos)
        << workflow.report().unreachableReason;
    EXPECT_TRUE(window.rows.empty());
}

TEST_F(ViewerServicesTest, AFailingServiceBacksOffAcrossSearches)
{
    LoggedService down({"--unavailable"});
    LoggedService up;
    const std::string list = down.service.host() + "," + up.service.host();
    // Each search in turn: how far the clock moved before it, whether the failing service is
    // asked, and its level after.
    struct Step
    {
        std::chrono::seconds advance;
        bool asked;
        int level;
    };
    const Step steps[] = {
        {0s, true, 1},    // fails: 30 s
        {29s, false, 1},  // still backing off
        {2s, true, 2},    // asked again, fails: 1 min
        {59s, false, 2},  //
        {2s, true, 3},    // 5 min
        {299s, false, 3}, //
        {2s, true, 4},    // 15 min
    };
    int asked = 0;
    for (const Step &step : steps) {
        now += step.advance;
        SCOPED_TRACE(std::to_string(&step - steps));
        ASSERT_EQ(search(list, "search.example", "啾啾历险记"), SearchOutcome::Listed);
        const int requests = down.requests();
        EXPECT_EQ(requests > asked, step.asked);
        asked = requests;
        EXPECT_EQ(workflow.backoff().level(down.service.host()).level, step.level);
        EXPECT_EQ(workflow.report().service, up.service.host());
        EXPECT_EQ(workflow.report().serviceSwitches.size(), step.asked ? 1u : 0u);
    }
    // A success lowers the level by one; the last service is asked even while backing off.
    workflow.backoff().restore(up.service.host(), {3, now + 1h});
    ASSERT_EQ(search(list, "search.example", "啾啾历险记"), SearchOutcome::Listed);
    EXPECT_EQ(workflow.backoff().level(up.service.host()).level, 2);
    EXPECT_EQ(down.requests(), asked);

    // The next run finds the levels in the store; one that says "for ever" (a forged store, a
    // clock set back) waits no longer than its own step.
    const test::ScratchDirectory scratch("backoff");
    const auto store = Store::Open(scratch.path() / "store.db", Store::Mode::Create).store;
    ASSERT_TRUE(store);
    std::vector<Store::ServiceLevel> levels = workflow.backoff().stored();
    const auto forever =
        std::chrono::duration_cast<std::chrono::seconds>((now + 24h * 3650).time_since_epoch());
    levels.push_back({"forged.example", 2, forever.count()});
    ASSERT_TRUE(store->setServiceLevels(levels));
    ServiceBackoff next([this] { return now; });
    next.restore(*store);
    EXPECT_EQ(next.level(down.service.host()).level, 4);
    EXPECT_EQ(next.level(up.service.host()).level, 2);
    EXPECT_TRUE(next.backingOff(down.service.host()));
    now += 61s;
    EXPECT_FALSE(next.backingOff("forged.example"));
    EXPECT_EQ(next.level("forged.example").level, 2);
}

} // namespace
