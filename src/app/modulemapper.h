#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>

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
};

constexpr std::size_t kMaxExportArguments = 15;
// One machine word per argument (32 bits where the image's code runs); absent ones are skipped.
using ExportArguments = std::array<std::optional<std::uintptr_t>, kMaxExportArguments>;

// Maps a 32-bit Windows DLL image (PE32) held in memory: headers and sections copied,
// relocated, imports resolved, sections protected. Every read stays inside [image, image +
// size). Answers null for a malformed image or when any step fails, with everything released.
// Where the host cannot run the image's code, an image with an entry point cannot be mapped.
MappedModule *MapModuleImage(const void *image, std::size_t size);

// The address of the export with exactly this name, or null.
void *FindMappedExport(const MappedModule *module, const char *name);
// The address of the export with this ordinal (the export directory's Base counts), or null.
void *FindMappedExportByOrdinal(const MappedModule *module, std::uint32_t ordinal);

// Calls an export with the present arguments, first argument at the lowest stack address
// (stdcall or cdecl alike: the stack is restored whatever the callee removed); answers its
// 32-bit result. Where the host cannot run image code, only an export that jumps through the
// image's import address table to a host function of the import resolver can be called;
// anything else answers 0 without running.
std::uint32_t CallMappedExport(const MappedModule *module, const void *entry,
                               const ExportArguments &arguments);
std::uint32_t CallMappedExport(const MappedModule *module, const void *entry,
                               std::initializer_list<std::uintptr_t> arguments);

// Detaches (when initialised), frees the imported libraries and releases the memory and the
// record. Null is ignored.
void UnmapModule(MappedModule *module);

} // namespace jiujiu
