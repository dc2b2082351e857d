// One forged corruption per row: each must be refused cleanly, with everything released.
#include "app/hostimports.h"
#include "app/loaderapitable.h"
#include "app/modulemapper.h"
#include "imagewriter.h"
#include "pefixture.h"

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
    {"e_lfanew past the end", [](auto &, auto &i) { Put32(i, 0x3C, std::uint32_t(i.size()) - 2); }},
    {"e_lfanew wraps around", [](auto &, auto &i) { Put32(i, 0x3C, 0xFFFFFFFE); }},
    {"PE32+ optional header", [](auto &, auto &i) { Put16(i, kOpt, 0x020B); }},
    {"optional header too small",
     [](auto &, auto &i) { Put16(i, ImageWriter::kNtOffset + 20, 64); }},
    {"optional header past the end",
     [](auto &, auto &i) { Put16(i, ImageWriter::kNtOffset + 20, 0xFFF0); }},
    {"section table past the headers",
     [](auto &, auto &i) { Put16(i, ImageWriter::kNtOffset + 6, 0xFFFF); }},
    {"SizeOfHeaders past the file", [](auto &, auto &i) { Put32(i, kOpt + 60, 0x100000); }},
    {"SizeOfHeaders past the image", [](auto &, auto &i) { Put32(i, kOpt + 56, 0x200); }},
    {"SizeOfImage zero", [](auto &, auto &i) { Put32(i, kOpt + 56, 0); }},
    {"SizeOfImage absurd", [](auto &, auto &i) { Put32(i, kOpt + 56, 0xFFFFF000); }},
    {"section outside the image",
     [](auto &, auto &i) { Put32(i, ImageWriter::sectionHeaderOffset(1) + 12, kImageSize); }},
    {"section straddles the image end",
     [](auto &, auto &i) {
         Put32(i, ImageWriter::sectionHeaderOffset(4) + 12, kImageSize - 0x100);
     }},
    {"section raw data past the file",
     [](auto &, auto &i) {
         Put32(i, ImageWriter::sectionHeaderOffset(2) + 20, std::uint32_t(i.size()));
     }},
    {"section raw size wraps around",
     [](auto &, auto &i) { Put32(i, ImageWriter::sectionHeaderOffset(2) + 16, 0xFFFFFE00); }},
    {"relocation directory outside the image",
     [](auto &, auto &i) { Put32(i, kOpt + 96 + 40, 0x10000); }},
    {"relocation directory size past the image",
     [](auto &, auto &i) { Put32(i, kOpt + 96 + 44, 0x1001); }},
    {"relocation SizeOfBlock under 8",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc) + 4, 4); }},
    {"relocation SizeOfBlock zero",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc) + 4, 0); }},
    {"relocation block past its directory",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc) + 16, 0x1000); }},
    {"relocation target outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kReloc), kImageSize); }},
    {"relocation word straddles the image end",
     [](auto &d, auto &i) {
         Put32(i, d.file(ForgedDll::kReloc), kImageSize - 0x1000);
         Put16(i, d.file(ForgedDll::kReloc) + 8, 0x3FFE);
     }},
    {"import directory outside the image",
     [](auto &, auto &i) { Put32(i, kOpt + 96 + 8, 0x8000); }},
    {"import descriptor straddles the image end",
     [](auto &, auto &i) { Put32(i, kOpt + 96 + 8, kImageSize - 10); }},
    {"import library name outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata) + 12, 0x7FFFFFF0); }},
    {"import library name runs off the image",
     [](auto &d, auto &i) {
         // The .reloc section's last bytes hold no zero once its raw data ends in "x".
         Put32(i, d.file(ForgedDll::kIdata) + 12, kImageSize - 1);
         Put32(i, ImageWriter::sectionHeaderOffset(4) + 12, kImageSize - 0x200);
         Put32(i, ImageWriter::sectionHeaderOffset(4) + 36, 0x40000040);
         i[d.file(ForgedDll::kReloc) + 0x1FF] = 'x';
         Put32(i, kOpt + 96 + 40, 0); // no relocations left
         Put32(i, kOpt + 96 + 44, 0);
     }},
    {"import lookup list outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata), 0x90000000); }},
    {"import lookup list runs off the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata), kImageSize - 2); }},
    {"import address list outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata) + 16, kImageSize); }},
    {"import hint/name outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata + 0x40), 0x7FFFFFF0); }},
    {"import by ordinal unknown to the library",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kIdata + 0x44), 0x80000005); }},
    {"import from an unknown library",
     [](auto &d, auto &i) { i[d.file(ForgedDll::kIdata + 0x80)] = 'g'; }},
    {"entry point", [](auto &, auto &i) { Put32(i, kOpt + 16, ForgedDll::kText); }},
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
    MappedModule *module = MapModuleImage(dll.image.data(), dll.image.size());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->size, kImageSize);
    UnmapModule(module);
}

TEST_F(ForgedImageTest, EveryTruncationIsRefused)
{
    int refused = 0;
    for (std::size_t length = 0; length < dll.image.size(); ++length) {
        MappedModule *module = MapModuleImage(dll.image.data(), length);
        EXPECT_EQ(module, nullptr) << "length " << length;
        UnmapModule(module);
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
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 32), 0x7FFFFFFF); }, "table"},
    {"name count past the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 24), 0x40000000); }, "missing"},
    {"name outside the image",
     [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 0x54), 0xFFFFFFF0); }, "table"},
    {"export directory outside the image", [](auto &, auto &i) { Put32(i, kOpt + 96, 0x7FFFF000); },
     "table"},
    {"export directory at the image end",
     [](auto &, auto &i) { Put32(i, kOpt + 96, kImageSize - 8); }, "table"},
    {"no export directory", [](auto &, auto &i) { Put32(i, kOpt + 96 + 4, 0); }, "table"},
    {"no functions", [](auto &d, auto &i) { Put32(i, d.file(ForgedDll::kEdata + 20), 0); },
     "table"},
    {"no directories at all", [](auto &, auto &i) { Put32(i, kOpt + 92, 0); }, "table"},
};

class DamagedExports : public ForgedImageTest, public ::testing::WithParamInterface<ExportDamage>
{
};

TEST_P(DamagedExports, LookupFindsNothing)
{
    std::string image = dll.image;
    GetParam().apply(dll, image);
    ASSERT_NE(image, dll.image);
    MappedModule *module = MapModuleImage(image.data(), image.size());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(FindMappedExport(module, GetParam().lookup), nullptr);
    for (std::uint32_t ordinal : {0u, 4u, 5u, 0x10000u})
        EXPECT_EQ(FindMappedExportByOrdinal(module, ordinal), nullptr) << ordinal;
    UnmapModule(module);
}

INSTANTIATE_TEST_SUITE_P(Forged, DamagedExports, ::testing::ValuesIn(kExportDamage),
                         [](const auto &info) {
                             std::string name;
                             for (char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST_F(ForgedImageTest, IntactExportsAreFound)
{
    MappedModule *module = MapModuleImage(dll.image.data(), dll.image.size());
    ASSERT_NE(module, nullptr);
    const char *base = static_cast<const char *>(module->base);
    EXPECT_EQ(FindMappedExport(module, "table"), base + ForgedDll::kData);
    EXPECT_EQ(FindMappedExport(module, "call_foo"), base + ForgedDll::kText);
    EXPECT_EQ(FindMappedExport(module, "Table"), nullptr);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 1), base + ForgedDll::kText);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 3), base + ForgedDll::kData);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 4), nullptr);
    UnmapModule(module);
}

} // namespace
} // namespace jiujiu::test
