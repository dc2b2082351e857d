#include "net/httprequest.h"

#include "net/httpcall.h"
#include "net/httpclient.h"
#include "net/httplimits.h"
#include "net/httpresponse.h"
#include "runtime/conversions.h"
#include "runtime/uiservices.h"

#include <string>

namespace jiujiu {
namespace {

constexpr std::chrono::milliseconds kBatchPause{10};

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

std::string BodyArgument(const Value &body)
{
    if (const Text *text = body.as<Text>())
        return text->substr(0, text->find('\0'));
    if (const ByteSet *bytes = body.as<ByteSet>())
        return bytes->bytes();
    return {};
}

} // namespace

HttpResponse PerformHttpCall(HttpCall call)
{
    using Clock = std::chrono::steady_clock;
    const auto giveUp = CurrentHttpLimits().waitGiveUp;
    HttpClient client;
    client.start(std::move(call));
    auto lastEvent = Clock::now();
    while (!client.waitForFinished(std::chrono::milliseconds(0))) {
        // Handlers run here may start a request of their own; it nests and returns first.
        if (CurrentUiServices().dispatchPendingEvents()) {
            lastEvent = Clock::now();
        } else if (Clock::now() - lastEvent >= giveUp) {
            client.detachAll(); // the worker finishes alone
            HttpResponse response;
            response.failure = HttpFailure::TimedOut;
            response.failureText =
                "gave up waiting after " + std::to_string(giveUp.count()) + " ms";
            return response;
        }
        if (client.waitForFinished(kBatchPause))
            break;
    }
    auto finished = client.takeFinished();
    return finished.empty() ? HttpResponse() : std::move(finished.front().response);
}

ByteSet HttpRequest(const Value &url, const Value &verb, const Value &proxy,
                    const Value &extraHeaders, const Value &body, const Value &allowCompressed,
                    const Value &openFlags, Text *receivedCookies, Text *receivedHeaders)
{
    HttpCall call;
    call.url = TextArgument(url);
    call.verb = TextArgument(verb);
    call.proxy = TextArgument(proxy);
    call.extraHeaders = TextArgument(extraHeaders);
    call.body = BodyArgument(body);
    call.allowCompressed = !allowCompressed.isOmitted() && ToInteger(allowCompressed) != 0;
    call.openFlags = openFlags.isOmitted() ? 0u : static_cast<std::uint32_t>(ToInteger(openFlags));

    HttpResponse response = PerformHttpCall(std::move(call));
    if (receivedCookies)
        *receivedCookies = std::move(response.setCookies);
    if (receivedHeaders)
        *receivedHeaders = std::move(response.rawHeaders);
    return ByteSet(std::move(response.body));
}

} // namespace jiujiu
