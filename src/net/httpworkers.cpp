#include "net/httpworkers.h"

#include "net/httprequestjob.h"

#include <algorithm>
#include <condition_variable>
#include <curl/curl.h>
#include <mutex>
#include <vector>

namespace jiujiu {
namespace {

// Never destroyed: a request whose caller gave up may still end during exit.
struct WorkerRegistry
{
    std::mutex mutex;
    std::condition_variable changed;
    // Jobs that run; each stays alive until it leaves this list.
    std::vector<HttpRequestJob *> running;
    int orphanThreads = 0;
};

WorkerRegistry &Workers()
{
    static auto *registry = new WorkerRegistry;
    return *registry;
}

} // namespace

void InitialiseHttpLibrary()
{
    // Not thread-safe in the library: done once, from a caller, before any handle exists.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void EnterHttpJob(HttpRequestJob *job)
{
    WorkerRegistry &workers = Workers();
    std::lock_guard lock(workers.mutex);
    workers.running.push_back(job);
}

void LeaveHttpJob(HttpRequestJob *job)
{
    WorkerRegistry &workers = Workers();
    {
        std::lock_guard lock(workers.mutex);
        auto &running = workers.running;
        if (const auto at = std::find(running.begin(), running.end(), job); at != running.end())
            running.erase(at);
    }
    workers.changed.notify_all();
}

void EnterOrphanThread()
{
    WorkerRegistry &workers = Workers();
    std::lock_guard lock(workers.mutex);
    ++workers.orphanThreads;
}

void LeaveOrphanThread()
{
    WorkerRegistry &workers = Workers();
    {
        std::lock_guard lock(workers.mutex);
        --workers.orphanThreads;
    }
    workers.changed.notify_all();
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
    return workers.changed.wait_for(
        lock, timeout, [&] { return workers.running.empty() && workers.orphanThreads == 0; });
}

void CancelHttpWorkers()
{
    WorkerRegistry &workers = Workers();
    std::lock_guard lock(workers.mutex);
    for (HttpRequestJob *job : workers.running)
        job->cancel();
}

} // namespace jiujiu
