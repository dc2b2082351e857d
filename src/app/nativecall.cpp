#include "app/nativecall.h"

#include "app/importresolver.h"
#include "app/loaderapitable.h"
#include "app/mappedimage.h"
#include "app/modulemapper.h"

namespace jiujiu {
namespace {

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

} // namespace

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
    const BoundedReader mapped = FinalisedBytes(*module);
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

} // namespace jiujiu
