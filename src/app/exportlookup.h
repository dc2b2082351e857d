#pragma once

#include <cstdint>

namespace jiujiu {

struct MappedModule;

// The address of the export with exactly this name, or null.
void *FindMappedExport(const MappedModule *module, const char *name);
// The address of the export with this ordinal (the export directory's Base counts), or null.
void *FindMappedExportByOrdinal(const MappedModule *module, std::uint32_t ordinal);

} // namespace jiujiu
