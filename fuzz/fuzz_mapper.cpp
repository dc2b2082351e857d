// Arbitrary bytes as a module image: mapping must refuse or succeed cleanly, export lookups
// must stay inside the image, and everything must be released afterwards.
#include "app/exportlookup.h"
#include "app/hostimports.h"
#include "app/loaderapitable.h"
#include "app/modulemapper.h"
#include "app/nativecall.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A library the forged imports can find, by name and by ordinal, so import tables get walked.
void InstallImports()
{
    static jiujiu::HostImports imports;
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const char *module : {"host.dll", "kernel32.dll", "A"}) {
        imports.addAddress(module, "foo", 0x11110000);
        imports.addAddress(module, "A", 0x11110010);
        for (std::uint16_t ordinal = 0; ordinal < 8; ++ordinal)
            imports.addAddress(module, ordinal, 0x22220000 + ordinal);
        imports.addFunction(module, "call", [](std::span<const std::uintptr_t>) { return 1u; });
    }
    jiujiu::SetImportResolver(&imports);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InstallImports();
    const std::size_t reservations = jiujiu::HostReservationCount();
    const std::size_t blocks = jiujiu::HostHeapBlockCount();
    if (const jiujiu::MappedModuleHandle module = jiujiu::MapModuleImage(data, size)) {
        for (const char *name : {"foo", "A", "", "SkinH_AttachRes", "table", "call_foo"})
            if (void *entry = jiujiu::FindMappedExport(module.get(), name))
                jiujiu::CallMappedExport(module.get(), entry, {1, 2, 3});
        for (std::uint32_t ordinal = 0; ordinal < 4; ++ordinal)
            if (void *entry = jiujiu::FindMappedExportByOrdinal(module.get(), ordinal))
                jiujiu::CallMappedExport(module.get(), entry, {});
    }
    if (jiujiu::HostReservationCount() != reservations || jiujiu::HostHeapBlockCount() != blocks)
        std::abort(); // something was not released
    return 0;
}
