#pragma once

#include <string>
#include <string_view>

namespace jiujiu {

// Direction controls in names (UTF-8): U+202A-U+202E (LRE, RLE, PDF, LRO, RLO) and
// U+2066-U+2069 (LRI, RLI, FSI, PDI) turn the text after them around, so "x\u202Evkm.exe"
// shows as "xexe.mkv".

bool HasDirectionControls(std::string_view utf8);
// The controls spelt out, "x⟨RLO⟩vkm.exe": what the name really holds, in its real order.
std::string WithVisibleDirectionControls(std::string_view utf8);
// The text between a first-strong isolate (U+2068) and a pop directional isolate (U+2069):
// shown inside other text, nothing in it can reorder what follows. Empty stays empty.
std::string IsolatedUtf8(std::string_view utf8);

} // namespace jiujiu
