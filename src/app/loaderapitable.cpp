#include "app/loaderapitable.h"

namespace jiujiu {

namespace {
const LoaderApiTable *g_override = nullptr;
}

// Provided by the platform file (loaderapitable_posix.cpp or loaderapitable_win32.cpp).
const LoaderApiTable *ResolvePlatformLoaderApiTable();

bool LoaderApiTable::complete() const
{
    return virtualProtect && loadLibraryA && virtualAlloc && virtualFree && isBadReadPtr &&
           getProcessHeap && freeLibrary && getProcAddress && heapFree && heapAlloc && heapReAlloc;
}

const LoaderApiTable *ResolveLoaderApiTable()
{
    const LoaderApiTable *table = g_override ? g_override : ResolvePlatformLoaderApiTable();
    return table && table->complete() ? table : nullptr;
}

const LoaderApiTable *SetLoaderApiTableOverride(const LoaderApiTable *table)
{
    const LoaderApiTable *previous = g_override;
    g_override = table;
    return previous;
}

} // namespace jiujiu
