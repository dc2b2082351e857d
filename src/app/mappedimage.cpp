#include "app/mappedimage.h"

#include "app/loaderapitable.h"
#include "app/modulemapper.h"
#include "app/peformat.h"

namespace jiujiu {

unsigned char *MappedAt(const MappedModule &module, std::uint64_t offset)
{
    return static_cast<unsigned char *>(module.base) + offset;
}

BoundedReader MappedBytes(const MappedModule &module)
{
    return BoundedReader(module.base, module.size);
}

BoundedReader FinalisedBytes(const MappedModule &module)
{
    const LoaderApiTable *api = ResolveLoaderApiTable();
    return api ? BoundedReader(module.base, module.size, api) : BoundedReader(module.base, 0);
}

std::uint64_t NtHeadersOffset(const MappedModule &module)
{
    return static_cast<std::uint64_t>(static_cast<unsigned char *>(module.headers) -
                                      static_cast<unsigned char *>(module.base));
}

std::uint32_t EntryPointOf(const MappedModule &module)
{
    const BoundedReader mapped = FinalisedBytes(module);
    std::uint32_t entry = 0;
    return mapped.read32(NtHeadersOffset(module) + pe::kOptionalHeader + pe::kAddressOfEntryPoint,
                         entry) &&
                   entry < module.size
               ? entry
               : 0;
}

} // namespace jiujiu
