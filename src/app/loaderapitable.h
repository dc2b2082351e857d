#pragma once

#include <cstddef>
#include <cstdint>

// Hosts whose processors run the code of a 32-bit Windows image directly.
#if defined(_WIN32) && defined(__i386__)
#define JIUJIU_NATIVE_IMAGE_CODE 1
#define JIUJIU_LOADER_API __stdcall
#else
#define JIUJIU_NATIVE_IMAGE_CODE 0
#define JIUJIU_LOADER_API
#endif

namespace jiujiu {

// Page protections, allocation and heap flags with their Windows values.
enum LoaderFlag : std::uint32_t
{
    PageNoAccess = 0x01,
    PageReadOnly = 0x02,
    PageReadWrite = 0x04,
    PageWriteCopy = 0x08,
    PageExecute = 0x10,
    PageExecuteRead = 0x20,
    PageExecuteReadWrite = 0x40,
    PageExecuteWriteCopy = 0x80,
    PageNoCache = 0x200,
    MemCommit = 0x1000,
    MemReserve = 0x2000,
    MemDecommit = 0x4000,
    MemRelease = 0x8000,
    HeapZeroMemory = 0x08,
};

// The system entry points the module mapper uses, in this slot order. Every call the mapper
// makes to the operating system goes through one of them.
struct LoaderApiTable
{
    using VirtualProtectFn = std::int32_t(JIUJIU_LOADER_API *)(void *address, std::size_t size,
                                                               std::uint32_t protect,
                                                               std::uint32_t *oldProtect);
    using LoadLibraryAFn = void *(JIUJIU_LOADER_API *)(const char *name);
    using VirtualAllocFn = void *(JIUJIU_LOADER_API *)(void *address, std::size_t size,
                                                       std::uint32_t type, std::uint32_t protect);
    using VirtualFreeFn = std::int32_t(JIUJIU_LOADER_API *)(void *address, std::size_t size,
                                                            std::uint32_t type);
    using IsBadReadPtrFn = std::int32_t(JIUJIU_LOADER_API *)(const void *address, std::size_t size);
    using GetProcessHeapFn = void *(JIUJIU_LOADER_API *)();
    using FreeLibraryFn = std::int32_t(JIUJIU_LOADER_API *)(void *module);
    // name is a zero-terminated name, or an ordinal when its value is below 0x10000.
    using GetProcAddressFn = void *(JIUJIU_LOADER_API *)(void *module, const char *name);
    using HeapFreeFn = std::int32_t(JIUJIU_LOADER_API *)(void *heap, std::uint32_t flags,
                                                         void *block);
    using HeapAllocFn = void *(JIUJIU_LOADER_API *)(void *heap, std::uint32_t flags,
                                                    std::size_t size);
    using HeapReAllocFn = void *(JIUJIU_LOADER_API *)(void *heap, std::uint32_t flags, void *block,
                                                      std::size_t size);

    VirtualProtectFn virtualProtect = nullptr; // 0
    LoadLibraryAFn loadLibraryA = nullptr;     // 1
    VirtualAllocFn virtualAlloc = nullptr;     // 2
    VirtualFreeFn virtualFree = nullptr;       // 3
    IsBadReadPtrFn isBadReadPtr = nullptr;     // 4
    GetProcessHeapFn getProcessHeap = nullptr; // 5
    FreeLibraryFn freeLibrary = nullptr;       // 6
    GetProcAddressFn getProcAddress = nullptr; // 7
    HeapFreeFn heapFree = nullptr;             // 8
    HeapAllocFn heapAlloc = nullptr;           // 9
    HeapReAllocFn heapReAlloc = nullptr;       // 10

    bool complete() const;
};

// On 32-bit Windows: kernel32's entry points, found through the loaded-module list and its
// export table. Elsewhere: the host's memory calls, the C heap and the import resolver.
// Null when the table cannot be resolved.
const LoaderApiTable *ResolveLoaderApiTable();

// Replaces the resolved table (tests inject failures); null goes back to the real one.
// Answers the previous replacement.
const LoaderApiTable *SetLoaderApiTableOverride(const LoaderApiTable *table);

// Outstanding reservations and heap blocks made through the host table (0 on Windows).
std::size_t HostReservationCount();
std::size_t HostHeapBlockCount();

} // namespace jiujiu
