#pragma once

#include <cstdint>
#include <vector>

namespace jiujiu {

class BoundedReader;

struct DataDirectory
{
    std::uint32_t address = 0;
    std::uint32_t size = 0;
};

struct ImageSection
{
    std::uint32_t headerOffset = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;
};

// What the mapper needs from the headers, read once from the source image, so that later
// writes into the mapped copy (a forged relocation may hit the headers) cannot change it.
struct ImageLayout
{
    std::uint32_t ntOffset = 0;
    std::uint16_t machine = 0;
    std::uint32_t entryPoint = 0;
    std::uint32_t imageBase = 0;
    std::int32_t sectionAlignment = 0;
    std::uint32_t sizeOfImage = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::uint32_t sizeOfInitializedData = 0;
    std::uint32_t sizeOfUninitializedData = 0;
    DataDirectory exports;
    DataDirectory imports;
    DataDirectory relocations;
    std::vector<ImageSection> sections;
};

// Far beyond any DLL this program maps; keeps a forged size from committing gigabytes.
constexpr std::uint32_t kMaxImageSize = 64u << 20;

// Reads and checks the headers of a PE32 image of fileSize bytes: signatures, sizes, and every
// section inside both the file and the image. False for anything malformed.
bool ReadImageLayout(const BoundedReader &image, std::uint64_t fileSize, ImageLayout &layout);

// Data directory `index` of an optional header with `count` directories (absent ones are
// empty); false when the directory lies outside.
bool ReadDataDirectory(const BoundedReader &image, std::uint64_t optionalHeader,
                       std::uint32_t count, std::uint32_t index, DataDirectory &out);

} // namespace jiujiu
