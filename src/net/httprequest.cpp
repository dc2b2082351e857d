#include "net/httprequest.h"

#include "net/httprequestjob.h"
#include "net/httpsession.h"
#include "runtime/conversions.h"
#include "runtime/uiservices.h"

#include <condition_variable>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace jiujiu {
namespace {

constexpr std::chrono::milliseconds kBatchPause{10};

// Never destroyed: a worker whose caller gave up may still end during exit.
struct WorkerCount
{
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
};

WorkerCount &Workers()
{
    static auto *count = new WorkerCount;
    return *count;
}

void InitialiseCurlOnce()
{
    // Not thread-safe in the library: done once, from the caller, before any worker exists.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A text argument as the text it is (up to its terminating NUL); other kinds converted.
Text TextArgument(const Value &value)
{
    if (value.isOmitted())
        return {};
    Text text = ToText(value);
    if (const auto nul = text.find('\0'); nul != Text::npos)
        text.resize(nul);
    return text;
}

void SetBody(HttpRequestJob &job, const Value &body)
{
    if (const Text *text = body.as<Text>()) {
        job.body = text->substr(0, text->find('\0'));
    } else if (const ByteSet *bytes = body.as<ByteSet>()) {
        job.body = bytes->bytes();
    }
    job.hasBody = !job.body.empty();
}

void RunWorker(std::shared_ptr<HttpRequestJob> job)
{
    HttpResponse response;
    try {
        HttpSession session(*job);
        response = session.run();
    } catch (...) {
        response = {}; // out of memory: the request failed
    }
    job->finish(std::move(response));
    job.reset();
    WorkerCount &workers = Workers();
    {
        std::lock_guard lock(workers.mutex);
        --workers.running;
    }
    workers.changed.notify_all();
}

bool StartWorker(const std::shared_ptr<HttpRequestJob> &job)
{
    WorkerCount &workers = Workers();
    {
        std::lock_guard lock(workers.mutex);
        ++workers.running;
    }
    try {
        std::thread(RunWorker, job).detach();
        return true;
    } catch (const std::system_error &) {
        std::lock_guard lock(workers.mutex);
        --workers.running;
        return false;
    }
}

// Keeps the user interface alive until the worker ends, or until the give-up time passes
// without any event.
void WaitForWorker(HttpRequestJob &job)
{
    using Clock = std::chrono::steady_clock;
    auto lastEvent = Clock::now();
    while (!job.waitFinished(std::chrono::milliseconds(0))) {
        // Handlers run here may start a request of their own; it nests and returns first.
        if (CurrentUiServices().dispatchPendingEvents())
            lastEvent = Clock::now();
        else if (Clock::now() - lastEvent >= job.limits.waitGiveUp)
            return;
        if (job.waitFinished(kBatchPause))
            return;
    }
}

} // namespace

ByteSet HttpRequest(const Value &url, const Value &verb, const Value &proxy,
                    const Value &extraHeaders, const Value &body, const Value &allowCompressed,
                    const Value &openFlags, Text *receivedCookies, Text *receivedHeaders)
{
    InitialiseCurlOnce();
    auto job = std::make_shared<HttpRequestJob>();
    job->url = TextArgument(url);
    job->verb = TextArgument(verb);
    job->proxy = TextArgument(proxy);
    job->extraHeaders = TextArgument(extraHeaders);
    SetBody(*job, body);
    job->allowCompressed = !allowCompressed.isOmitted() && ToInteger(allowCompressed) != 0;
    job->openFlags = openFlags.isOmitted() ? 0u : static_cast<std::uint32_t>(ToInteger(openFlags));
    job->limits = CurrentHttpLimits();

    if (StartWorker(job))
        WaitForWorker(*job);
    HttpResponse response = job->results();
    if (receivedCookies)
        *receivedCookies = std::move(response.setCookies);
    if (receivedHeaders)
        *receivedHeaders = std::move(response.rawHeaders);
    return ByteSet(std::move(response.body));
}

int RunningHttpWorkers()
{
    WorkerCount &workers = Workers();
    std::lock_guard lock(workers.mutex);
    return workers.running;
}

bool WaitForHttpWorkers(std::chrono::milliseconds timeout)
{
    WorkerCount &workers = Workers();
    std::unique_lock lock(workers.mutex);
    return workers.changed.wait_for(lock, timeout, [&] { return workers.running == 0; });
}

} // namespace jiujiu
