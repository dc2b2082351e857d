#pragma once

#include "runtime/value.h"

#include <cstdint>

namespace jiujiu {

// "http://" + viewer host + "/Tools/PageCode.aspx"
Text ViewerServiceAddress();
// The form body asking the viewer for result page N of the keyword.
Text SearchRequestBody(const Text &keyword, std::int32_t page);

} // namespace jiujiu
