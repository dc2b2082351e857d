// The module mapper against real DLLs from the 32-bit Windows cross compiler.
#include "app/exportlookup.h"
#include "app/hostimports.h"
#include "app/loaderapitable.h"
#include "app/modulemapper.h"
#include "app/nativecall.h"
#include "app/peformat.h"
#include "imagewriter.h"
#include "pefixture.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace jiujiu::test {
namespace {

const char kClientSource[] = R"(
int value = 7;
int other[4] = {1, 2, 3, 4};
int *pointer_to_value = &value;
int *pointers[3] = {&other[0], &other[2], &value};
const int constant_table[4] = {10, 20, 30, 40};
const int *pointer_to_constant = constant_table;
int zeroed[2048];
__asm__(".section .wx,\"wx\"\n.globl _wx_word\n_wx_word: .long _value\n"
        ".text\n.globl _call_foo\n_call_foo: jmp *__imp__foo\n"
        ".globl _call_bar\n_call_bar: jmp *__imp__bar\n");
)";

const char kClientExports[] = "value @3\npointer_to_value\npointers\ncall_foo\ncall_bar @9 NONAME\n"
                              "constant_table\npointer_to_constant\nzeroed\nwx_word\n";

const char kHostDef[] = "LIBRARY hostlib.dll\nEXPORTS\nfoo\nbar @4 NONAME\n";

constexpr std::uint32_t kFooAddress = 0x11110000;
constexpr std::uint32_t kBarAddress = 0x22220000;

DllRecipe ClientRecipe(std::uint32_t imageBase)
{
    DllRecipe r;
    r.source = kClientSource;
    r.exports = kClientExports;
    r.importDef = kHostDef;
    r.imageBase = imageBase;
    return r;
}

const std::string &Client(std::uint32_t imageBase)
{
    static std::map<std::uint32_t, std::string> built;
    auto it = built.find(imageBase);
    if (it == built.end()) {
        std::string log;
        it = built.emplace(imageBase, BuildDll(ClientRecipe(imageBase), &log).value_or("")).first;
        if (it->second.empty())
            ADD_FAILURE() << "cross build failed: " << log;
    }
    return it->second;
}

std::uint32_t Word(const void *address)
{
    std::uint32_t v = 0;
    std::memcpy(&v, address, 4);
    return v;
}

std::uint32_t Low32(const void *p)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

SectionInfo FindSection(const std::string &image, const std::string &name)
{
    for (const SectionInfo &s : ReadSections(image))
        if (s.name == name)
            return s;
    ADD_FAILURE() << "no section " << name;
    return {};
}

// Installs a resolver for the test's lifetime and checks that nothing leaks.
class MapperTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!CrossCompilerAvailable())
            GTEST_SKIP() << "i686-w64-mingw32-gcc not installed";
        m_previous = SetImportResolver(&imports);
        m_reservations = HostReservationCount();
        m_heapBlocks = HostHeapBlockCount();
    }
    void TearDown() override
    {
        if (IsSkipped())
            return;
        SetImportResolver(m_previous);
        EXPECT_EQ(HostReservationCount(), m_reservations) << "reservations leaked";
        EXPECT_EQ(HostHeapBlockCount(), m_heapBlocks) << "heap blocks leaked";
        EXPECT_EQ(imports.loadCount("hostlib.dll"), 0) << "libraries not freed";
    }
    void AddHostLibrary()
    {
        imports.addAddress("HOSTLIB.DLL", "foo", kFooAddress);
        imports.addAddress("hostlib.dll", std::uint16_t(4), kBarAddress);
    }

    HostImports imports;

private:
    ImportResolver *m_previous = nullptr;
    std::size_t m_reservations = 0;
    std::size_t m_heapBlocks = 0;
};

