// The loader table of hosts without kernel32: anonymous mappings stand for reserved and
// committed memory, the C heap for the process heap, the import resolver for libraries.
#include "app/importresolver.h"
#include "app/loaderapitable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace jiujiu {

namespace {

struct Reservation
{
    std::size_t size = 0;
    std::vector<int> pageProtection; // -1: not committed
};

// The mapper is not called concurrently; neither is this table.
std::map<std::uintptr_t, Reservation> g_reservations;
std::size_t g_heapBlocks = 0;
int g_heapTag = 0;

std::size_t PageSize()
{
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

bool HostProtection(std::uint32_t protect, int &prot)
{
    switch (protect & ~std::uint32_t(PageNoCache)) {
    case PageNoAccess:
        prot = PROT_NONE;
        return true;
    case PageReadOnly:
        prot = PROT_READ;
        return true;
    case PageReadWrite:
    case PageWriteCopy:
        prot = PROT_READ | PROT_WRITE;
        return true;
    case PageExecute:
        prot = PROT_EXEC;
        return true;
    case PageExecuteRead:
        prot = PROT_READ | PROT_EXEC;
        return true;
    case PageExecuteReadWrite:
    case PageExecuteWriteCopy:
        prot = PROT_READ | PROT_WRITE | PROT_EXEC;
        return true;
    default:
        return false;
    }
}

std::uint32_t WindowsProtection(int prot)
{
    switch (prot) {
    case PROT_READ:
        return PageReadOnly;
    case PROT_READ | PROT_WRITE:
        return PageReadWrite;
    case PROT_EXEC:
        return PageExecute;
    case PROT_READ | PROT_EXEC:
        return PageExecuteRead;
    case PROT_READ | PROT_WRITE | PROT_EXEC:
        return PageExecuteReadWrite;
    default:
        return PageNoAccess;
    }
}

// The reservation holding [address, address + size) and the page range it covers.
Reservation *FindPages(const void *address, std::size_t size, std::uintptr_t &first,
                       std::size_t &count)
{
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address);
    if (g_reservations.empty() || size == 0 || a + size < a)
        return nullptr;
    auto it = g_reservations.upper_bound(a);
    if (it == g_reservations.begin())
        return nullptr;
    --it;
    const std::uintptr_t base = it->first;
    if (a + size > base + it->second.size)
        return nullptr;
    const std::size_t page = PageSize();
    first = (a - base) / page;
    count = (a + size - base + page - 1) / page - first;
    return &it->second;
}

void *Reserve(void *address, std::size_t size, int prot)
{
    const std::size_t page = PageSize();
    if (size == 0 || size > SIZE_MAX - page)
        return nullptr;
    size = (size + page - 1) / page * page;
    const int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
    void *p = MAP_FAILED;
    if (address) {
        if (reinterpret_cast<std::uintptr_t>(address) % page != 0)
            return nullptr;
        p = mmap(address, size, prot, flags | MAP_FIXED_NOREPLACE, -1, 0);
        if (p != MAP_FAILED && p != address) {
            munmap(p, size);
            return nullptr;
        }
    } else {
#ifdef MAP_32BIT
        // Below 2 GiB a mapped 32-bit image's relocated words are its real addresses.
        p = mmap(nullptr, size, prot, flags | MAP_32BIT, -1, 0);
#endif
        if (p == MAP_FAILED)
            p = mmap(nullptr, size, prot, flags, -1, 0);
    }
    if (p == MAP_FAILED)
        return nullptr;
    Reservation r;
    r.size = size;
    r.pageProtection.assign(size / page, -1);
    g_reservations[reinterpret_cast<std::uintptr_t>(p)] = std::move(r);
    return p;
}

std::int32_t HostVirtualProtect(void *address, std::size_t size, std::uint32_t protect,
                                std::uint32_t *oldProtect)
{
    int prot = 0;
    std::uintptr_t first = 0;
    std::size_t count = 0;
    Reservation *r = FindPages(address, size, first, count);
    if (!r || !HostProtection(protect, prot))
        return 0;
    for (std::size_t i = first; i < first + count; ++i)
        if (r->pageProtection[i] < 0)
            return 0;
    const std::size_t page = PageSize();
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(address) / page * page;
    if (mprotect(reinterpret_cast<void *>(base), count * page, prot) != 0)
        return 0;
    if (oldProtect)
        *oldProtect = WindowsProtection(r->pageProtection[first]);
    for (std::size_t i = first; i < first + count; ++i)
        r->pageProtection[i] = prot;
    return 1;
}

void *HostVirtualAlloc(void *address, std::size_t size, std::uint32_t type, std::uint32_t protect)
{
    int prot = 0;
    if (!HostProtection(protect, prot) || (type & ~std::uint32_t(MemCommit | MemReserve)) != 0)
        return nullptr;
    // Reserving, or committing without an address, makes a new reservation.
    if ((type & MemReserve) || ((type & MemCommit) && !address)) {
        const bool commit = (type & MemCommit) != 0;
        void *p = Reserve(address, size, commit ? prot : PROT_NONE);
        if (p && commit) {
            auto &pages = g_reservations[reinterpret_cast<std::uintptr_t>(p)].pageProtection;
            std::fill(pages.begin(), pages.end(), prot);
        }
        return p;
    }
    if (!(type & MemCommit))
        return nullptr;
    std::uintptr_t first = 0;
    std::size_t count = 0;
    Reservation *r = FindPages(address, size, first, count);
    if (!r)
        return nullptr;
    const std::size_t page = PageSize();
    void *start = reinterpret_cast<void *>(reinterpret_cast<std::uintptr_t>(address) / page * page);
    // Committing keeps the contents of pages already committed, as on Windows.
    if (mprotect(start, count * page, prot) != 0)
        return nullptr;
    for (std::size_t i = first; i < first + count; ++i)
        r->pageProtection[i] = prot;
    return start;
}

std::int32_t HostVirtualFree(void *address, std::size_t size, std::uint32_t type)
{
    if (type == MemRelease) {
        auto it = g_reservations.find(reinterpret_cast<std::uintptr_t>(address));
        if (size != 0 || it == g_reservations.end())
            return 0;
        munmap(address, it->second.size);
        g_reservations.erase(it);
        return 1;
    }
    if (type != MemDecommit)
        return 0;
    std::uintptr_t first = 0;
    std::size_t count = 0;
    Reservation *r = FindPages(address, size, first, count);
    if (!r)
        return 0;
    const std::size_t page = PageSize();
    void *start = reinterpret_cast<void *>(reinterpret_cast<std::uintptr_t>(address) / page * page);
    // Fresh inaccessible pages in place drop the old contents.
    if (mmap(start, count * page, PROT_NONE,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0) == MAP_FAILED)
        return 0;
    for (std::size_t i = first; i < first + count; ++i)
        r->pageProtection[i] = -1;
    return 1;
}

// Memory this table did not hand out counts as unreadable.
std::int32_t HostIsBadReadPtr(const void *address, std::size_t size)
{
    if (size == 0)
        return 0;
    std::uintptr_t first = 0;
    std::size_t count = 0;
    Reservation *r = FindPages(address, size, first, count);
    if (!r)
        return 1;
    for (std::size_t i = first; i < first + count; ++i)
        if (r->pageProtection[i] < 0 || !(r->pageProtection[i] & PROT_READ))
            return 1;
    return 0;
}

void *HostGetProcessHeap()
{
    return &g_heapTag;
}

// Heap blocks carry their size in front, so a zeroing reallocation knows what is new.
constexpr std::size_t kHeapHeader = 16;

void *HostHeapAlloc(void *heap, std::uint32_t flags, std::size_t size)
{
    if (heap != &g_heapTag || size > SIZE_MAX - kHeapHeader)
        return nullptr;
    auto *block =
        static_cast<unsigned char *>((flags & HeapZeroMemory) ? std::calloc(1, kHeapHeader + size)
                                                              : std::malloc(kHeapHeader + size));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    ++g_heapBlocks;
    return block + kHeapHeader;
}

void *HostHeapReAlloc(void *heap, std::uint32_t flags, void *block, std::size_t size)
{
    if (heap != &g_heapTag || !block || size > SIZE_MAX - kHeapHeader)
        return nullptr;
    auto *start = static_cast<unsigned char *>(block) - kHeapHeader;
    std::size_t oldSize = 0;
    std::memcpy(&oldSize, start, sizeof oldSize);
    auto *grown = static_cast<unsigned char *>(std::realloc(start, kHeapHeader + size));
    if (!grown)
        return nullptr;
    if ((flags & HeapZeroMemory) && size > oldSize)
        std::memset(grown + kHeapHeader + oldSize, 0, size - oldSize);
    std::memcpy(grown, &size, sizeof size);
    return grown + kHeapHeader;
}

std::int32_t HostHeapFree(void *heap, std::uint32_t, void *block)
{
    if (heap != &g_heapTag)
        return 0;
    if (block) {
        std::free(static_cast<unsigned char *>(block) - kHeapHeader);
        --g_heapBlocks;
    }
    return 1;
}

void *HostLoadLibraryA(const char *name)
{
    return CurrentImportResolver()->loadLibrary(name);
}

std::int32_t HostFreeLibrary(void *module)
{
    return CurrentImportResolver()->freeLibrary(module) ? 1 : 0;
}

void *HostGetProcAddress(void *module, const char *name)
{
    return CurrentImportResolver()->procAddress(module, name);
}

const LoaderApiTable kHostTable = {
    HostVirtualProtect, HostLoadLibraryA,   HostVirtualAlloc, HostVirtualFree,
    HostIsBadReadPtr,   HostGetProcessHeap, HostFreeLibrary,  HostGetProcAddress,
    HostHeapFree,       HostHeapAlloc,      HostHeapReAlloc,
};

} // namespace

const LoaderApiTable *ResolvePlatformLoaderApiTable()
{
    return &kHostTable;
}

std::size_t HostReservationCount()
{
    return g_reservations.size();
}

std::size_t HostHeapBlockCount()
{
    return g_heapBlocks;
}

} // namespace jiujiu
