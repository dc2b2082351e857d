#pragma once

#include "app/boundedreader.h"

#include <cstdint>

namespace jiujiu {

struct MappedModule;

// Addresses and bounded reads inside a mapped image, never past its SizeOfImage.
unsigned char *MappedAt(const MappedModule &module, std::uint64_t offset);
// While mapping, all of the image is committed read/write.
BoundedReader MappedBytes(const MappedModule &module);
// Once finalised, reads also ask the loader table what is readable.
BoundedReader FinalisedBytes(const MappedModule &module);
// Offset of the NT headers from the image's base.
std::uint64_t NtHeadersOffset(const MappedModule &module);
// The entry point's RVA from the mapped headers, 0 when it has none or it lies outside.
std::uint32_t EntryPointOf(const MappedModule &module);

} // namespace jiujiu
