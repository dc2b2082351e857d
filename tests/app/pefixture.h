#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jiujiu::test {

// A DLL for the 32-bit Windows cross compiler to build at test time.
struct DllRecipe
{
    std::string source;    // C, may hold top-level asm
    std::string exports;   // .def file EXPORTS body; empty: none
    std::string importDef; // .def of a library to import from (dlltool makes its import library)
    std::uint32_t imageBase = 0x30000000;
    bool entryPoint = false; // keep a DllMain entry point
};

bool CrossCompilerAvailable();
// The DLL's bytes; nullopt (with the compiler's output in *log) when the build failed.
std::optional<std::string> BuildDll(const DllRecipe &recipe, std::string *log = nullptr);

// Section table of a PE32 file, read independently of the mapper.
struct SectionInfo
{
    std::string name;
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;
};
std::vector<SectionInfo> ReadSections(const std::string &image);
std::uint32_t ReadU32(const std::string &bytes, std::size_t offset);

// "r-xp" and the like for the page holding the address, from /proc/self/maps; empty if unmapped.
std::string PagePermissions(const void *address);

// Keeps an address range occupied, so that an image cannot be mapped at its preferred base.
class AddressBlocker
{
public:
    AddressBlocker(std::uint32_t address, std::size_t size);
    ~AddressBlocker();
    AddressBlocker(const AddressBlocker &) = delete;
    AddressBlocker &operator=(const AddressBlocker &) = delete;
    bool blocked() const { return m_blocked; }

private:
    void *m_address;
    std::size_t m_size;
    bool m_blocked;
};

} // namespace jiujiu::test
