#include "app/modulemapper.h"

#include "app/boundedreader.h"
#include "app/imagelayout.h"
#include "app/loaderapitable.h"
#include "app/mappedimage.h"
#include "app/nativecall.h"
#include "app/peformat.h"

#include <cstring>
#include <new>

namespace jiujiu {
namespace {

bool ApplyRelocations(MappedModule &module, const ImageLayout &layout)
{
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module.base);
    if (base == layout.imageBase || layout.relocations.size == 0)
        return true;
    const BoundedReader mapped = MappedBytes(module);
    const DataDirectory &dir = layout.relocations;
    if (!mapped.contains(dir.address, dir.size))
        return false;
    // 32-bit arithmetic as the image's own words have it; where the mapping lies above 4 GiB
    // the relocated words hold the low 32 bits of the real addresses.
    const std::uint32_t delta = static_cast<std::uint32_t>(base) - layout.imageBase;
    std::uint64_t block = dir.address;
    const std::uint64_t end = std::uint64_t(dir.address) + dir.size;
    while (block + pe::kRelocationBlockHeader <= end) {
        std::uint32_t page = 0, blockSize = 0;
        mapped.read32(block + pe::kRelocationPage, page);
        mapped.read32(block + pe::kRelocationBlockSize, blockSize);
        if (page == 0)
            break;
        if (blockSize < pe::kRelocationBlockHeader || blockSize > end - block)
            return false;
        const std::uint32_t entries = (blockSize - pe::kRelocationBlockHeader) / 2;
        for (std::uint32_t i = 0; i < entries; ++i) {
            std::uint16_t entry = 0;
            mapped.read16(block + pe::kRelocationBlockHeader + 2 * i, entry);
            if (entry >> 12 != pe::kRelocationHighLow)
                continue;
            const std::uint64_t target = std::uint64_t(page) + (entry & 0x0FFF);
            std::uint32_t word = 0;
            if (!mapped.read32(target, word))
                return false;
            Write32(MappedAt(module, target), word + delta);
        }
        block += blockSize;
    }
    return true;
}

bool ResolveImports(MappedModule &module, const ImageLayout &layout, const LoaderApiTable &api)
{
    if (layout.imports.size == 0)
        return true;
    const BoundedReader mapped = MappedBytes(module);
    std::uint64_t descriptor = layout.imports.address;
    if (!mapped.contains(descriptor, pe::kImportDescriptorSize))
        return false;
    if (api.isBadReadPtr(MappedAt(module, descriptor), pe::kImportDescriptorSize))
        return true;
    void *heap = api.getProcessHeap();
    for (;;) {
        std::uint32_t originalFirstThunk = 0, nameRva = 0, firstThunk = 0;
        mapped.read32(descriptor + pe::kOriginalFirstThunk, originalFirstThunk);
        mapped.read32(descriptor + pe::kImportName, nameRva);
        mapped.read32(descriptor + pe::kFirstThunk, firstThunk);
        if (nameRva == 0)
            break;
        const char *name = mapped.string(nameRva);
        if (!name)
            return false;
        void *library = api.loadLibraryA(name);
        if (!library)
            return false;
        void *grown =
            api.heapReAlloc(heap, HeapZeroMemory, module.importedModules,
                            (std::size_t(module.importedModuleCount) + 1) * sizeof(void *));
        if (!grown) {
            api.freeLibrary(library);
            return false;
        }
        module.importedModules = static_cast<void **>(grown);
        module.importedModules[module.importedModuleCount++] = library;

        const std::uint64_t lookup = originalFirstThunk ? originalFirstThunk : firstThunk;
        for (std::uint64_t i = 0;; ++i) {
            std::uint32_t entry = 0;
            if (!mapped.read32(lookup + 4 * i, entry) || !mapped.contains(firstThunk + 4 * i, 4))
                return false;
            if (entry == 0)
                break;
            const char *wanted = nullptr;
            if (entry & pe::kImportByOrdinal) {
                wanted = reinterpret_cast<const char *>(std::uintptr_t(entry & 0xFFFF));
            } else if (!(wanted = mapped.string(std::uint64_t(entry) + pe::kImportHintSize))) {
                return false;
            }
            const std::uintptr_t address =
                reinterpret_cast<std::uintptr_t>(api.getProcAddress(library, wanted));
            // The import address table holds 32-bit words.
            if (address == 0 || address > 0xFFFFFFFFu)
                return false;
            Write32(MappedAt(module, firstThunk + 4 * i), static_cast<std::uint32_t>(address));
        }

        descriptor += pe::kImportDescriptorSize;
        if (!mapped.contains(descriptor, pe::kImportDescriptorSize) ||
            api.isBadReadPtr(MappedAt(module, descriptor), pe::kImportDescriptorSize))
            break;
    }
    return true;
}

// The export tables' bounds come from the source image: nothing written into the mapped copy
// (relocations, import addresses) can widen them. A part of the image that the file does not
// fill holds only zeros, never a table.
void RecordExportRegion(MappedModule &module, const ImageLayout &layout)
{
    const DataDirectory &dir = layout.exports;
    if (dir.size == 0)
        return;
    const std::uint64_t first = dir.address;
    const std::uint64_t last = first + pe::kExportDirectorySize;
    const auto holds = [&](std::uint64_t begin, std::uint64_t end) {
        if (first < begin || last > end)
            return false;
        module.exportsBegin = static_cast<std::uint32_t>(begin);
        module.exportsEnd = static_cast<std::uint32_t>(end);
        return true;
    };
    if (holds(0, layout.sizeOfHeaders))
        return;
    for (const ImageSection &s : layout.sections)
        if (s.sizeOfRawData > 0 &&
            holds(s.virtualAddress, std::uint64_t(s.virtualAddress) + s.sizeOfRawData))
            return;
}

std::uint32_t SectionProtection(std::uint32_t characteristics)
{
    // [executable][readable][writable]
    static constexpr std::uint32_t kProtection[2][2][2] = {
        {{PageNoAccess, PageWriteCopy}, {PageReadOnly, PageReadWrite}},
        {{PageExecute, PageExecuteWriteCopy}, {PageExecuteRead, PageExecuteReadWrite}},
    };
    std::uint32_t protect = kProtection[(characteristics & pe::kSectionExecute) ? 1 : 0]
                                       [(characteristics & pe::kSectionRead) ? 1 : 0]
                                       [(characteristics & pe::kSectionWrite) ? 1 : 0];
    if (characteristics & pe::kSectionNotCached)
        protect |= PageNoCache;
    return protect;
}

bool FinaliseSections(MappedModule &module, const ImageLayout &layout)
{
    const LoaderApiTable *api = ResolveLoaderApiTable();
    if (!api)
        return false;
    for (const ImageSection &s : layout.sections) {
        void *address = MappedAt(module, s.virtualAddress);
        if (s.characteristics & pe::kSectionDiscardable) {
            // A zero size would decommit the rest of the reservation.
            if (s.sizeOfRawData > 0 && !api->virtualFree(address, s.sizeOfRawData, MemDecommit))
                return false;
            continue;
        }
        std::uint64_t size = s.sizeOfRawData;
        if (size == 0) {
            if (s.characteristics & pe::kSectionInitialisedData)
                size = layout.sizeOfInitializedData;
            else if (s.characteristics & pe::kSectionUninitialisedData)
                size = layout.sizeOfUninitializedData;
        }
        // Those totals cover the whole image; never protect past its end.
        if (size > std::uint64_t(module.size) - s.virtualAddress)
            size = module.size - s.virtualAddress;
        std::uint32_t old = 0;
        if (size > 0 &&
            !api->virtualProtect(address, size, SectionProtection(s.characteristics), &old))
            return false;
    }
    return true;
}

} // namespace

