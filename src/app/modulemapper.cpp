#include "app/modulemapper.h"

#include "app/importresolver.h"
#include "app/loaderapitable.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace jiujiu {

namespace {

constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kOptionalMagicPe32 = 0x010B;
constexpr std::uint32_t kOptionalHeaderFixed = 96; // PE32, up to the data directories
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kImportDescriptorSize = 20;
// Far beyond any DLL this program maps; keeps a forged size from committing gigabytes.
constexpr std::uint32_t kMaxImageSize = 64u << 20;

constexpr std::uint32_t kSectionInitialisedData = 0x00000040;
constexpr std::uint32_t kSectionUninitialisedData = 0x00000080;
constexpr std::uint32_t kSectionDiscardable = 0x02000000;
constexpr std::uint32_t kSectionNotCached = 0x04000000;
constexpr std::uint32_t kSectionExecute = 0x20000000;
constexpr std::uint32_t kSectionRead = 0x40000000;
constexpr std::uint32_t kSectionWrite = 0x80000000;

enum DataDirectoryIndex
{
    ExportDirectory = 0,
    ImportDirectory = 1,
    RelocationDirectory = 5,
};

// A bounded view of bytes: every read says whether it stayed inside. With a loader table, a
// read must also find its pages readable (a mapped image has inaccessible sections).
class Bytes
{
public:
    Bytes(const void *data, std::uint64_t size, const LoaderApiTable *readable = nullptr)
        : m_data(static_cast<const unsigned char *>(data)), m_size(size), m_readable(readable)
    {}

