#pragma once

#include <cstdint>
#include <span>

namespace jiujiu {

// Serves a mapped image's imports where the system loader does not: the host loader table's
// library calls come here, and so do calls into host functions an image reaches through its
// import address table.
class ImportResolver
{
public:
    virtual ~ImportResolver();

    // A module handle, or null when the library is unknown.
    virtual void *loadLibrary(const char *name) = 0;
    virtual bool freeLibrary(void *module) = 0;
    // name is a zero-terminated name, or an ordinal when its value is below 0x10000.
    // Answers the address an image stores for the function, or null.
    virtual void *procAddress(void *module, const char *name) = 0;
    virtual bool ownsModule(const void *module) const = 0;
    // Runs the host function an image knows by this address; false when there is none.
    virtual bool callHostFunction(std::uint32_t address, std::span<const std::uintptr_t> args,
                                  std::uint32_t &result) = 0;
};

// The resolver in use; by default the program's own HostImports (ProgramImports()).
ImportResolver *CurrentImportResolver();
// Installs a resolver (null goes back to the default); answers the previous one.
ImportResolver *SetImportResolver(ImportResolver *resolver);

} // namespace jiujiu
