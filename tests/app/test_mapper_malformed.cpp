// One forged corruption per row: each must be refused cleanly, with everything released.
#include "app/exportlookup.h"
#include "app/hostimports.h"
#include "app/loaderapitable.h"
#include "app/modulemapper.h"
#include "app/nativecall.h"
#include "app/peformat.h"
#include "imagewriter.h"
#include "pefixture.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace jiujiu::test {
namespace {

class ForgedImageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(blocker.blocked());
        m_previous = SetImportResolver(&imports);
        imports.addAddress("host.dll", "foo", 0x11110000);
        imports.addAddress("host.dll", std::uint16_t(4), 0x22220000);
        m_reservations = HostReservationCount();
        m_heapBlocks = HostHeapBlockCount();
    }
    void TearDown() override
    {
        SetImportResolver(m_previous);
        EXPECT_EQ(HostReservationCount(), m_reservations) << "reservations leaked";
        EXPECT_EQ(HostHeapBlockCount(), m_heapBlocks) << "heap blocks leaked";
        EXPECT_EQ(imports.loadCount("host.dll"), 0) << "libraries not freed";
    }

    HostImports imports;
    const ForgedDll dll = BuildForgedDll();
    // Mapped elsewhere, so that the relocations are applied.
    AddressBlocker blocker{ForgedDll::kImageBase, 0x10000};

private:
    ImportResolver *m_previous = nullptr;
    std::size_t m_reservations = 0;
    std::size_t m_heapBlocks = 0;
};

constexpr std::uint32_t kOpt = ImageWriter::kOptionalHeader;
constexpr std::uint32_t kFile = ImageWriter::kNtOffset + pe::kFileHeader;
// The address and size fields of a data directory in the forged image.
constexpr std::uint32_t Directory(pe::DataDirectoryIndex index)
{
    return kOpt + pe::kDataDirectories + pe::kDataDirectorySize * index;
}
constexpr std::uint32_t kImageSize = 0x6000;

struct Corruption
{
    const char *name;
    std::function<void(const ForgedDll &, std::string &)> apply;
};

// Failure messages name the row, not its bytes.
void PrintTo(const Corruption &row, std::ostream *out)
{
    *out << row.name;
}

