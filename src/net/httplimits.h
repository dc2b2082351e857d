#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace jiujiu {

// Limits of every HttpRequest; tests shorten them.
struct HttpLimits
{
    std::chrono::milliseconds connectTimeout{90000};
    // Longest time without a byte sent or received once connected.
    std::chrono::milliseconds stallTimeout{90000};
    // The caller stops waiting after this long without any event.
    std::chrono::milliseconds waitGiveUp{90000};
    // Reading stops at this many body bytes; what was read is kept.
    std::size_t bodyCap = 64u * 1024 * 1024;
    // PEM certificates trusted instead of the system's store; empty: the system's store.
    std::string trustedCertificatesPem;
};

const HttpLimits &CurrentHttpLimits();
// Answers the previous limits. Set from the user-interface thread only; a request copies the
// limits when it starts.
HttpLimits SetHttpLimits(HttpLimits limits);

} // namespace jiujiu
