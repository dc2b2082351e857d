#include "app/hostimports.h"

#include "app/loaderapitable.h"
#include "runtime/asciicase.h"

#include <algorithm>
#include <cstring>

namespace jiujiu {

namespace {

// Where image code cannot run, images hold tokens for host functions: keys of this table, never
// called or read as memory.
constexpr std::uint32_t kFirstToken = 0xFEE00010;
constexpr std::uint32_t kTokenStep = 0x10;

bool IsOrdinal(const char *name)
{
    return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

} // namespace

struct HostImports::Module
{
    std::map<std::string, std::uint32_t> byName;
    std::map<std::uint16_t, std::uint32_t> byOrdinal;
    int loads = 0;
};

HostImports::HostImports() : m_nextToken(kFirstToken) {}

HostImports::~HostImports() = default;

HostImports::Module &HostImports::module(std::string_view name)
{
    auto &slot = m_modules[AsciiLowered(name)];
    if (!slot)
        slot = std::make_unique<Module>();
    return *slot;
}

const HostImports::Module *HostImports::findModule(std::string_view name) const
{
    auto it = m_modules.find(AsciiLowered(name));
    return it == m_modules.end() ? nullptr : it->second.get();
}

std::uint32_t HostImports::addressFor(const HostFunction &fn, void *nativeEntry)
{
    std::uint32_t address = 0;
    if (JIUJIU_NATIVE_IMAGE_CODE && nativeEntry) {
        address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(nativeEntry));
    } else {
        address = m_nextToken;
        m_nextToken += kTokenStep;
    }
    if (fn)
        m_functions[address] = fn;
    return address;
}

std::uint32_t HostImports::addFunction(std::string_view module, std::string_view name,
                                       HostFunction fn, void *nativeEntry)
{
    const std::uint32_t address = addressFor(fn, nativeEntry);
    this->module(module).byName[std::string(name)] = address;
    return address;
}

std::uint32_t HostImports::addFunction(std::string_view module, std::uint16_t ordinal,
                                       HostFunction fn, void *nativeEntry)
{
    const std::uint32_t address = addressFor(fn, nativeEntry);
    this->module(module).byOrdinal[ordinal] = address;
    return address;
}

void HostImports::addAddress(std::string_view module, std::string_view name, std::uint32_t address)
{
    this->module(module).byName[std::string(name)] = address;
}

void HostImports::addAddress(std::string_view module, std::uint16_t ordinal, std::uint32_t address)
{
    this->module(module).byOrdinal[ordinal] = address;
}

void HostImports::addModule(std::string_view module)
{
    this->module(module);
}

bool HostImports::hasModule(std::string_view module) const
{
    return findModule(module) != nullptr;
}

int HostImports::loadCount(std::string_view module) const
{
    const Module *m = findModule(module);
    return m ? m->loads : 0;
}

void *HostImports::loadLibrary(const char *name)
{
    if (!name)
        return nullptr;
    auto it = m_modules.find(AsciiLowered(name));
    if (it == m_modules.end())
        return nullptr;
    ++it->second->loads;
    return it->second.get();
}

bool HostImports::ownsModule(const void *module) const
{
    return std::any_of(m_modules.begin(), m_modules.end(),
                       [module](const auto &entry) { return entry.second.get() == module; });
}

bool HostImports::freeLibrary(void *module)
{
    if (!ownsModule(module))
        return false;
    auto *m = static_cast<Module *>(module);
    if (m->loads <= 0)
        return false;
    --m->loads;
    return true;
}

void *HostImports::procAddress(void *module, const char *name)
{
    if (!ownsModule(module) || !name)
        return nullptr;
    const auto *m = static_cast<const Module *>(module);
    std::uint32_t address = 0;
    if (IsOrdinal(name)) {
        auto it =
            m->byOrdinal.find(static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(name)));
        if (it != m->byOrdinal.end())
            address = it->second;
    } else {
        auto it = m->byName.find(name);
        if (it != m->byName.end())
            address = it->second;
    }
    return reinterpret_cast<void *>(static_cast<std::uintptr_t>(address));
}

bool HostImports::callHostFunction(std::uint32_t address, std::span<const std::uintptr_t> args,
                                   std::uint32_t &result)
{
    auto it = m_functions.find(address);
    if (it == m_functions.end())
        return false;
    // A copy: the function may change this table.
    HostFunction fn = it->second;
    result = fn(args);
    return true;
}

HostImports &ProgramImports()
{
    static HostImports imports;
    return imports;
}

} // namespace jiujiu
