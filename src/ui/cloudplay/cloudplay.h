#pragma once

#include "runtime/value.h"

namespace jiujiu {

class CloudPlayWindow;

// Shows the address in the cloud-play window: loads (creates and shows) the window first when
// it is not loaded, then has its browser navigate there. Returns once navigation has started.
void ShowCloudPlayPage(const Text &address);

// False before the first page and once the user has closed the window.
bool IsCloudPlayWindowLoaded();
// The loaded window, or null.
CloudPlayWindow *CurrentCloudPlayWindow();

} // namespace jiujiu
