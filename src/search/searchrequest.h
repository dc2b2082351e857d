#pragma once

#include "runtime/value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jiujiu {

struct HttpCall;

// "http://" + viewer host + "/Tools/PageCode.aspx"
Text ViewerServiceAddress(const std::string &host);
// The form body asking the viewer for result page N of the keyword.
Text SearchRequestBody(const Text &keyword, std::int32_t page);
// The page the form names, on the search site itself: "http://" + search host + "//search/"
// + the keyword as the form encodes it + "?page=N&mode=list".
Text DirectPageAddress(const Text &keyword, std::int32_t page);
// The request for result page N from a viewer service, or from the site for `direct`.
HttpCall PageRequest(const std::string &service, const Text &keyword, std::int32_t page);
// The site's own page the way the viewer shows it: & < > " ' as references, so the search's
// expressions read both alike. Nothing when it would pass `limit` bytes: escaping may make a
// page up to six times larger, and the body cap holds for the page that is read.
std::optional<std::string> EscapedLikeViewer(std::string_view page, std::size_t limit);

} // namespace jiujiu
