#include "search/searchrequest.h"

#include "net/urlencoding.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"

namespace jiujiu {

Text ViewerServiceAddress()
{
    return "http://" + HostSetting(Host::Viewer) + "/Tools/PageCode.aspx";
}

Text SearchRequestBody(const Text &keyword, std::int32_t page)
{
    return Concatenate({"q=", HostSetting(Host::Search), "%2F%2Fsearch%2F",
                        UrlEncode(keyword, Value(1)), "%3Fpage%3D", ToText(Value(page)),
                        "%26mode%3Dlist&searchMode=1"});
}

} // namespace jiujiu
