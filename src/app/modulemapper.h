#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace jiujiu {

// One image mapped by MapModuleImage, allocated from the loader table's process heap.
struct MappedModule
{
    void *headers = nullptr;          // the NT headers inside the mapped copy
    void *base = nullptr;             // start of the mapped image
    void **importedModules = nullptr; // libraries loaded for the imports, in load order
    std::int32_t importedModuleCount = 0;
    std::uint32_t initialised = 0; // 1 once the entry point accepted the attach call
    std::uint32_t size = 0;        // SizeOfImage: the extent every later read stays in
    // The part filled from the file (the headers or one section's raw data) that holds the
    // export directory, taken from the source image; the export tables must lie inside it.
    // Empty when no such part holds the directory.
    std::uint32_t exportsBegin = 0;
    std::uint32_t exportsEnd = 0;
};

// Detaches (when initialised), frees the imported libraries and releases the memory and the
// record. Null is ignored.
void UnmapModule(MappedModule *module);

struct ModuleUnmapper
{
    void operator()(MappedModule *module) const { UnmapModule(module); }
};
// A mapped image that is unmapped when its owner lets go of it.
using MappedModuleHandle = std::unique_ptr<MappedModule, ModuleUnmapper>;

// Maps a 32-bit Windows DLL image (PE32) held in memory: headers and sections copied,
// relocated, imports resolved, sections protected. Every read stays inside [image, image +
// size). Answers null for a malformed image or when any step fails, with everything released.
// Where the host cannot run the image's code, an image with an entry point cannot be mapped.
MappedModuleHandle MapModuleImage(const void *image, std::size_t size);

} // namespace jiujiu
