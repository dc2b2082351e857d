#pragma once

#include <cstddef>

namespace jiujiu {

// Asks the system to back the whole 2 MiB pages inside [data, data + size) with huge pages
// when the memory is first touched: a body of megabytes then costs a few page faults instead
// of one per 4 KiB. Only advice: where the system has none, nothing happens.
void PreferHugePages(void *data, std::size_t size);

} // namespace jiujiu
