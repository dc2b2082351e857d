#pragma once

#include <string>
#include <string_view>

namespace jiujiu {

// Why a body is not the viewer's answer, as UTF-8 ("答案读不出来：…"), or nothing when it is
// one. The viewer shows the fetched page's source HTML-escaped, so even a page without
// results holds escaped markup ("&lt;"); the viewer's or a proxy's own error page, an empty
// or a binary body holds none, and must not read as a search without results.
std::string UnreadableAnswerReason(std::string_view body);

// The reason for a compressed answer that does not decode.
std::string UndecodableAnswerReason();

} // namespace jiujiu