MappedModuleHandle MapModuleImage(const void *image, std::size_t size)
{
    const LoaderApiTable *api = ResolveLoaderApiTable();
    if (!api || !image)
        return nullptr;
    const BoundedReader source(image, size);
    ImageLayout layout;
    if (!ReadImageLayout(source, size, layout))
        return nullptr;

    void *base = api->virtualAlloc(reinterpret_cast<void *>(std::uintptr_t(layout.imageBase)),
                                   layout.sizeOfImage, MemReserve, PageReadWrite);
    if (!base)
        base = api->virtualAlloc(nullptr, layout.sizeOfImage, MemReserve, PageReadWrite);
    if (!base)
        return nullptr;

    void *heap = api->getProcessHeap();
    void *record = api->heapAlloc(heap, HeapZeroMemory, sizeof(MappedModule));
    if (!record) {
        api->virtualFree(base, 0, MemRelease);
        return nullptr;
    }
    // From here on every failure releases everything through UnmapModule, as the handle
    // goes out of scope.
    MappedModuleHandle module(new (record) MappedModule);
    module->base = base;
    module->size = layout.sizeOfImage;
    module->importedModules =
        static_cast<void **>(api->heapAlloc(heap, HeapZeroMemory, sizeof(void *)));

    const auto fail = [] { return MappedModuleHandle(); };
    if (!module->importedModules ||
        !api->virtualAlloc(base, layout.sizeOfImage, MemCommit, PageReadWrite) ||
        !api->virtualAlloc(base, layout.sizeOfHeaders, MemCommit, PageReadWrite))
        return fail();
    // SizeOfHeaders counts from the start of the file, so it covers the NT headers already.
    std::memcpy(base, image, layout.sizeOfHeaders);
    module->headers = MappedAt(*module, layout.ntOffset);
    Write32(MappedAt(*module, layout.ntOffset + pe::kOptionalHeader + pe::kImageBase),
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(base)));

    for (const ImageSection &s : layout.sections) {
        unsigned char *dest = MappedAt(*module, s.virtualAddress);
        if (s.sizeOfRawData == 0) {
            if (layout.sectionAlignment > 0) {
                const auto length = static_cast<std::size_t>(layout.sectionAlignment);
                if (!api->virtualAlloc(dest, length, MemCommit, PageReadWrite))
                    return fail();
                std::memset(dest, 0, length);
            }
        } else {
            if (!api->virtualAlloc(dest, s.sizeOfRawData, MemCommit, PageReadWrite))
                return fail();
            std::memcpy(dest, source.at(s.pointerToRawData), s.sizeOfRawData);
        }
        // The physical-address field keeps the section's address (its low 32 bits).
        Write32(MappedAt(*module, s.headerOffset + pe::kPhysicalAddress),
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(dest)));
    }

    RecordExportRegion(*module, layout);
    if (!ApplyRelocations(*module, layout) || !ResolveImports(*module, layout, *api) ||
        !FinaliseSections(*module, layout))
        return fail();

    if (layout.entryPoint != 0) {
        const bool runnable = JIUJIU_NATIVE_IMAGE_CODE && layout.machine == pe::kMachineI386 &&
                              layout.entryPoint < layout.sizeOfImage;
        if (!runnable || !CallEntryPoint(*module, layout.entryPoint, 1))
            return fail();
        module->initialised = 1;
    }
    return module;
}

void UnmapModule(MappedModule *module)
{
    if (!module)
        return;
    const LoaderApiTable *api = ResolveLoaderApiTable();
    if (!api)
        return;
    if (module->initialised) {
        CallEntryPoint(*module, EntryPointOf(*module), 0);
        module->initialised = 0;
    }
    void *heap = api->getProcessHeap();
    if (module->importedModules) {
        for (std::int32_t i = 0; i < module->importedModuleCount; ++i)
            api->freeLibrary(module->importedModules[i]);
        api->heapFree(heap, 0, module->importedModules);
    }
    if (module->base)
        api->virtualFree(module->base, 0, MemRelease);
    module->~MappedModule();
    api->heapFree(heap, 0, module);
}

} // namespace jiujiu
