#pragma once

#include <cstdint>

// Where the fields of a 32-bit Windows image (PE32) lie, by the names the format gives them.
// Offsets are from the start of their own structure; the mapper reads with them and the tests
// forge images with them.
namespace jiujiu::pe {

// DOS header
constexpr std::uint16_t kDosSignature = 0x5A4D;       // "MZ"
constexpr std::uint32_t kNtHeadersOffsetField = 0x3C; // e_lfanew

// NT headers: the signature, then the file header, then the optional header
constexpr std::uint32_t kNtSignature = 0x00004550; // "PE\0\0"
constexpr std::uint32_t kFileHeader = 4;
constexpr std::uint32_t kOptionalHeader = kFileHeader + 20;

// File header
constexpr std::uint32_t kMachine = 0;
constexpr std::uint32_t kNumberOfSections = 2;
constexpr std::uint32_t kSizeOfOptionalHeader = 16;
constexpr std::uint32_t kFileCharacteristics = 18;
constexpr std::uint16_t kMachineI386 = 0x014C;

// Optional header (PE32)
constexpr std::uint32_t kMagic = 0;
constexpr std::uint32_t kSizeOfInitializedData = 8;
constexpr std::uint32_t kSizeOfUninitializedData = 12;
constexpr std::uint32_t kAddressOfEntryPoint = 16;
constexpr std::uint32_t kImageBase = 28;
constexpr std::uint32_t kSectionAlignment = 32;
constexpr std::uint32_t kFileAlignment = 36;
constexpr std::uint32_t kMajorSubsystemVersion = 40;
constexpr std::uint32_t kSizeOfImage = 56;
constexpr std::uint32_t kSizeOfHeaders = 60;
constexpr std::uint32_t kSubsystem = 68;
constexpr std::uint32_t kNumberOfRvaAndSizes = 92;
constexpr std::uint32_t kDataDirectories = 96; // 8 bytes each: address, size
constexpr std::uint32_t kDataDirectorySize = 8;
constexpr std::uint32_t kOptionalHeaderFixed = kDataDirectories; // up to the directories
constexpr std::uint16_t kMagicPe32 = 0x010B;

enum DataDirectoryIndex : std::uint32_t
{
    ExportDirectory = 0,
    ImportDirectory = 1,
    RelocationDirectory = 5,
};

// Section header
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSectionName = 0;
constexpr std::uint32_t kPhysicalAddress = 8; // VirtualSize in a file; the mapper's address
constexpr std::uint32_t kVirtualAddress = 12;
constexpr std::uint32_t kSizeOfRawData = 16;
constexpr std::uint32_t kPointerToRawData = 20;
constexpr std::uint32_t kSectionCharacteristics = 36;

constexpr std::uint32_t kSectionInitialisedData = 0x00000040;
constexpr std::uint32_t kSectionUninitialisedData = 0x00000080;
constexpr std::uint32_t kSectionDiscardable = 0x02000000;
constexpr std::uint32_t kSectionNotCached = 0x04000000;
constexpr std::uint32_t kSectionExecute = 0x20000000;
constexpr std::uint32_t kSectionRead = 0x40000000;
constexpr std::uint32_t kSectionWrite = 0x80000000;

// Import descriptor
constexpr std::uint32_t kImportDescriptorSize = 20;
constexpr std::uint32_t kOriginalFirstThunk = 0;
constexpr std::uint32_t kImportName = 12;
constexpr std::uint32_t kFirstThunk = 16;
constexpr std::uint32_t kImportByOrdinal = 0x80000000;
constexpr std::uint32_t kImportHintSize = 2; // before the name of a by-name import

// Export directory
constexpr std::uint32_t kExportDirectorySize = 40;
constexpr std::uint32_t kExportDllName = 12;
constexpr std::uint32_t kExportBase = 16;
constexpr std::uint32_t kNumberOfFunctions = 20;
constexpr std::uint32_t kNumberOfNames = 24;
constexpr std::uint32_t kAddressOfFunctions = 28;
constexpr std::uint32_t kAddressOfNames = 32;
constexpr std::uint32_t kAddressOfNameOrdinals = 36;

// Base relocation block: the page address, the block size, then 16-bit entries
constexpr std::uint32_t kRelocationPage = 0;
constexpr std::uint32_t kRelocationBlockSize = 4;
constexpr std::uint32_t kRelocationBlockHeader = 8;
constexpr std::uint16_t kRelocationHighLow = 3; // the entry's upper four bits: 32-bit absolute

} // namespace jiujiu::pe
