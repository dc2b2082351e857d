// The loader table of 32-bit Windows, found without the program's import table: kernel32 is
// the first module in initialisation order with a twelve-character base name, GetProcAddress
// the last export name starting "GetProcA", the rest resolved through it. The library slots
// ask the import resolver first, so host functions are served the same way as elsewhere.
// (Not built on the Linux hosts this project is tested on.)
#include "app/importresolver.h"
#include "app/loaderapitable.h"

#include <cstring>

namespace jiujiu {

#if JIUJIU_NATIVE_IMAGE_CODE

namespace {

struct System
{
    LoaderApiTable::LoadLibraryAFn loadLibraryA = nullptr;
    LoaderApiTable::FreeLibraryFn freeLibrary = nullptr;
    LoaderApiTable::GetProcAddressFn getProcAddress = nullptr;
};

System g_system;
LoaderApiTable g_table;

std::uint32_t Read32(std::uintptr_t address)
{
    std::uint32_t v = 0;
    std::memcpy(&v, reinterpret_cast<const void *>(address), sizeof v);
    return v;
}

std::uint16_t Read16(std::uintptr_t address)
{
    std::uint16_t v = 0;
    std::memcpy(&v, reinterpret_cast<const void *>(address), sizeof v);
    return v;
}

std::uintptr_t FindKernel32()
{
    std::uintptr_t peb = 0;
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    const std::uintptr_t ldr = Read32(peb + 0x0C);
    const std::uintptr_t head = ldr + 0x1C; // InInitializationOrderModuleList
    for (std::uintptr_t link = Read32(head); link && link != head; link = Read32(link)) {
        const std::uintptr_t dllBase = Read32(link + 0x08);
        const std::uint16_t nameLength = Read16(link + 0x1C);
        const std::uintptr_t nameBuffer = Read32(link + 0x20);
        // Twelve characters, read from the counted length rather than past a shorter name.
        if (dllBase && nameBuffer && nameLength == 12 * 2)
            return dllBase;
    }
    return 0;
}

LoaderApiTable::GetProcAddressFn FindGetProcAddress(std::uintptr_t module)
{
    const std::uintptr_t nt = module + Read32(module + 0x3C);
    const std::uintptr_t exports = module + Read32(nt + 24 + 96);
    const std::uint32_t names = Read32(exports + 24);
    const std::uintptr_t nameTable = module + Read32(exports + 32);
    const std::uintptr_t ordinalTable = module + Read32(exports + 36);
    const std::uintptr_t functionTable = module + Read32(exports + 28);
    for (std::uint32_t i = names; i-- > 0;) {
        const char *name = reinterpret_cast<const char *>(module + Read32(nameTable + 4 * i));
        if (std::memcmp(name, "GetProcA", 8) == 0) {
            const std::uint16_t ordinal = Read16(ordinalTable + 2 * i);
            return reinterpret_cast<LoaderApiTable::GetProcAddressFn>(
                module + Read32(functionTable + 4 * ordinal));
        }
    }
    return nullptr;
}

void *JIUJIU_LOADER_API RoutedLoadLibraryA(const char *name)
{
    if (void *module = CurrentImportResolver()->loadLibrary(name))
        return module;
    return g_system.loadLibraryA(name);
}

std::int32_t JIUJIU_LOADER_API RoutedFreeLibrary(void *module)
{
    if (CurrentImportResolver()->ownsModule(module))
        return CurrentImportResolver()->freeLibrary(module) ? 1 : 0;
    return g_system.freeLibrary(module);
}

void *JIUJIU_LOADER_API RoutedGetProcAddress(void *module, const char *name)
{
    if (CurrentImportResolver()->ownsModule(module))
        return CurrentImportResolver()->procAddress(module, name);
    return g_system.getProcAddress(module, name);
}

template <class Fn>
Fn Resolve(std::uintptr_t module, const char *name)
{
    return reinterpret_cast<Fn>(g_system.getProcAddress(reinterpret_cast<void *>(module), name));
}

} // namespace

const LoaderApiTable *ResolvePlatformLoaderApiTable()
{
    const std::uintptr_t kernel32 = FindKernel32();
    if (!kernel32)
        return nullptr;
    g_system.getProcAddress = FindGetProcAddress(kernel32);
    if (!g_system.getProcAddress)
        return nullptr;
    g_system.loadLibraryA = Resolve<LoaderApiTable::LoadLibraryAFn>(kernel32, "LoadLibraryA");
    g_system.freeLibrary = Resolve<LoaderApiTable::FreeLibraryFn>(kernel32, "FreeLibrary");
    g_table.virtualProtect = Resolve<LoaderApiTable::VirtualProtectFn>(kernel32, "VirtualProtect");
    g_table.loadLibraryA = g_system.loadLibraryA ? RoutedLoadLibraryA : nullptr;
    g_table.virtualAlloc = Resolve<LoaderApiTable::VirtualAllocFn>(kernel32, "VirtualAlloc");
    g_table.virtualFree = Resolve<LoaderApiTable::VirtualFreeFn>(kernel32, "VirtualFree");
    g_table.isBadReadPtr = Resolve<LoaderApiTable::IsBadReadPtrFn>(kernel32, "IsBadReadPtr");
    g_table.getProcessHeap = Resolve<LoaderApiTable::GetProcessHeapFn>(kernel32, "GetProcessHeap");
    g_table.freeLibrary = g_system.freeLibrary ? RoutedFreeLibrary : nullptr;
    g_table.getProcAddress = RoutedGetProcAddress;
    g_table.heapFree = Resolve<LoaderApiTable::HeapFreeFn>(kernel32, "HeapFree");
    g_table.heapAlloc = Resolve<LoaderApiTable::HeapAllocFn>(kernel32, "HeapAlloc");
    g_table.heapReAlloc = Resolve<LoaderApiTable::HeapReAllocFn>(kernel32, "HeapReAlloc");
    return &g_table;
}

#else

// 64-bit Windows cannot run the 32-bit images this mapper maps.
const LoaderApiTable *ResolvePlatformLoaderApiTable()
{
    return nullptr;
}

#endif

std::size_t HostReservationCount()
{
    return 0;
}

std::size_t HostHeapBlockCount()
{
    return 0;
}

} // namespace jiujiu
