#pragma once

#include <chrono>
#include <memory>

namespace jiujiu {

class HttpRequestJob;

// Runs the job on a detached worker thread of its own. When no thread can be made the job is
// finished at once as failed (HttpFailure::NoWorker) and the answer is false.
bool StartHttpWorker(const std::shared_ptr<HttpRequestJob> &job);

// Workers still running, including those whose callers stopped waiting.
int RunningHttpWorkers();
// Waits until no worker runs or the time is up; true when none runs. For an orderly exit.
bool WaitForHttpWorkers(std::chrono::milliseconds timeout);
// Asks every running worker to end its transfer soon. For an orderly exit.
void CancelHttpWorkers();

} // namespace jiujiu