TEST_F(MapperTest, RelocatesExactlyTheWordsTheLinkerRelocates)
{
    constexpr std::uint32_t kBase = 0x30000000, kOtherBase = 0x30100000;
    const std::string &a = Client(kBase);
    const std::string &b = Client(kOtherBase);
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.size(), b.size());
    AddHostLibrary();
    AddressBlocker blocker(kBase, 0x100000);
    ASSERT_TRUE(blocker.blocked());

    MappedModuleHandle ownedModule = MapModuleImage(a.data(), a.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    ASSERT_NE(reinterpret_cast<std::uintptr_t>(module->base), kBase);
    const std::uint32_t delta = Low32(module->base) - kBase;
    const auto *mapped = static_cast<const unsigned char *>(module->base);

    // Where the two links differ by the difference of their bases is where the linker put an
    // absolute address; those words and no others must have moved by the mapping's delta.
    int relocated = 0;
    for (const std::string name : {".text", ".data", ".rdata", ".wx", ".edata"}) {
        SCOPED_TRACE(name);
        const SectionInfo s = FindSection(a, name);
        const std::uint32_t length = std::min(s.virtualSize, s.sizeOfRawData);
        ASSERT_GT(length, 0u);
        std::string expected = a.substr(s.pointerToRawData, length);
        for (std::uint32_t i = 0; i + 4 <= length; ++i) {
            const std::size_t at = s.pointerToRawData + i;
            if (ReadU32(b, at) - ReadU32(a, at) == kOtherBase - kBase) {
                Put32(expected, i, ReadU32(a, at) + delta);
                ++relocated;
            }
        }
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(mapped + s.virtualAddress), length),
                  expected);
    }
    EXPECT_GE(relocated, 8); // two thunks, five pointers in .data, one in .wx

    // Relocated pointers point into the mapped copy.
    const void *value = FindMappedExport(module, "value");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(Word(value), 7u);
    EXPECT_EQ(Word(FindMappedExport(module, "pointer_to_value")), Low32(value));
    EXPECT_EQ(Word(static_cast<const char *>(FindMappedExport(module, "pointers")) + 8),
              Low32(value));
    EXPECT_EQ(Word(FindMappedExport(module, "wx_word")), Low32(value));
    EXPECT_EQ(Word(FindMappedExport(module, "pointer_to_constant")),
              Low32(FindMappedExport(module, "constant_table")));
    // The copied headers name the mapped base.
    EXPECT_EQ(
        Word(static_cast<const char *>(module->headers) + pe::kOptionalHeader + pe::kImageBase),
        Low32(module->base));
    ownedModule.reset();
}

TEST_F(MapperTest, MapsAtThePreferredBaseWithoutRelocating)
{
    constexpr std::uint32_t kBase = 0x31000000;
    const std::string &a = Client(kBase);
    ASSERT_FALSE(a.empty());
    {
        AddressBlocker probe(kBase, 0x10000);
        ASSERT_TRUE(probe.blocked()) << "the preferred range is taken; pick another base";
    }
    AddHostLibrary();
    MappedModuleHandle ownedModule = MapModuleImage(a.data(), a.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(module->base), kBase);
    const SectionInfo data = FindSection(a, ".data");
    EXPECT_EQ(std::memcmp(static_cast<char *>(module->base) + data.virtualAddress,
                          a.data() + data.pointerToRawData, data.virtualSize),
              0);
    ownedModule.reset();
}

// The address an exported "jmp dword [slot]" jumps to.
std::uint32_t ThunkTarget(const MappedModule *module, const void *thunk)
{
    const auto *code = static_cast<const unsigned char *>(thunk);
    EXPECT_EQ(code[0], 0xFF);
    EXPECT_EQ(code[1], 0x25);
    const std::uint32_t slot = Word(code + 2) - Low32(module->base);
    EXPECT_LT(slot, module->size);
    return Word(static_cast<const char *>(module->base) + slot);
}