const Corruption kCorruptions[] = {
    {"bad MZ", [](auto &, auto &i) { i[1] = 'Y'; }},
    {"bad PE signature", [](auto &, auto &i) { i[ImageWriter::kNtOffset + 2] = 1; }},
    {"e_lfanew past the end",
     [](auto &, auto &i) { Put32(i, pe::kNtHeadersOffsetField, std::uint32_t(i.size()) - 2); }},
    {"e_lfanew wraps around",
     [](auto &, auto &i) { Put32(i, pe::kNtHeadersOffsetField, 0xFFFFFFFE); }},
    {"PE32+ optional header", [](auto &, auto &i) { Put16(i, kOpt + pe::kMagic, 0x020B); }},
    {"optional header too small",
     [](auto &, auto &i) { Put16(i, kFile + pe::kSizeOfOptionalHeader, 64); }},
    {"optional header past the end",
     [](auto &, auto &i) { Put16(i, kFile + pe::kSizeOfOptionalHeader, 0xFFF0); }},
    {"section table past the headers",
     [](auto &, auto &i) { Put16(i, kFile + pe::kNumberOfSections, 0xFFFF); }},
    {"SizeOfHeaders past the file",
     [](auto &, auto &i) { Put32(i, kOpt + pe::kSizeOfHeaders, 0x100000); }},
    {"SizeOfHeaders past the image",
     [](auto &, auto &i) { Put32(i, kOpt + pe::kSizeOfImage, 0x200); }},
    {"SizeOfImage zero", [](auto &, auto &i) { Put32(i, kOpt + pe::kSizeOfImage, 0); }},
    {"SizeOfImage absurd", [](auto &, auto &i) { Put32(i, kOpt + pe::kSizeOfImage, 0xFFFFF000); }},
    {"section outside the image",
     [](auto &, auto &i) {
         Put32(i, ImageWriter::sectionHeaderOffset(1) + pe::kVirtualAddress, kImageSize);
     }},
    {"section straddles the image end",
     [](auto &, auto &i) {
         Put32(i, ImageWriter::sectionHeaderOffset(4) + pe::kVirtualAddress, kImageSize - 0x100);
     }},
    {"section raw data past the file",
     [](auto &, auto &i) {
         Put32(i, ImageWriter::sectionHeaderOffset(2) + pe::kPointerToRawData,
               std::uint32_t(i.size()));
     }},
    {"section raw size wraps around",
     [](auto &, auto &i) {
         Put32(i, ImageWriter::sectionHeaderOffset(2) + pe::kSizeOfRawData, 0xFFFFFE00);
     }},
    {"relocation directory outside the image",
     [](auto &, auto &i) { Put32(i, Directory(pe::RelocationDirectory), 0x10000); }},
    {"relocation directory size past the image",
     [](auto &, auto &i) { Put32(i, Directory(pe::RelocationDirectory) + 4, 0x1001); }},
    {"relocation SizeOfBlock under 8",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc) + pe::kRelocationBlockSize, 4); }},
    {"relocation SizeOfBlock zero",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc) + pe::kRelocationBlockSize, 0); }},
    {"relocation block past its directory",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc) + 16, 0x1000); }},
    {"relocation target outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc), kImageSize); }},
    {"relocation word straddles the image end",
     [](auto &d, auto &i) {
         Put32(i, d.file(ForgedDll::kReloc), kImageSize - 0x1000);
         Put16(i, d.file(ForgedDll::kReloc) + pe::kRelocationBlockHeader, 0x3FFE);
     }},
    {"import directory outside the image",
     [](auto &, auto &i) { Put32(i, Directory(pe::ImportDirectory), 0x8000); }},
    {"import descriptor straddles the image end",
     [](auto &, auto &i) { Put32(i, Directory(pe::ImportDirectory), kImageSize - 10); }},
    {"import library name outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata) + pe::kImportName, 0x7FFFFFF0); }},
    {"import library name runs off the image",
     [](auto &d, auto &i) {
         // The .reloc section's last bytes hold no zero once its raw data ends in "x".
         Put32(i, d.file(ForgedDll::kIdata) + pe::kImportName, kImageSize - 1);
         Put32(i, ImageWriter::sectionHeaderOffset(4) + pe::kVirtualAddress, kImageSize - 0x200);
         Put32(i, ImageWriter::sectionHeaderOffset(4) + pe::kSectionCharacteristics, 0x40000040);
         i[d.file(ForgedDll::kReloc) + 0x1FF] = 'x';
         Put32(i, Directory(pe::RelocationDirectory), 0); // no relocations left
         Put32(i, Directory(pe::RelocationDirectory) + 4, 0);
     }},
    {"import lookup list outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata), 0x90000000); }},
    {"import lookup list runs off the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata), kImageSize - 2); }},
    {"import address list outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata) + pe::kFirstThunk, kImageSize); }},
    {"import hint/name outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata + 0x40), 0x7FFFFFF0); }},
    {"import by ordinal unknown to the library",
     [](auto &d, auto &i) {
         Put32(i, d.file(ForgedDll::kIdata + 0x44), pe::kImportByOrdinal | 5);
     }},
    {"import from an unknown library",
     [](auto &d, auto &i) { i[d.file(ForgedDll::kIdata + 0x80)] = 'g'; }},
    {"entry point",
     [](auto &, auto &i) { Put32(i, kOpt + pe::kAddressOfEntryPoint, ForgedDll::kText); }},
};

class Corrupted : public ForgedImageTest, public ::testing::WithParamInterface<Corruption>
{
};

TEST_P(Corrupted, IsRefused)
{
    std::string image = dll.image;
    GetParam().apply(dll, image);
    ASSERT_NE(image, dll.image) << "the corruption changed nothing";
    EXPECT_EQ(MapModuleImage(image.data(), image.size()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Forged, Corrupted, ::testing::ValuesIn(kCorruptions),
                         [](const auto &info) {
                             std::string name;
                             for (char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST_F(ForgedImageTest, IntactImageMaps)
{
    MappedModuleHandle ownedModule = MapModuleImage(dll.image.data(), dll.image.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->size, kImageSize);
    ownedModule.reset();
}

// The handle owns the mapping: letting go of it unmaps, as handing its record to UnmapModule
// does.
TEST_F(ForgedImageTest, LettingGoOfTheHandleUnmaps)
{
    const std::size_t reservations = HostReservationCount();
    {
        const MappedModuleHandle module = MapModuleImage(dll.image.data(), dll.image.size());
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(imports.loadCount("host.dll"), 1);
        EXPECT_GT(HostReservationCount(), reservations);
    }
    EXPECT_EQ(imports.loadCount("host.dll"), 0);
    EXPECT_EQ(HostReservationCount(), reservations);

    MappedModuleHandle module = MapModuleImage(dll.image.data(), dll.image.size());
    ASSERT_NE(module, nullptr);
    UnmapModule(module.release());
    EXPECT_EQ(imports.loadCount("host.dll"), 0);
    EXPECT_EQ(HostReservationCount(), reservations);
}

TEST_F(ForgedImageTest, EveryTruncationIsRefused)
{
    int refused = 0;
    for (std::size_t length = 0; length < dll.image.size(); ++length) {
        MappedModuleHandle ownedModule = MapModuleImage(dll.image.data(), length);
        MappedModule *module = ownedModule.get();
        EXPECT_EQ(module, nullptr) << "length " << length;
        ownedModule.reset();
        refused += module == nullptr;
    }
    EXPECT_GT(refused, 3000);
}

TEST_F(ForgedImageTest, NullImageIsRefused)
{
    EXPECT_EQ(MapModuleImage(nullptr, 100), nullptr);
    UnmapModule(nullptr);
}

// Damage in the export tables shows at lookup: the lookup answers null.
struct ExportDamage
{
    const char *name;
    std::function<void(const ForgedDll &, std::string &)> apply;
    const char *lookup;
};

void PrintTo(const ExportDamage &row, std::ostream *out)
{
    *out << row.name;
}

const ExportDamage kExportDamage[] = {
    {"ordinal equal to the function count",
     [](auto &d, auto &i) { Put16(i, d.file(ForgedDll::kEdata + 0x62), 3); }, "table"},
    {"ordinal far out of range",
     [](auto &d, auto &i) { Put16(i, d.file(ForgedDll::kEdata + 0x62), 0xFFFF); }, "table"},
    {"function address outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 0x48), 0x80000000); }, "table"},
    {"unused function slot",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 0x48), 0); }, "table"},
    {"forwarder",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 0x48), ForgedDll::kEdata + 0x70); },
     "table"},
    {"name table outside the image",
     [](auto &d, auto &i) {
         Put32(i, d.file(ForgedDll::kEdata + pe::kAddressOfNames), 0x7FFFFFFF);
     },
     "table"},
    {"name count past the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + pe::kNumberOfNames), 0x40000000); },
     "missing"},
    {"name outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 0x54), 0xFFFFFFF0); }, "table"},
    {"export directory outside the image",
     [](auto &, auto &i) { Put32(i, Directory(pe::ExportDirectory), 0x7FFFF000); }, "table"},
    {"export directory at the image end",
     [](auto &, auto &i) { Put32(i, Directory(pe::ExportDirectory), kImageSize - 8); }, "table"},
    {"no export directory",
     [](auto &, auto &i) { Put32(i, Directory(pe::ExportDirectory) + 4, 0); }, "table"},
    {"no functions",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + pe::kNumberOfFunctions), 0); },
     "table"},
    {"no directories at all", [](auto &, auto &i) { Put32(i, kOpt + pe::kNumberOfRvaAndSizes, 0); },
     "table"},
    // The tables must fit in the section that holds the directory, not merely in the image.
    {"function count past the export section",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + pe::kNumberOfFunctions), 0x71); },
     "table"},
    {"name count past the export section",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + pe::kNumberOfNames), 0x6D); },
     "table"},
    {"ordinal table runs off the export section",
     [](auto &d, auto &i) {
         Put32(i, d.file(ForgedDll::kEdata + pe::kAddressOfNameOrdinals),
               ForgedDll::kEdata + 0x1FE);
     },
     "table"},
    {"name outside the export section",
     [](auto &d, auto &i) {
         i.replace(d.file(ForgedDll::kData + 0x20), 6, std::string("table\0", 6));
         Put32(i, d.file(ForgedDll::kEdata + 0x54), ForgedDll::kData + 0x20);
     },
     "table"},
    {"export tables where the file fills nothing",
     [](auto &d, auto &i) {
         Put32(i, d.file(ForgedDll::kEdata + pe::kAddressOfNameOrdinals),
               ForgedDll::kEdata + 0x800);
     },
     "call_foo"},
};

