#include "net/httplimits.h"

#include <utility>

namespace jiujiu {
namespace {

HttpLimits &Limits()
{
    static HttpLimits limits;
    return limits;
}

} // namespace

const HttpLimits &CurrentHttpLimits()
{
    return Limits();
}

HttpLimits SetHttpLimits(HttpLimits limits)
{
    return std::exchange(Limits(), std::move(limits));
}

} // namespace jiujiu
