#pragma once

#include <filesystem>

namespace jiujiu {

// The directory of the store: $JIUJIU_STATE_DIR, else $XDG_STATE_HOME/jiujiu, else
// ~/.local/state/jiujiu; empty when none of them is set.
std::filesystem::path StoreDirectory();
// The store's file in it; empty with the directory.
std::filesystem::path StorePath();

} // namespace jiujiu
