#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace jiujiu {

// Limits of every HttpRequest; tests shorten them. Together they make every request end: a
// service that accepts and never answers fails after the stall time, one that trickles after
// the low-speed time, and nothing outlasts the transfer time.
struct HttpLimits
{
    std::chrono::milliseconds connectTimeout{8000};
    // Longest time without a byte sent or received once connected.
    std::chrono::milliseconds stallTimeout{8000};
    // Fewer than lowSpeedBytes a second over a whole lowSpeedTime fails the request.
    std::size_t lowSpeedBytes = 1024;
    std::chrono::milliseconds lowSpeedTime{15000};
    // Longest time for one request from its start, connecting included.
    std::chrono::milliseconds transferTimeout{60000};
    // The caller stops waiting after this long without any event.
    std::chrono::milliseconds waitGiveUp{90000};
    // Reading stops at this many body bytes; what was read is kept. The answers one client
    // holds in memory at once stay within twice this in all.
    std::size_t bodyCap = 64u * 1024 * 1024;
    // PEM certificates trusted instead of the system's store; empty: the system's store.
    std::string trustedCertificatesPem;
};

const HttpLimits &CurrentHttpLimits();
// Answers the previous limits. Set from the user-interface thread only; a request copies the
// limits when it starts.
HttpLimits SetHttpLimits(HttpLimits limits);

} // namespace jiujiu