class DamagedExports : public ForgedImageTest, public ::testing::WithParamInterface<ExportDamage>
{
};

TEST_P(DamagedExports, LookupFindsNothing)
{
    std::string image = dll.image;
    GetParam().apply(dll, image);
    ASSERT_NE(image, dll.image);
    MappedModuleHandle ownedModule = MapModuleImage(image.data(), image.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(FindMappedExport(module, GetParam().lookup), nullptr);
    for (std::uint32_t ordinal : {0u, 4u, 5u, 0x10000u})
        EXPECT_EQ(FindMappedExportByOrdinal(module, ordinal), nullptr) << ordinal;
    ownedModule.reset();
}

INSTANTIATE_TEST_SUITE_P(Forged, DamagedExports, ::testing::ValuesIn(kExportDamage),
                         [](const auto &info) {
                             std::string name;
                             for (char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// Whole images that once kept the mapper busy or crashed it, each rebuilt exactly.
struct HostileImage
{
    const char *name;
    std::function<std::string()> make;
    bool maps; // where the fault was in the lookups, the image itself maps
};

void PrintTo(const HostileImage &row, std::ostream *out)
{
    *out << row.name;
}

// 271 bytes: 64 MiB of image, the export directory in the headers, and 2^32 - 1 names listed
// in memory the file never filled. Bounded by the image alone, each lookup walked 16 M names
// (about 10 s a name in the fuzz target).
std::string EndlessNameCount()
{
    std::string i(271, '\0');
    Put16(i, 0, pe::kDosSignature);
    Put32(i, pe::kNtHeadersOffsetField, 0x40);
    Put32(i, 0x40, pe::kNtSignature);
    const std::uint32_t f = 0x40 + pe::kFileHeader, o = 0x40 + pe::kOptionalHeader;
    Put16(i, f + pe::kMachine, pe::kMachineI386);
    Put16(i, f + pe::kSizeOfOptionalHeader, pe::kOptionalHeaderFixed + pe::kDataDirectorySize);
    Put16(i, f + pe::kFileCharacteristics, 0x2102);
    Put16(i, o + pe::kMagic, pe::kMagicPe32);
    Put32(i, o + pe::kImageBase, ForgedDll::kImageBase);
    Put32(i, o + pe::kSectionAlignment, 0x1000);
    Put32(i, o + pe::kFileAlignment, 0x200);
    Put32(i, o + pe::kSizeOfImage, 64u << 20);
    Put32(i, o + pe::kSizeOfHeaders, 271);
    Put32(i, o + pe::kNumberOfRvaAndSizes, 1);
    Put32(i, o + pe::kDataDirectories, 0xC0);
    Put32(i, o + pe::kDataDirectories + 4, pe::kExportDirectorySize);
    Put32(i, 0xC0 + pe::kExportBase, 1);
    Put32(i, 0xC0 + pe::kNumberOfFunctions, 1);
    Put32(i, 0xC0 + pe::kNumberOfNames, 0xFFFFFFFF);
    for (std::uint32_t table :
         {pe::kAddressOfFunctions, pe::kAddressOfNames, pe::kAddressOfNameOrdinals})
        Put32(i, 0xC0 + table, 0x1000);
    return i;
}

const HostileImage kHostileImages[] = {
    {"endless name count", EndlessNameCount, true},
};

class Hostile : public ForgedImageTest, public ::testing::WithParamInterface<HostileImage>
{
};

// Readability questions asked of the loader table: a lookup bounded by the file asks a few,
// one walking the image asks two per name.
std::size_t g_readChecks = 0;
const LoaderApiTable *g_realTable = nullptr;
std::int32_t JIUJIU_LOADER_API CountingIsBadReadPtr(const void *address, std::size_t size)
{
    ++g_readChecks;
    return g_realTable->isBadReadPtr(address, size);
}

TEST_P(Hostile, LookupsEndAndFindNothing)
{
    const std::string image = GetParam().make();
    const auto start = std::chrono::steady_clock::now();
    MappedModuleHandle module = MapModuleImage(image.data(), image.size());
    ASSERT_EQ(module != nullptr, GetParam().maps);
    g_realTable = ResolveLoaderApiTable();
    LoaderApiTable counting = *g_realTable;
    counting.isBadReadPtr = CountingIsBadReadPtr;
    const LoaderApiTable *previous = SetLoaderApiTableOverride(&counting);
    g_readChecks = 0;
    for (const char *name : {"foo", "", "SkinH_AttachRes", "SkinH_Detach"})
        EXPECT_EQ(FindMappedExport(module.get(), name), nullptr) << name;
    for (std::uint32_t ordinal : {0u, 1u, 2u})
        EXPECT_EQ(FindMappedExportByOrdinal(module.get(), ordinal), nullptr) << ordinal;
    SetLoaderApiTableOverride(previous);
    EXPECT_LT(g_readChecks, 100u);
    module.reset();
    // Generous: bounded, these take well under a millisecond; unbounded, about a second a name.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

INSTANTIATE_TEST_SUITE_P(Found, Hostile, ::testing::ValuesIn(kHostileImages), [](const auto &info) {
    std::string name;
    for (char c : std::string(info.param.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

TEST_F(ForgedImageTest, IntactExportsAreFound)
{
    MappedModuleHandle ownedModule = MapModuleImage(dll.image.data(), dll.image.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    const char *base = static_cast<const char *>(module->base);
    EXPECT_EQ(FindMappedExport(module, "table"), base + ForgedDll::kData);
    EXPECT_EQ(FindMappedExport(module, "call_foo"), base + ForgedDll::kText);
    EXPECT_EQ(FindMappedExport(module, "Table"), nullptr);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 1), base + ForgedDll::kText);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 3), base + ForgedDll::kData);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 4), nullptr);
    ownedModule.reset();
}

} // namespace
} // namespace jiujiu::test
