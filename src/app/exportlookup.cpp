#include "app/exportlookup.h"

#include "app/imagelayout.h"
#include "app/mappedimage.h"
#include "app/modulemapper.h"
#include "app/peformat.h"

#include <cstring>

namespace jiujiu {
namespace {

struct ExportDirectoryView
{
    std::uint32_t base = 0;
    std::uint32_t functions = 0;
    std::uint32_t names = 0;
    std::uint32_t functionTable = 0;
    std::uint32_t nameTable = 0;
    std::uint32_t ordinalTable = 0;
    DataDirectory directory;
};

bool InRegion(const MappedModule &module, std::uint64_t offset, std::uint64_t length)
{
    return offset >= module.exportsBegin && offset <= module.exportsEnd &&
           length <= module.exportsEnd - offset;
}

// The directory and its tables lie in the file-filled region that held the directory at
// mapping time, and that region is readable: a count can then never exceed what the file
// holds, and the lookups below read the tables without asking page by page.
bool ReadExportDirectory(const MappedModule &module, ExportDirectoryView &view)
{
    if (!module.base || !module.headers || module.exportsEnd <= module.exportsBegin)
        return false;
    const BoundedReader mapped = FinalisedBytes(module);
    const std::uint64_t nt = NtHeadersOffset(module);
    const std::uint64_t optionalHeader = nt + pe::kOptionalHeader;
    std::uint16_t optionalSize = 0;
    std::uint32_t count = 0;
    if (!mapped.read16(nt + pe::kFileHeader + pe::kSizeOfOptionalHeader, optionalSize) ||
        optionalSize < pe::kOptionalHeaderFixed + pe::kDataDirectorySize ||
        !mapped.read32(optionalHeader + pe::kNumberOfRvaAndSizes, count) || count == 0 ||
        !ReadDataDirectory(mapped, optionalHeader, 1, pe::ExportDirectory, view.directory) ||
        view.directory.size == 0)
        return false;
    const std::uint64_t at = view.directory.address;
    if (!InRegion(module, at, pe::kExportDirectorySize) ||
        !mapped.contains(module.exportsBegin, module.exportsEnd - module.exportsBegin))
        return false;
    const BoundedReader region(module.base, module.exportsEnd);
    region.read32(at + pe::kExportBase, view.base);
    region.read32(at + pe::kNumberOfFunctions, view.functions);
    region.read32(at + pe::kNumberOfNames, view.names);
    region.read32(at + pe::kAddressOfFunctions, view.functionTable);
    region.read32(at + pe::kAddressOfNames, view.nameTable);
    region.read32(at + pe::kAddressOfNameOrdinals, view.ordinalTable);
    return view.functions != 0 &&
           InRegion(module, view.functionTable, 4 * std::uint64_t(view.functions)) &&
           InRegion(module, view.nameTable, 4 * std::uint64_t(view.names)) &&
           InRegion(module, view.ordinalTable, 2 * std::uint64_t(view.names));
}

void *ExportAddress(const MappedModule &module, const ExportDirectoryView &view,
                    std::uint32_t index)
{
    if (index >= view.functions)
        return nullptr;
    std::uint32_t rva = 0;
    BoundedReader(module.base, module.exportsEnd)
        .read32(std::uint64_t(view.functionTable) + 4 * std::uint64_t(index), rva);
    if (rva == 0 || rva >= module.size)
        return nullptr;
    // A forwarder names another library's export; there is no code here to call.
    if (rva >= view.directory.address && rva - view.directory.address < view.directory.size)
        return nullptr;
    return MappedAt(module, rva);
}

} // namespace

void *FindMappedExport(const MappedModule *module, const char *name)
{
    ExportDirectoryView view;
    if (!module || !name || !ReadExportDirectory(*module, view) || view.names == 0)
        return nullptr;
    const BoundedReader region(module->base, module->exportsEnd);
    const std::size_t wantedLength = std::strlen(name) + 1;
    for (std::uint64_t i = 0; i < view.names; ++i) {
        std::uint32_t nameRva = 0;
        region.read32(view.nameTable + 4 * i, nameRva);
        // Names lie beside their tables; one elsewhere is no name of this image.
        if (!InRegion(*module, nameRva, wantedLength) ||
            std::memcmp(region.at(nameRva), name, wantedLength) != 0)
            continue;
        std::uint16_t index = 0;
        region.read16(view.ordinalTable + 2 * i, index);
        return ExportAddress(*module, view, index);
    }
    return nullptr;
}

void *FindMappedExportByOrdinal(const MappedModule *module, std::uint32_t ordinal)
{
    ExportDirectoryView view;
    if (!module || !ReadExportDirectory(*module, view) || ordinal < view.base)
        return nullptr;
    return ExportAddress(*module, view, ordinal - view.base);
}

} // namespace jiujiu
