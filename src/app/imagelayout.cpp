#include "app/imagelayout.h"

#include "app/boundedreader.h"
#include "app/peformat.h"

namespace jiujiu {

bool ReadDataDirectory(const BoundedReader &image, std::uint64_t optionalHeader,
                       std::uint32_t count, std::uint32_t index, DataDirectory &out)
{
    out = {};
    if (index >= count)
        return true;
    const std::uint64_t at = optionalHeader + pe::kDataDirectories + pe::kDataDirectorySize * index;
    return image.read32(at, out.address) && image.read32(at + 4, out.size);
}

bool ReadImageLayout(const BoundedReader &image, std::uint64_t fileSize, ImageLayout &layout)
{
    std::uint16_t mz = 0;
    std::uint32_t signature = 0;
    if (!image.read16(0, mz) || mz != pe::kDosSignature ||
        !image.read32(pe::kNtHeadersOffsetField, layout.ntOffset) ||
        !image.read32(layout.ntOffset, signature) || signature != pe::kNtSignature)
        return false;
    const std::uint64_t fileHeader = std::uint64_t(layout.ntOffset) + pe::kFileHeader;
    const std::uint64_t optionalHeader = std::uint64_t(layout.ntOffset) + pe::kOptionalHeader;
    std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    std::uint32_t directoryCount = 0, sectionAlignment = 0;
    if (!image.read16(fileHeader + pe::kMachine, layout.machine) ||
        !image.read16(fileHeader + pe::kNumberOfSections, sectionCount) ||
        !image.read16(fileHeader + pe::kSizeOfOptionalHeader, optionalSize) ||
        optionalSize < pe::kOptionalHeaderFixed || !image.contains(optionalHeader, optionalSize) ||
        !image.read16(optionalHeader + pe::kMagic, magic) || magic != pe::kMagicPe32 ||
        !image.read32(optionalHeader + pe::kSizeOfInitializedData, layout.sizeOfInitializedData) ||
        !image.read32(optionalHeader + pe::kSizeOfUninitializedData,
                      layout.sizeOfUninitializedData) ||
        !image.read32(optionalHeader + pe::kAddressOfEntryPoint, layout.entryPoint) ||
        !image.read32(optionalHeader + pe::kImageBase, layout.imageBase) ||
        !image.read32(optionalHeader + pe::kSectionAlignment, sectionAlignment) ||
        !image.read32(optionalHeader + pe::kSizeOfImage, layout.sizeOfImage) ||
        !image.read32(optionalHeader + pe::kSizeOfHeaders, layout.sizeOfHeaders) ||
        !image.read32(optionalHeader + pe::kNumberOfRvaAndSizes, directoryCount))
        return false;
    layout.sectionAlignment = static_cast<std::int32_t>(sectionAlignment);
    // Directories beyond the optional header's size are absent.
    const std::uint32_t room = (optionalSize - pe::kOptionalHeaderFixed) / pe::kDataDirectorySize;
    if (directoryCount > room)
        directoryCount = room;
    if (!ReadDataDirectory(image, optionalHeader, directoryCount, pe::ExportDirectory,
                           layout.exports) ||
        !ReadDataDirectory(image, optionalHeader, directoryCount, pe::ImportDirectory,
                           layout.imports) ||
        !ReadDataDirectory(image, optionalHeader, directoryCount, pe::RelocationDirectory,
                           layout.relocations))
        return false;

    // The headers hold the section table and lie inside both the file and the image.
    const std::uint64_t sectionTable = optionalHeader + optionalSize;
    const std::uint64_t headersEnd =
        sectionTable + std::uint64_t(sectionCount) * pe::kSectionHeaderSize;
    if (layout.sizeOfImage == 0 || layout.sizeOfImage > kMaxImageSize ||
        layout.sizeOfHeaders < headersEnd || layout.sizeOfHeaders > layout.sizeOfImage ||
        layout.sizeOfHeaders > fileSize)
        return false;

    layout.sections.resize(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        ImageSection &s = layout.sections[i];
        s.headerOffset = static_cast<std::uint32_t>(sectionTable + i * pe::kSectionHeaderSize);
        if (!image.read32(s.headerOffset + pe::kVirtualAddress, s.virtualAddress) ||
            !image.read32(s.headerOffset + pe::kSizeOfRawData, s.sizeOfRawData) ||
            !image.read32(s.headerOffset + pe::kPointerToRawData, s.pointerToRawData) ||
            !image.read32(s.headerOffset + pe::kSectionCharacteristics, s.characteristics))
            return false;
        const BoundedReader mapped(nullptr, layout.sizeOfImage);
        if (s.sizeOfRawData == 0) {
            if (layout.sectionAlignment > 0 &&
                !mapped.contains(s.virtualAddress, std::uint32_t(layout.sectionAlignment)))
                return false;
        } else if (!mapped.contains(s.virtualAddress, s.sizeOfRawData) ||
                   !image.contains(s.pointerToRawData, s.sizeOfRawData)) {
            return false;
        }
    }
    return true;
}

} // namespace jiujiu
