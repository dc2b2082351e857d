#include "app/skinbinding.h"

#include "app/exportlookup.h"
#include "app/hostimports.h"
#include "app/modulemapper.h"
#include "app/nativecall.h"
#include "app/skinengine.h"

#include <cstring>
#include <memory>

// The closed engine cannot be carried, so the program carries an engine image of its own with
// the same two exports. They are import thunks into "jiujiuskin.dll", a library the program
// serves from ProgramImports(): mapping, export lookup and the calls all go through the module
// mapper, and SkinEngine does the drawing (res/skin/engine/skinengine.c).
namespace jiujiu {

// Generated at build time from res/skin (builtinskin.cpp, skinengineimage.cpp).
extern const unsigned char kSkinEngineImage[];
extern const std::size_t kSkinEngineImageSize;
extern const unsigned char kBuiltInSkin[];
extern const std::size_t kBuiltInSkinSize;

namespace {

// Never destroyed: the program ends through _Exit, and a destructor run at exit would come
// after the loader's own statics are gone.
MappedModuleHandle &Engine()
{
    static auto *engine = new MappedModuleHandle;
    return *engine;
}

void RegisterEngineOnce()
{
    static bool registered = false;
    if (!registered) {
        SkinEngine::registerImports(ProgramImports());
        registered = true;
    }
}

} // namespace

std::string_view SkinEngineImage()
{
    return {reinterpret_cast<const char *>(kSkinEngineImage), kSkinEngineImageSize};
}

const ByteSet &BuiltInSkin()
{
    static const ByteSet skin(kBuiltInSkin, kBuiltInSkinSize);
    return skin;
}

void MapSkinEngine()
{
    if (Engine())
        return;
    RegisterEngineOnce();
    const std::string_view image = SkinEngineImage();
    Engine() = MapModuleImage(image.data(), image.size());
}

MappedModule *SkinEngineHandle()
{
    return Engine().get();
}

void AttachSkin()
{
    AttachSkinTo(Engine().get(), BuiltInSkin());
}

void DetachSkin()
{
    DetachSkinFrom(Engine().get());
}

void UnmapSkinEngine()
{
    Engine().reset();
}

bool AttachSkinTo(const MappedModule *engine, const ByteSet &skin)
{
    void *entry = FindMappedExport(engine, "SkinH_AttachRes");
    if (!entry)
        return false;
    // The engine gets a copy of its own; it has read what it needs when the call returns.
    auto copy = std::make_unique<char[]>(skin.size() + 1);
    std::memcpy(copy.get(), skin.data(), skin.size());
    CallMappedExport(engine, entry,
                     {reinterpret_cast<std::uintptr_t>(copy.get()), skin.size(), 0, 0, 0, 0});
    return true;
}

bool DetachSkinFrom(const MappedModule *engine)
{
    void *entry = FindMappedExport(engine, "SkinH_Detach");
    if (!entry)
        return false;
    CallMappedExport(engine, entry, ExportArguments{});
    return true;
}

} // namespace jiujiu