TEST_F(MapperTest, ResolvesImportsByNameAndByOrdinal)
{
    const std::string &a = Client(0x30000000);
    ASSERT_FALSE(a.empty());
    AddHostLibrary();
    MappedModuleHandle ownedModule = MapModuleImage(a.data(), a.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(imports.loadCount("hostlib.dll"), 1);
    ASSERT_EQ(module->importedModuleCount, 1);
    EXPECT_NE(module->importedModules[0], nullptr);
    EXPECT_EQ(ThunkTarget(module, FindMappedExport(module, "call_foo")), kFooAddress);
    EXPECT_EQ(ThunkTarget(module, FindMappedExportByOrdinal(module, 9)), kBarAddress);
    ownedModule.reset();
}

TEST_F(MapperTest, CallsHostFunctionsThroughTheImportTable)
{
    const std::string &a = Client(0x30000000);
    ASSERT_FALSE(a.empty());
    std::vector<std::uintptr_t> fooArgs, barArgs;
    imports.addFunction("hostlib.dll", "foo", [&](std::span<const std::uintptr_t> args) {
        fooArgs.assign(args.begin(), args.end());
        return 41u;
    });
    imports.addFunction("hostlib.dll", std::uint16_t(4), [&](std::span<const std::uintptr_t> args) {
        barArgs.assign(args.begin(), args.end());
        return 42u;
    });
    MappedModuleHandle ownedModule = MapModuleImage(a.data(), a.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    const void *callFoo = FindMappedExport(module, "call_foo");
    EXPECT_EQ(CallMappedExport(module, callFoo, {1, 2, std::uintptr_t(-1)}), 41u);
    EXPECT_EQ(fooArgs, (std::vector<std::uintptr_t>{1, 2, std::uintptr_t(-1)}));

    ExportArguments withGaps;
    withGaps[0] = 5;
    withGaps[3] = 6;
    withGaps[14] = 7;
    EXPECT_EQ(CallMappedExport(module, FindMappedExportByOrdinal(module, 9), withGaps), 42u);
    EXPECT_EQ(barArgs, (std::vector<std::uintptr_t>{5, 6, 7}));

    // Data is not a thunk: nothing runs.
    fooArgs.clear();
    EXPECT_EQ(CallMappedExport(module, FindMappedExport(module, "value"), {1}), 0u);
    EXPECT_EQ(CallMappedExport(module, nullptr, {1}), 0u);
    EXPECT_TRUE(fooArgs.empty());
    ownedModule.reset();
}

TEST_F(MapperTest, FindsExportsByExactNameAndByOrdinal)
{
    const std::string &a = Client(0x30000000);
    ASSERT_FALSE(a.empty());
    AddHostLibrary();
    MappedModuleHandle ownedModule = MapModuleImage(a.data(), a.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    const void *value = FindMappedExport(module, "value");
    ASSERT_NE(value, nullptr);
    struct Row
    {
        const char *name;
        bool found;
    } rows[] = {
        {"value", true},    {"Value", false},    {"VALUE", false},
        {"valu", false},    {"value ", false},   {"", false},
        {"call_foo", true}, {"call_bar", false}, // exported without a name
        {"zeroed", true},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(FindMappedExport(module, r.name) != nullptr, r.found);
    }
    EXPECT_EQ(FindMappedExportByOrdinal(module, 3), value);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 0), nullptr);
    EXPECT_EQ(FindMappedExportByOrdinal(module, 1000), nullptr);
    EXPECT_EQ(FindMappedExport(nullptr, "value"), nullptr);
    EXPECT_EQ(FindMappedExport(module, nullptr), nullptr);
    ownedModule.reset();
}

TEST_F(MapperTest, ProtectsEachSectionByItsFlags)
{
    const std::string &a = Client(0x30000000);
    ASSERT_FALSE(a.empty());
    AddHostLibrary();
    MappedModuleHandle ownedModule = MapModuleImage(a.data(), a.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    const auto base = static_cast<const char *>(module->base);
    std::set<std::string> seen;
    for (const SectionInfo &s : ReadSections(a)) {
        SCOPED_TRACE(s.name);
        seen.insert(s.name);
        std::string expected = "---";
        if (!(s.characteristics & 0x02000000)) {
            expected[0] = (s.characteristics & 0x40000000) ? 'r' : '-';
            expected[1] = (s.characteristics & 0x80000000) ? 'w' : '-';
            expected[2] = (s.characteristics & 0x20000000) ? 'x' : '-';
        }
        EXPECT_EQ(PagePermissions(base + s.virtualAddress).substr(0, 3), expected);
    }
    for (const char *name : {".text", ".data", ".rdata", ".bss", ".wx", ".reloc", ".idata"})
        EXPECT_TRUE(seen.count(name)) << name;
    // Only the section that asks for it is writable and executable.
    const SectionInfo wx = FindSection(a, ".wx");
    for (std::uint32_t page = 0; page < module->size; page += 0x1000) {
        const std::string perms = PagePermissions(base + page);
        if (perms.size() >= 3 && perms[1] == 'w' && perms[2] == 'x') {
            EXPECT_EQ(page, wx.virtualAddress);
        }
    }
    ownedModule.reset();
}

TEST_F(MapperTest, ImageWithEntryPointIsNotMappableHere)
{
    DllRecipe r;
    r.source = "int __stdcall DllMain(void *h, unsigned reason, void *p) { return 1; }\n"
               "int exported = 3;\n";
    r.exports = "exported\n";
    r.entryPoint = true;
    std::string log;
    const auto dll = BuildDll(r, &log);
    ASSERT_TRUE(dll) << log;
    ASSERT_NE(ReadU32(*dll, ReadU32(*dll, pe::kNtHeadersOffsetField) + pe::kOptionalHeader +
                                pe::kAddressOfEntryPoint),
              0u)
        << "the DLL has no entry point";
    EXPECT_EQ(MapModuleImage(dll->data(), dll->size()), nullptr);
}

TEST_F(MapperTest, UnresolvableImportsFailAndReleaseEverything)
{
    const std::string &a = Client(0x30000000);
    ASSERT_FALSE(a.empty());
    // No such library.
    EXPECT_EQ(MapModuleImage(a.data(), a.size()), nullptr);
    // The library without the ordinal import.
    imports.addAddress("hostlib.dll", "foo", kFooAddress);
    EXPECT_EQ(MapModuleImage(a.data(), a.size()), nullptr);
    // A function whose address does not fit the 32-bit import table.
    imports.addAddress("hostlib.dll", std::uint16_t(4), 0);
    EXPECT_EQ(MapModuleImage(a.data(), a.size()), nullptr);
}

TEST_F(MapperTest, FailedGrowthOfTheModuleArrayReleasesEverything)
{
    const std::string &a = Client(0x30000000);
    ASSERT_FALSE(a.empty());
    AddHostLibrary();
    LoaderApiTable table = *ResolveLoaderApiTable();
    table.heapReAlloc = [](void *, std::uint32_t, void *, std::size_t) -> void * {
        return nullptr;
    };
    const LoaderApiTable *previous = SetLoaderApiTableOverride(&table);
    EXPECT_EQ(MapModuleImage(a.data(), a.size()), nullptr);
    SetLoaderApiTableOverride(previous);
}

// Forged images for cases a linker does not produce.
TEST_F(MapperTest, SkipsRelocationEntriesOfOtherTypes)
{
    const ForgedDll dll = BuildForgedDll();
    imports.addAddress("host.dll", "foo", kFooAddress);
    imports.addAddress("host.dll", std::uint16_t(4), kBarAddress);
    AddressBlocker blocker(ForgedDll::kImageBase, 0x10000);
    ASSERT_TRUE(blocker.blocked());
    MappedModuleHandle ownedModule = MapModuleImage(dll.image.data(), dll.image.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    const std::uint32_t base = Low32(module->base);
    const char *data = static_cast<const char *>(module->base) + ForgedDll::kData;
    EXPECT_EQ(Word(data + 0), base + ForgedDll::kData + 0x10);
    EXPECT_EQ(Word(data + 4), base + ForgedDll::kText);
    EXPECT_EQ(Word(data + 8), 0x12345678u);                               // type 0
    EXPECT_EQ(Word(data + 12), ForgedDll::kImageBase + ForgedDll::kText); // no entry
    EXPECT_EQ(Word(data + 16), 0xCAFEF00Du);
    EXPECT_EQ(ThunkTarget(module, FindMappedExport(module, "call_foo")), kFooAddress);
    EXPECT_EQ(ThunkTarget(module, FindMappedExportByOrdinal(module, 2)), kBarAddress);
    EXPECT_EQ(FindMappedExport(module, "table"), data);
    ownedModule.reset();
}

TEST_F(MapperTest, SectionWithoutRawDataTakesSizeOfUninitializedData)
{
    ImageWriter w;
    w.addSection(".text", std::string(16, '\xC3'), 0x60000020);
    const std::uint32_t bss = w.addSection(".bss", "", 0x40000080, 0x2000); // read-only
    const std::uint32_t after = w.addSection(".data", std::string(16, 'd'), 0xC0000040);
    w.sizeOfUninitializedData = 0x2000;
    const std::string image = w.build();
    MappedModuleHandle ownedModule = MapModuleImage(image.data(), image.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    const char *base = static_cast<const char *>(module->base);
    EXPECT_EQ(PagePermissions(base + bss).substr(0, 3), "r--");
    EXPECT_EQ(PagePermissions(base + bss + 0x1000).substr(0, 3), "r--");
    EXPECT_EQ(PagePermissions(base + after).substr(0, 3), "rw-");
    EXPECT_EQ(Word(base + bss), 0u);
    ownedModule.reset();
}

TEST_F(MapperTest, ImportListEndsWhereTheNextDescriptorIsOutsideTheImage)
{
    // The only descriptor is the image's last 20 bytes; there is no terminator.
    std::string idata(0x200, '\0');
    const std::uint32_t rva = ImageWriter::kSectionAlignment; // first section
    const std::uint32_t descriptor = 0x200 - 20;
    Put32(idata, descriptor + 12, rva + 0x10);
    Put32(idata, descriptor + 16, rva + 0x40);
    idata.replace(0x10, 9, std::string("host.dll\0", 9));
    Put32(idata, 0x40, 0x80000004);
    ImageWriter w;
    w.addSection(".idata", idata, 0xC0000040);
    w.setDirectory(1, rva + descriptor, 20);
    w.sizeOfImage = rva + 0x200;
    imports.addAddress("host.dll", std::uint16_t(4), kBarAddress);
    const std::string image = w.build();
    MappedModuleHandle ownedModule = MapModuleImage(image.data(), image.size());
    MappedModule *module = ownedModule.get();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(Word(static_cast<const char *>(module->base) + rva + 0x40), kBarAddress);
    EXPECT_EQ(imports.loadCount("host.dll"), 1);
    ownedModule.reset();
    EXPECT_EQ(imports.loadCount("host.dll"), 0);
}

} // namespace
} // namespace jiujiu::test
