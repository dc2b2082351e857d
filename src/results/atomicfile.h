#pragma once

#include <string>
#include <string_view>

namespace jiujiu {

// Replaces the file at path with the bytes, or leaves it as it was: the bytes go to a new
// temporary file in the same directory, are flushed to the disk and renamed over the target.
// On failure the temporary file is removed and error (when given) says what failed, in the
// C library's words for the current locale.
bool WriteFileAtomically(const std::string &path, std::string_view bytes,
                         std::string *error = nullptr);

} // namespace jiujiu
