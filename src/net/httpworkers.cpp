#include "net/httpworkers.h"

#include "net/httprequestjob.h"
#include "net/httpsession.h"

#include <algorithm>
#include <condition_variable>
#include <curl/curl.h>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace jiujiu {
namespace {

// Never destroyed: a worker whose caller gave up may still end during exit.
struct WorkerRegistry
{
    std::mutex mutex;
    std::condition_variable changed;
    // Jobs of running workers; each worker keeps its job alive until it leaves this list.
    std::vector<HttpRequestJob *> running;
};

WorkerRegistry &Workers()
{
    static auto *registry = new WorkerRegistry;
    return *registry;
}

void InitialiseCurlOnce()
{
    // Not thread-safe in the library: done once, from a caller, before any worker exists.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void Leave(HttpRequestJob *job)
{
    WorkerRegistry &workers = Workers();
    {
        std::lock_guard lock(workers.mutex);
        auto &running = workers.running;
        running.erase(std::find(running.begin(), running.end(), job));
    }
    workers.changed.notify_all();
}

HttpResponse Failed(HttpFailure failure, const char *text)
{
    HttpResponse response;
    response.failure = failure;
    response.failureText = text;
    return response;
}

void RunWorker(std::shared_ptr<HttpRequestJob> job)
{
    HttpResponse response;
    try {
        HttpSession session(*job);
        response = session.run();
    } catch (...) {
        response = Failed(HttpFailure::NoWorker, "out of memory");
    }
    job->finish(std::move(response));
    Leave(job.get());
}

} // namespace

bool StartHttpWorker(const std::shared_ptr<HttpRequestJob> &job)
{
    InitialiseCurlOnce();
    WorkerRegistry &workers = Workers();
    try {
        {
            std::lock_guard lock(workers.mutex);
            workers.running.push_back(job.get());
        }
        std::thread(RunWorker, job).detach();
        return true;
    } catch (const std::exception &) {
        {
            std::lock_guard lock(workers.mutex);
            auto &running = workers.running;
            if (const auto at = std::find(running.begin(), running.end(), job.get());
                at != running.end())
                running.erase(at);
        }
        job->finish(Failed(HttpFailure::NoWorker, "no worker thread"));
        return false;
    }
}

int RunningHttpWorkers()
{
    WorkerRegistry &workers = Workers();
    std::lock_guard lock(workers.mutex);
    return static_cast<int>(workers.running.size());
}

bool WaitForHttpWorkers(std::chrono::milliseconds timeout)
{
    WorkerRegistry &workers = Workers();
    std::unique_lock lock(workers.mutex);
    return workers.changed.wait_for(lock, timeout, [&] { return workers.running.empty(); });
}

void CancelHttpWorkers()
{
    WorkerRegistry &workers = Workers();
    std::lock_guard lock(workers.mutex);
    for (HttpRequestJob *job : workers.running)
        job->cancel();
}

} // namespace jiujiu
