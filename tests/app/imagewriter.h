#pragma once

#include "app/peformat.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace jiujiu::test {

void Put16(std::string &bytes, std::size_t offset, std::uint16_t v);
void Put32(std::string &bytes, std::size_t offset, std::uint32_t v);

// Writes small PE32 images field by field, so tests can forge every kind of damage.
class ImageWriter
{
public:
    static constexpr std::uint32_t kNtOffset = 0x80;
    static constexpr std::uint32_t kOptionalHeader = kNtOffset + pe::kOptionalHeader;
    static constexpr std::uint32_t kSectionTable = kOptionalHeader + 224;
    static constexpr std::uint32_t kFileAlignment = 0x200;
    static constexpr std::uint32_t kSectionAlignment = 0x1000;

    std::uint32_t imageBase = 0x10000000;
    std::uint32_t entryPoint = 0;
    std::uint32_t sizeOfInitializedData = 0;
    std::uint32_t sizeOfUninitializedData = 0;
    std::uint32_t sizeOfImage = 0; // 0: up to the end of the last section

    // The RVA the next section gets.
    std::uint32_t nextRva() const;
    // Adds a section there; empty data gives a section without raw data.
    std::uint32_t addSection(const std::string &name, const std::string &data,
                             std::uint32_t characteristics, std::uint32_t virtualSize = 0);
    void setDirectory(int index, std::uint32_t rva, std::uint32_t size);

    std::string build() const;
    static std::uint32_t sectionHeaderOffset(int index)
    {
        return kSectionTable + pe::kSectionHeaderSize * index;
    }
    std::uint32_t sizeOfHeaders() const;

private:
    struct Section
    {
        std::string name;
        std::string data;
        std::uint32_t rva = 0;
        std::uint32_t virtualSize = 0;
        std::uint32_t characteristics = 0;
    };
    std::vector<Section> m_sections;
    std::array<std::uint32_t, 32> m_directories = {};
};

} // namespace jiujiu::test

namespace jiujiu::test {

// A complete small DLL forged field by field: a .text with two jumps through its import
// address table (exported as "call_foo" and by ordinal), a .data of pointers, imports of
// "foo" by name and ordinal 4 from "host.dll", exports and relocations, with one type-0
// entry over a word that must stay as it is. The offsets name where each table lies.
struct ForgedDll
{
    static constexpr std::uint32_t kImageBase = 0x10000000;
    static constexpr std::uint32_t kText = 0x1000, kData = 0x2000, kIdata = 0x3000, kEdata = 0x4000,
                                   kReloc = 0x5000;
    static constexpr std::uint32_t kIat = kIdata + 0x60;
    static constexpr std::uint32_t kRelocSize = 28;
    std::string image;
    // File offsets of the raw data of each section, in the order above.
    std::uint32_t fileOffset[5] = {};

    std::uint32_t file(std::uint32_t rva) const;
};
ForgedDll BuildForgedDll();

} // namespace jiujiu::test
