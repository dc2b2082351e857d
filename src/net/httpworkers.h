#pragma once

#include <chrono>

namespace jiujiu {

class HttpRequestJob;

// Readies the HTTP library; done before any handle is made.
void InitialiseHttpLibrary();

// Bookkeeping of the requests that run, for an orderly exit: a job enters when it is handed
// to a transfer thread and leaves once it has finished.
void EnterHttpJob(HttpRequestJob *job);
void LeaveHttpJob(HttpRequestJob *job);
// A transfer thread whose client has gone, still finishing requests or closing connections.
void EnterOrphanThread();
void LeaveOrphanThread();

// Requests still running, including those whose callers stopped waiting.
int RunningHttpWorkers();
// Waits until no request runs and no thread of a client that has gone is left, or the time is
// up; true when none is. For an orderly exit.
bool WaitForHttpWorkers(std::chrono::milliseconds timeout);
// Asks every running request to end soon. For an orderly exit.
void CancelHttpWorkers();

} // namespace jiujiu
