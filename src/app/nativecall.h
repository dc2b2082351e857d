#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace jiujiu {

struct MappedModule;

constexpr std::size_t kMaxExportArguments = 15;
// One machine word per argument (32 bits where the image's code runs); absent ones are skipped.
using ExportArguments = std::array<std::optional<std::uintptr_t>, kMaxExportArguments>;

// Calls an export with the present arguments, first argument at the lowest stack address
// (stdcall or cdecl alike: the stack is restored whatever the callee removed); answers its
// 32-bit result. Where the host cannot run image code, only an export that jumps through the
// image's import address table to a host function of the import resolver can be called;
// anything else answers 0 without running.
std::uint32_t CallMappedExport(const MappedModule *module, const void *entry,
                               const ExportArguments &arguments);
std::uint32_t CallMappedExport(const MappedModule *module, const void *entry,
                               std::initializer_list<std::uintptr_t> arguments);

// Calls the image's entry point with (base, reason, null); true when it answers non-zero.
// Always false where the host cannot run image code.
bool CallEntryPoint(const MappedModule &module, std::uint32_t entryPoint, std::uint32_t reason);

} // namespace jiujiu
