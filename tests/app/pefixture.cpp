#include "pefixture.h"

#include "app/peformat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mman.h>

namespace jiujiu::test {

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

std::string ReadFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Run(const std::string &command, const fs::path &logFile, std::string *log)
{
    const int rc = std::system((command + " >" + logFile.string() + " 2>&1").c_str());
    if (rc != 0 && log)
        *log += command + "\n" + ReadFile(logFile);
    return rc == 0;
}

} // namespace

bool CrossCompilerAvailable()
{
    return std::strlen(JIUJIU_MINGW_GCC) > 0 && fs::exists(JIUJIU_MINGW_GCC) &&
           std::strlen(JIUJIU_MINGW_DLLTOOL) > 0 && fs::exists(JIUJIU_MINGW_DLLTOOL);
}

std::optional<std::string> BuildDll(const DllRecipe &recipe, std::string *log)
{
    if (!CrossCompilerAvailable())
        return std::nullopt;
    char pattern[] = "/tmp/jiujiu-pe-XXXXXX";
    if (!mkdtemp(pattern))
        return std::nullopt;
    const fs::path dir = pattern;
    const fs::path logFile = dir / "log.txt";
    std::string command = std::string(JIUJIU_MINGW_GCC) +
                          " -O2 -shared -nostdlib -s -Wl,--kill-at -Wl,--image-base," +
                          std::to_string(recipe.imageBase) + " -o " + (dir / "out.dll").string();
    command += recipe.entryPoint ? " -Wl,-e,_DllMain@12" : " -Wl,-e,0";
    bool ok = WriteFile(dir / "in.c", recipe.source);
    command += " " + (dir / "in.c").string();
    if (ok && !recipe.exports.empty()) {
        ok = WriteFile(dir / "in.def", "EXPORTS\n" + recipe.exports);
        command += " " + (dir / "in.def").string();
    }
    if (ok && !recipe.importDef.empty()) {
        ok = WriteFile(dir / "import.def", recipe.importDef) &&
             Run(std::string(JIUJIU_MINGW_DLLTOOL) + " -d " + (dir / "import.def").string() +
                     " -l " + (dir / "libimport.a").string(),
                 logFile, log);
        command += " " + (dir / "libimport.a").string();
    }
    std::optional<std::string> bytes;
    if (ok && Run(command, logFile, log))
        bytes = ReadFile(dir / "out.dll");
    std::error_code ec;
    fs::remove_all(dir, ec);
    return bytes;
}

std::uint32_t ReadU32(const std::string &bytes, std::size_t offset)
{
    std::uint32_t v = 0;
    if (offset + 4 <= bytes.size())
        std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

std::vector<SectionInfo> ReadSections(const std::string &image)
{
    std::vector<SectionInfo> out;
    const std::uint32_t nt = ReadU32(image, pe::kNtHeadersOffsetField);
    const std::uint32_t count =
        ReadU32(image, nt + pe::kFileHeader + pe::kNumberOfSections) & 0xFFFF;
    const std::uint32_t optionalSize =
        ReadU32(image, nt + pe::kFileHeader + pe::kSizeOfOptionalHeader) & 0xFFFF;
    const std::size_t table = nt + pe::kOptionalHeader + optionalSize;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t h = table + pe::kSectionHeaderSize * i;
        if (h + pe::kSectionHeaderSize > image.size())
            break;
        SectionInfo s;
        s.name.assign(image.data() + h, strnlen(image.data() + h, 8));
        s.virtualSize = ReadU32(image, h + pe::kPhysicalAddress);
        s.virtualAddress = ReadU32(image, h + pe::kVirtualAddress);
        s.sizeOfRawData = ReadU32(image, h + pe::kSizeOfRawData);
        s.pointerToRawData = ReadU32(image, h + pe::kPointerToRawData);
        s.characteristics = ReadU32(image, h + pe::kSectionCharacteristics);
        out.push_back(s);
    }
    return out;
}

std::string PagePermissions(const void *address)
{
    std::ifstream maps("/proc/self/maps");
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long long from = 0, to = 0;
        char perms[8] = {};
        if (std::sscanf(line.c_str(), "%llx-%llx %7s", &from, &to, perms) == 3 && a >= from &&
            a < to)
            return perms;
    }
    return {};
}

AddressBlocker::AddressBlocker(std::uint32_t address, std::size_t size)
    : m_address(reinterpret_cast<void *>(std::uintptr_t(address))), m_size(size)
{
    void *p = mmap(m_address, m_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE,
                   -1, 0);
    m_blocked = p == m_address;
    if (p != MAP_FAILED && p != m_address)
        munmap(p, m_size);
}

AddressBlocker::~AddressBlocker()
{
    if (m_blocked)
        munmap(m_address, m_size);
}

} // namespace jiujiu::test
