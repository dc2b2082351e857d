#pragma once

#include "runtime/value.h"

#include <string_view>

namespace jiujiu {

struct MappedModule;

// The skin engine image and the built-in skin the program carries (the image is empty in a
// build made without the 32-bit Windows cross compiler).
std::string_view SkinEngineImage();
const ByteSet &BuiltInSkin();

// The program-wide skin engine handle, as start-up and shutdown use it: map once before the
// first window, attach once the main window exists, detach, unmap. Where the engine cannot
// be mapped or lacks an export, the skin calls are skipped and the windows stay unskinned.
void MapSkinEngine();
MappedModule *SkinEngineHandle();
void AttachSkin();
void DetachSkin();
void UnmapSkinEngine();

// The same calls on a given engine: true when the export was found and called.
bool AttachSkinTo(const MappedModule *engine, const ByteSet &skin);
bool DetachSkinFrom(const MappedModule *engine);

} // namespace jiujiu