    bool contains(std::uint64_t offset, std::uint64_t length) const
    {
        if (offset > m_size || length > m_size - offset)
            return false;
        return !m_readable || length == 0 ||
               !m_readable->isBadReadPtr(m_data + offset, static_cast<std::size_t>(length));
    }
    bool read16(std::uint64_t offset, std::uint16_t &v) const
    {
        if (!contains(offset, 2))
            return false;
        v = static_cast<std::uint16_t>(m_data[offset] | m_data[offset + 1] << 8);
        return true;
    }
    bool read32(std::uint64_t offset, std::uint32_t &v) const
    {
        if (!contains(offset, 4))
            return false;
        v = std::uint32_t(m_data[offset]) | std::uint32_t(m_data[offset + 1]) << 8 |
            std::uint32_t(m_data[offset + 2]) << 16 | std::uint32_t(m_data[offset + 3]) << 24;
        return true;
    }
    // A zero-terminated string that ends inside, read a page at most at a time.
    const char *string(std::uint64_t offset) const
    {
        constexpr std::uint64_t kChunk = 4096;
        for (std::uint64_t at = offset; at < m_size;) {
            const std::uint64_t address = reinterpret_cast<std::uintptr_t>(m_data) + at;
            const std::uint64_t length = std::min(m_size - at, kChunk - address % kChunk);
            if (!contains(at, length))
                return nullptr;
            if (std::memchr(m_data + at, 0, static_cast<std::size_t>(length)))
                return reinterpret_cast<const char *>(m_data + offset);
            at += length;
        }
        return nullptr;
    }
    const unsigned char *at(std::uint64_t offset) const { return m_data + offset; }

private:
    const unsigned char *m_data;
    std::uint64_t m_size;
    const LoaderApiTable *m_readable;
};

void Write32(void *address, std::uint32_t v)
{
    auto *p = static_cast<unsigned char *>(address);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

struct DataDirectory
{
    std::uint32_t address = 0;
    std::uint32_t size = 0;
};

struct Section
{
    std::uint32_t headerOffset = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;
};

// What the mapper needs from the headers, read once from the source image, so that later
// writes into the mapped copy (a forged relocation may hit the headers) cannot change it.
struct ImageLayout
{
    std::uint32_t ntOffset = 0;
    std::uint16_t machine = 0;
    std::uint32_t entryPoint = 0;
    std::uint32_t imageBase = 0;
    std::int32_t sectionAlignment = 0;
    std::uint32_t sizeOfImage = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t sizeOfInitializedData = 0;
    std::uint32_t sizeOfUninitializedData = 0;
    DataDirectory imports;
    DataDirectory relocations;
    std::vector<Section> sections;
};

bool ReadDataDirectory(const Bytes &image, std::uint32_t optionalHeader, std::uint32_t count,
                       std::uint32_t index, DataDirectory &out)
{
    out = {};
    if (index >= count)
        return true;
    const std::uint64_t at = std::uint64_t(optionalHeader) + kOptionalHeaderFixed + 8 * index;
    return image.read32(at, out.address) && image.read32(at + 4, out.size);
}

bool ReadLayout(const Bytes &image, std::uint64_t fileSize, ImageLayout &layout)
{
    std::uint16_t mz = 0;
    std::uint32_t signature = 0;
    if (!image.read16(0, mz) || mz != 0x5A4D || !image.read32(0x3C, layout.ntOffset) ||
        !image.read32(layout.ntOffset, signature) || signature != 0x00004550)
        return false;
    const std::uint64_t fileHeader = std::uint64_t(layout.ntOffset) + 4;
    const std::uint64_t optionalHeader = fileHeader + 20;
    std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    std::uint32_t directoryCount = 0, sectionAlignment = 0;
    if (!image.read16(fileHeader, layout.machine) || !image.read16(fileHeader + 2, sectionCount) ||
        !image.read16(fileHeader + 16, optionalSize) || optionalSize < kOptionalHeaderFixed ||
        !image.contains(optionalHeader, optionalSize) || !image.read16(optionalHeader, magic) ||
        magic != kOptionalMagicPe32 ||
        !image.read32(optionalHeader + 8, layout.sizeOfInitializedData) ||
        !image.read32(optionalHeader + 12, layout.sizeOfUninitializedData) ||
        !image.read32(optionalHeader + 16, layout.entryPoint) ||
        !image.read32(optionalHeader + 28, layout.imageBase) ||
        !image.read32(optionalHeader + 32, sectionAlignment) ||
        !image.read32(optionalHeader + 56, layout.sizeOfImage) ||
        !image.read32(optionalHeader + 60, layout.sizeOfHeaders) ||
        !image.read32(optionalHeader + 92, directoryCount))
        return false;
    layout.sectionAlignment = static_cast<std::int32_t>(sectionAlignment);
    // Directories beyond the optional header's size are absent.
    const std::uint32_t room = (optionalSize - kOptionalHeaderFixed) / 8;
    if (directoryCount > room)
        directoryCount = room;
    DataDirectory exports;
    if (!ReadDataDirectory(image, optionalHeader, directoryCount, ExportDirectory, exports) ||
        !ReadDataDirectory(image, optionalHeader, directoryCount, ImportDirectory,
                           layout.imports) ||
        !ReadDataDirectory(image, optionalHeader, directoryCount, RelocationDirectory,
                           layout.relocations))
        return false;

    // The headers hold the section table and lie inside both the file and the image.
    const std::uint64_t sectionTable = optionalHeader + optionalSize;
    const std::uint64_t headersEnd =
        sectionTable + std::uint64_t(sectionCount) * kSectionHeaderSize;
    if (layout.sizeOfImage == 0 || layout.sizeOfImage > kMaxImageSize ||
        layout.sizeOfHeaders < headersEnd || layout.sizeOfHeaders > layout.sizeOfImage ||
        layout.sizeOfHeaders > fileSize)
        return false;

    layout.sections.resize(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        Section &s = layout.sections[i];
        s.headerOffset = static_cast<std::uint32_t>(sectionTable + i * kSectionHeaderSize);
        if (!image.read32(s.headerOffset + 12, s.virtualAddress) ||
            !image.read32(s.headerOffset + 16, s.sizeOfRawData) ||
            !image.read32(s.headerOffset + 20, s.pointerToRawData) ||
            !image.read32(s.headerOffset + 36, s.characteristics))
            return false;
        const Bytes mapped(nullptr, layout.sizeOfImage);
        if (s.sizeOfRawData == 0) {
            if (layout.sectionAlignment > 0 &&
                !mapped.contains(s.virtualAddress, std::uint32_t(layout.sectionAlignment)))
                return false;
        } else if (!mapped.contains(s.virtualAddress, s.sizeOfRawData) ||
                   !image.contains(s.pointerToRawData, s.sizeOfRawData)) {
            return false;
        }
    }
    return true;
}

// Everything below works on the mapped copy, bounded by SizeOfImage. While mapping, all of it
// is committed read/write; once finalised, reads also ask the loader table what is readable.
Bytes MappedBytes(const MappedModule &module)
{
    return Bytes(module.base, module.size);
}

Bytes FinalisedBytes(const MappedModule &module)
{
    const LoaderApiTable *api = ResolveLoaderApiTable();
    return api ? Bytes(module.base, module.size, api) : Bytes(module.base, 0);
}

unsigned char *MappedAt(const MappedModule &module, std::uint64_t offset)
{
    return static_cast<unsigned char *>(module.base) + offset;
}

bool ApplyRelocations(MappedModule &module, const ImageLayout &layout)
{
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module.base);
    if (base == layout.imageBase || layout.relocations.size == 0)
        return true;
    const Bytes mapped = MappedBytes(module);
    const DataDirectory &dir = layout.relocations;
    if (!mapped.contains(dir.address, dir.size))
        return false;
    // 32-bit arithmetic as the image's own words have it; where the mapping lies above 4 GiB
    // the relocated words hold the low 32 bits of the real addresses.
    const std::uint32_t delta = static_cast<std::uint32_t>(base) - layout.imageBase;
    std::uint64_t block = dir.address;
    const std::uint64_t end = std::uint64_t(dir.address) + dir.size;
    while (block + 8 <= end) {
        std::uint32_t page = 0, blockSize = 0;
        mapped.read32(block, page);
        mapped.read32(block + 4, blockSize);
        if (page == 0)
            break;
        if (blockSize < 8 || blockSize > end - block)
            return false;
        const std::uint32_t entries = (blockSize - 8) / 2;
        for (std::uint32_t i = 0; i < entries; ++i) {
            std::uint16_t entry = 0;
            mapped.read16(block + 8 + 2 * i, entry);
            if (entry >> 12 != 3)
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
    const Bytes mapped = MappedBytes(module);
    std::uint64_t descriptor = layout.imports.address;
    if (!mapped.contains(descriptor, kImportDescriptorSize))
        return false;
    if (api.isBadReadPtr(MappedAt(module, descriptor), kImportDescriptorSize))
        return true;
    void *heap = api.getProcessHeap();
    for (;;) {
        std::uint32_t originalFirstThunk = 0, nameRva = 0, firstThunk = 0;
        mapped.read32(descriptor, originalFirstThunk);
        mapped.read32(descriptor + 12, nameRva);
        mapped.read32(descriptor + 16, firstThunk);
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
            if (entry & 0x80000000u) {
                wanted = reinterpret_cast<const char *>(std::uintptr_t(entry & 0xFFFF));
            } else if (!(wanted = mapped.string(std::uint64_t(entry) + 2))) {
                return false;
            }
            const std::uintptr_t address =
                reinterpret_cast<std::uintptr_t>(api.getProcAddress(library, wanted));
            // The import address table holds 32-bit words.
            if (address == 0 || address > 0xFFFFFFFFu)
                return false;
            Write32(MappedAt(module, firstThunk + 4 * i), static_cast<std::uint32_t>(address));
        }

        descriptor += kImportDescriptorSize;
        if (!mapped.contains(descriptor, kImportDescriptorSize) ||
            api.isBadReadPtr(MappedAt(module, descriptor), kImportDescriptorSize))
            break;
    }
    return true;
}

std::uint32_t SectionProtection(std::uint32_t characteristics)
{
    // [executable][readable][writable]
    static constexpr std::uint32_t kProtection[2][2][2] = {
        {{PageNoAccess, PageWriteCopy}, {PageReadOnly, PageReadWrite}},
        {{PageExecute, PageExecuteWriteCopy}, {PageExecuteRead, PageExecuteReadWrite}},
    };
    std::uint32_t protect = kProtection[(characteristics & kSectionExecute) ? 1 : 0]
                                       [(characteristics & kSectionRead) ? 1 : 0]
                                       [(characteristics & kSectionWrite) ? 1 : 0];
    if (characteristics & kSectionNotCached)
        protect |= PageNoCache;
    return protect;
}

bool FinaliseSections(MappedModule &module, const ImageLayout &layout)
{
    const LoaderApiTable *api = ResolveLoaderApiTable();
    if (!api)
        return false;
    for (const Section &s : layout.sections) {
        void *address = MappedAt(module, s.virtualAddress);
        if (s.characteristics & kSectionDiscardable) {
            // A zero size would decommit the rest of the reservation.
            if (s.sizeOfRawData > 0 && !api->virtualFree(address, s.sizeOfRawData, MemDecommit))
                return false;
            continue;
        }
        std::uint64_t size = s.sizeOfRawData;
        if (size == 0) {
            if (s.characteristics & kSectionInitialisedData)
                size = layout.sizeOfInitializedData;
            else if (s.characteristics & kSectionUninitialisedData)
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

#if JIUJIU_NATIVE_IMAGE_CODE
// Pushes the arguments last first, calls, and puts the stack pointer back from a saved
// register whatever the callee popped.
std::uint32_t CallNative(const void *entry, const std::uint32_t *args, std::uint32_t count)
{
    std::uint32_t result = 0;
    __asm__ volatile("movl %%esp, %%edi\n\t"
                     "1:\n\t"
                     "testl %%ecx, %%ecx\n\t"
                     "jz 2f\n\t"
                     "decl %%ecx\n\t"
                     "pushl (%%esi,%%ecx,4)\n\t"
                     "jmp 1b\n"
                     "2:\n\t"
                     "call *%%edx\n\t"
                     "movl %%edi, %%esp\n\t"
                     : "=a"(result), "+c"(count), "+S"(args), "+d"(entry)
                     :
                     : "edi", "memory", "cc");
    return result;
}
#endif

bool CallEntryPoint(const MappedModule &module, std::uint32_t entryPoint, std::uint32_t reason)
{
#if JIUJIU_NATIVE_IMAGE_CODE
    const std::uint32_t args[3] = {
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(module.base)), reason, 0};
    return CallNative(MappedAt(module, entryPoint), args, 3) != 0;
#else
    (void)module;
    (void)entryPoint;
    (void)reason;
    return false;
#endif
}

std::uint32_t EntryPointOf(const MappedModule &module)
{
    const Bytes mapped = FinalisedBytes(module);
    const std::uint64_t nt =
        static_cast<unsigned char *>(module.headers) - static_cast<unsigned char *>(module.base);
    std::uint32_t entry = 0;
    return mapped.read32(nt + 24 + 16, entry) && entry < module.size ? entry : 0;
}

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

bool ReadExportDirectory(const MappedModule &module, ExportDirectoryView &view)
{
    if (!module.base || !module.headers)
        return false;
    const Bytes mapped = FinalisedBytes(module);
    const std::uint64_t nt =
        static_cast<unsigned char *>(module.headers) - static_cast<unsigned char *>(module.base);
    std::uint16_t optionalSize = 0;
    std::uint32_t count = 0;
    if (!mapped.read16(nt + 4 + 16, optionalSize) || optionalSize < kOptionalHeaderFixed + 8 ||
        !mapped.read32(nt + 24 + 92, count) || count == 0 ||
        !ReadDataDirectory(mapped, static_cast<std::uint32_t>(nt + 24), 1, ExportDirectory,
                           view.directory) ||
        view.directory.size == 0)
        return false;
    const std::uint64_t at = view.directory.address;
    return mapped.read32(at + 16, view.base) && mapped.read32(at + 20, view.functions) &&
           mapped.read32(at + 24, view.names) && mapped.read32(at + 28, view.functionTable) &&
           mapped.read32(at + 32, view.nameTable) && mapped.read32(at + 36, view.ordinalTable) &&
           view.functions != 0;
}

void *ExportAddress(const MappedModule &module, const ExportDirectoryView &view,
                    std::uint32_t index)
{
    if (index >= view.functions)
        return nullptr;
    std::uint32_t rva = 0;
    if (!FinalisedBytes(module).read32(std::uint64_t(view.functionTable) + 4 * std::uint64_t(index),
                                       rva) ||
        rva == 0 || rva >= module.size)
        return nullptr;
    // A forwarder names another library's export; there is no code here to call.
    if (rva >= view.directory.address && rva - view.directory.address < view.directory.size)
        return nullptr;
    return MappedAt(module, rva);
}

} // namespace

MappedModule *MapModuleImage(const void *image, std::size_t size)
{
    const LoaderApiTable *api = ResolveLoaderApiTable();
    if (!api || !image)
        return nullptr;
    const Bytes source(image, size);
    ImageLayout layout;
    if (!ReadLayout(source, size, layout))
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
    auto *module = new (record) MappedModule;
    module->base = base;
    module->size = layout.sizeOfImage;
    module->importedModules =
        static_cast<void **>(api->heapAlloc(heap, HeapZeroMemory, sizeof(void *)));

    auto fail = [module]() -> MappedModule * {
        UnmapModule(module);
        return nullptr;
    };
    if (!module->importedModules ||
        !api->virtualAlloc(base, layout.sizeOfImage, MemCommit, PageReadWrite) ||
        !api->virtualAlloc(base, layout.sizeOfHeaders, MemCommit, PageReadWrite))
        return fail();
    // SizeOfHeaders counts from the start of the file, so it covers the NT headers already.
    std::memcpy(base, image, layout.sizeOfHeaders);
    module->headers = MappedAt(*module, layout.ntOffset);
    Write32(MappedAt(*module, layout.ntOffset + 24 + 28),
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(base)));

    for (const Section &s : layout.sections) {
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
        Write32(MappedAt(*module, s.headerOffset + 8),
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(dest)));
    }

    if (!ApplyRelocations(*module, layout) || !ResolveImports(*module, layout, *api) ||
        !FinaliseSections(*module, layout))
        return fail();

    if (layout.entryPoint != 0) {
        const bool runnable = JIUJIU_NATIVE_IMAGE_CODE && layout.machine == kMachineI386 &&
                              layout.entryPoint < layout.sizeOfImage;
        if (!runnable || !CallEntryPoint(*module, layout.entryPoint, 1))
            return fail();
        module->initialised = 1;
    }
    return module;
}

void *FindMappedExport(const MappedModule *module, const char *name)
{
    ExportDirectoryView view;
    if (!module || !name || !ReadExportDirectory(*module, view) || view.names == 0)
        return nullptr;
    const Bytes mapped = FinalisedBytes(*module);
    const std::size_t wantedLength = std::strlen(name) + 1;
    for (std::uint64_t i = 0; i < view.names; ++i) {
        std::uint32_t nameRva = 0;
        if (!mapped.read32(view.nameTable + 4 * i, nameRva))
            return nullptr;
        if (!mapped.contains(nameRva, wantedLength) ||
            std::memcmp(mapped.at(nameRva), name, wantedLength) != 0)
            continue;
        std::uint16_t index = 0;
        if (!mapped.read16(view.ordinalTable + 2 * i, index))
            return nullptr;
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

std::uint32_t CallMappedExport(const MappedModule *module, const void *entry,
                               const ExportArguments &arguments)
{
    if (!module || !entry)
        return 0;
    std::uintptr_t present[kMaxExportArguments] = {};
    std::uint32_t count = 0;
    for (const auto &a : arguments)
        if (a)
            present[count++] = *a;
#if JIUJIU_NATIVE_IMAGE_CODE
    std::uint32_t words[kMaxExportArguments] = {};
    for (std::uint32_t i = 0; i < count; ++i)
        words[i] = static_cast<std::uint32_t>(present[i]);
    return CallNative(entry, words, count);
#else
    // The one instruction form a host function is reached by: jmp dword [slot], FF 25 imm32,
    // with the slot in this image's import address table.
    const Bytes mapped = FinalisedBytes(*module);
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(module->base);
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(entry);
    if (at < base || !mapped.contains(at - base, 6))
        return 0;
    const unsigned char *code = mapped.at(at - base);
    std::uint32_t slotAddress = 0, target = 0, result = 0;
    mapped.read32(at - base + 2, slotAddress);
    const std::uint32_t slot = slotAddress - static_cast<std::uint32_t>(base);
    if (code[0] != 0xFF || code[1] != 0x25 || !mapped.read32(slot, target))
        return 0;
    if (!CurrentImportResolver()->callHostFunction(target, {present, count}, result))
        return 0;
    return result;
#endif
}

std::uint32_t CallMappedExport(const MappedModule *module, const void *entry,
                               std::initializer_list<std::uintptr_t> arguments)
{
    ExportArguments args;
    if (arguments.size() > kMaxExportArguments)
        return 0;
    std::size_t i = 0;
    for (std::uintptr_t a : arguments)
        args[i++] = a;
    return CallMappedExport(module, entry, args);
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
