#pragma once

#include "app/importresolver.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace jiujiu {

// A table of host libraries an image may import from: module names (matched without regard to
// letter case, as Windows does) holding functions by name and by ordinal. A function is either
// a host function, which images reach by an address this table hands out, or a bare address.
class HostImports final : public ImportResolver
{
public:
    using HostFunction = std::function<std::uint32_t(std::span<const std::uintptr_t>)>;

    HostImports();
    ~HostImports() override;
    HostImports(const HostImports &) = delete;
    HostImports &operator=(const HostImports &) = delete;

    // Answers the address images see: nativeEntry where the host runs image code, else a
    // token only this table knows.
    std::uint32_t addFunction(std::string_view module, std::string_view name, HostFunction fn,
                              void *nativeEntry = nullptr);
    std::uint32_t addFunction(std::string_view module, std::uint16_t ordinal, HostFunction fn,
                              void *nativeEntry = nullptr);
    void addAddress(std::string_view module, std::string_view name, std::uint32_t address);
    void addAddress(std::string_view module, std::uint16_t ordinal, std::uint32_t address);
    // Makes a module loadable even without functions.
    void addModule(std::string_view module);
    bool hasModule(std::string_view module) const;

    // Loads not yet matched by frees.
    int loadCount(std::string_view module) const;

    void *loadLibrary(const char *name) override;
    bool freeLibrary(void *module) override;
    void *procAddress(void *module, const char *name) override;
    bool ownsModule(const void *module) const override;
    bool callHostFunction(std::uint32_t address, std::span<const std::uintptr_t> args,
                          std::uint32_t &result) override;

private:
    struct Module;
    Module &module(std::string_view name);
    const Module *findModule(std::string_view name) const;
    std::uint32_t addressFor(const HostFunction &fn, void *nativeEntry);

    std::map<std::string, std::unique_ptr<Module>> m_modules; // by lower-case name
    std::map<std::uint32_t, HostFunction> m_functions;        // by the address images see
    std::uint32_t m_nextToken;
};

// The program's own table, the default resolver.
HostImports &ProgramImports();

} // namespace jiujiu
