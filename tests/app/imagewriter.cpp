#include "imagewriter.h"

#include <algorithm>

namespace jiujiu::test {

namespace {
std::uint32_t AlignUp(std::uint32_t v, std::uint32_t a)
{
    return (v + a - 1) / a * a;
}
} // namespace

void Put16(std::string &bytes, std::size_t offset, std::uint16_t v)
{
    if (bytes.size() < offset + 2)
        bytes.resize(offset + 2);
    bytes[offset] = char(v & 0xFF);
    bytes[offset + 1] = char(v >> 8);
}

void Put32(std::string &bytes, std::size_t offset, std::uint32_t v)
{
    Put16(bytes, offset, std::uint16_t(v & 0xFFFF));
    Put16(bytes, offset + 2, std::uint16_t(v >> 16));
}

std::uint32_t ImageWriter::nextRva() const
{
    if (m_sections.empty())
        return kSectionAlignment;
    const Section &last = m_sections.back();
    return AlignUp(last.rva + std::max<std::uint32_t>(last.virtualSize, 1), kSectionAlignment);
}

std::uint32_t ImageWriter::addSection(const std::string &name, const std::string &data,
                                      std::uint32_t characteristics, std::uint32_t virtualSize)
{
    Section s;
    s.name = name;
    s.data = data;
    s.rva = nextRva();
    s.virtualSize = virtualSize ? virtualSize : std::uint32_t(data.size());
    s.characteristics = characteristics;
    m_sections.push_back(s);
    return s.rva;
}

void ImageWriter::setDirectory(int index, std::uint32_t rva, std::uint32_t size)
{
    m_directories[2 * index] = rva;
    m_directories[2 * index + 1] = size;
}

std::uint32_t ImageWriter::sizeOfHeaders() const
{
    return AlignUp(kSectionTable + pe::kSectionHeaderSize * std::uint32_t(m_sections.size()),
                   kFileAlignment);
}

std::string ImageWriter::build() const
{
    std::string image(sizeOfHeaders(), '\0');
    Put16(image, 0, pe::kDosSignature);
    Put32(image, pe::kNtHeadersOffsetField, kNtOffset);
    Put32(image, kNtOffset, pe::kNtSignature);
    const std::uint32_t f = kNtOffset + pe::kFileHeader;
    Put16(image, f + pe::kMachine, pe::kMachineI386);
    Put16(image, f + pe::kNumberOfSections, std::uint16_t(m_sections.size()));
    Put16(image, f + pe::kSizeOfOptionalHeader, 224);
    Put16(image, f + pe::kFileCharacteristics, 0x2102); // executable, 32-bit, DLL
    const std::uint32_t o = kOptionalHeader;
    Put16(image, o + pe::kMagic, pe::kMagicPe32);
    Put32(image, o + pe::kSizeOfInitializedData, sizeOfInitializedData);
    Put32(image, o + pe::kSizeOfUninitializedData, sizeOfUninitializedData);
    Put32(image, o + pe::kAddressOfEntryPoint, entryPoint);
    Put32(image, o + pe::kImageBase, imageBase);
    Put32(image, o + pe::kSectionAlignment, kSectionAlignment);
    Put32(image, o + pe::kFileAlignment, kFileAlignment);
    Put16(image, o + pe::kMajorSubsystemVersion, 4);
    Put32(image, o + pe::kSizeOfImage, sizeOfImage ? sizeOfImage : nextRva());
    Put32(image, o + pe::kSizeOfHeaders, sizeOfHeaders());
    Put16(image, o + pe::kSubsystem, 3);
    Put32(image, o + pe::kNumberOfRvaAndSizes, 16);
    for (std::size_t i = 0; i < m_directories.size(); ++i)
        Put32(image, o + pe::kDataDirectories + 4 * i, m_directories[i]);
    for (std::size_t i = 0; i < m_sections.size(); ++i) {
        const Section &s = m_sections[i];
        const std::uint32_t h = sectionHeaderOffset(int(i));
        image.replace(h + pe::kSectionName, std::min<std::size_t>(s.name.size(), 8), s.name, 0, 8);
        Put32(image, h + pe::kPhysicalAddress, s.virtualSize);
        Put32(image, h + pe::kVirtualAddress, s.rva);
        if (!s.data.empty()) {
            const std::uint32_t raw = AlignUp(std::uint32_t(s.data.size()), kFileAlignment);
            Put32(image, h + pe::kSizeOfRawData, raw);
            Put32(image, h + pe::kPointerToRawData, std::uint32_t(image.size()));
            std::string data = s.data;
            data.resize(raw, '\0');
            image += data;
        }
        Put32(image, h + pe::kSectionCharacteristics, s.characteristics);
    }
    return image;
}

} // namespace jiujiu::test

namespace jiujiu::test {

std::uint32_t ForgedDll::file(std::uint32_t rva) const
{
    return fileOffset[rva / 0x1000 - 1] + rva % 0x1000;
}

ForgedDll BuildForgedDll()
{
    const std::uint32_t base = ForgedDll::kImageBase;
    std::string text(12, '\0');
    text[0] = char(0xFF), text[1] = 0x25;
    Put32(text, 2, base + ForgedDll::kIat);
    text[6] = char(0xFF), text[7] = 0x25;
    Put32(text, 8, base + ForgedDll::kIat + 4);

    std::string data;
    Put32(data, 0, base + ForgedDll::kData + 0x10);
    Put32(data, 4, base + ForgedDll::kText);
    Put32(data, 8, 0x12345678); // under a type-0 entry
    Put32(data, 12, base + ForgedDll::kText);
    Put32(data, 16, 0xCAFEF00D);

    std::string idata;
    Put32(idata, pe::kOriginalFirstThunk, ForgedDll::kIdata + 0x40);
    Put32(idata, pe::kImportName, ForgedDll::kIdata + 0x80);
    Put32(idata, pe::kFirstThunk, ForgedDll::kIat);
    for (std::uint32_t list : {0x40u, 0x60u}) {
        Put32(idata, list, ForgedDll::kIdata + 0xA0);
        Put32(idata, list + 4, pe::kImportByOrdinal | 4);
        Put32(idata, list + 8, 0);
    }
    idata.resize(0xA0);
    idata.replace(0x80, 9, std::string("host.dll\0", 9));
    idata += std::string("\0\0foo\0", 6);

    std::string edata(0x100, '\0');
    Put32(edata, pe::kExportDllName, ForgedDll::kEdata + 0x70);
    Put32(edata, pe::kExportBase, 1);
    Put32(edata, pe::kNumberOfFunctions, 3);
    Put32(edata, pe::kNumberOfNames, 2);
    Put32(edata, pe::kAddressOfFunctions, ForgedDll::kEdata + 0x40);
    Put32(edata, pe::kAddressOfNames, ForgedDll::kEdata + 0x50);
    Put32(edata, pe::kAddressOfNameOrdinals, ForgedDll::kEdata + 0x60);
    Put32(edata, 0x40, ForgedDll::kText);
    Put32(edata, 0x44, ForgedDll::kText + 6);
    Put32(edata, 0x48, ForgedDll::kData);
    Put32(edata, 0x50, ForgedDll::kEdata + 0x80);
    Put32(edata, 0x54, ForgedDll::kEdata + 0x90);
    Put16(edata, 0x60, 0);
    Put16(edata, 0x62, 2);
    edata.replace(0x70, 11, std::string("forged.dll\0", 11));
    edata.replace(0x80, 9, std::string("call_foo\0", 9));
    edata.replace(0x90, 6, std::string("table\0", 6));

    std::string reloc;
    Put32(reloc, 0, ForgedDll::kText);
    Put32(reloc, 4, 12);
    Put16(reloc, 8, 0x3002);
    Put16(reloc, 10, 0x3008);
    Put32(reloc, 12, ForgedDll::kData);
    Put32(reloc, 16, 16);
    Put16(reloc, 20, 0x3000);
    Put16(reloc, 22, 0x3004);
    Put16(reloc, 24, 0x0008);
    Put16(reloc, 26, 0x0000);

    ImageWriter w;
    w.imageBase = base;
    w.addSection(".text", text, 0x60000020);
    w.addSection(".data", data, 0xC0000040);
    w.addSection(".idata", idata, 0xC0000040);
    w.addSection(".edata", edata, 0x40000040);
    w.addSection(".reloc", reloc, 0x42000040);
    w.setDirectory(pe::ExportDirectory, ForgedDll::kEdata, 0x100);
    w.setDirectory(pe::ImportDirectory, ForgedDll::kIdata, 40);
    w.setDirectory(pe::RelocationDirectory, ForgedDll::kReloc, ForgedDll::kRelocSize);
    ForgedDll dll;
    dll.image = w.build();
    for (int i = 0; i < 5; ++i)
        dll.fileOffset[i] = w.sizeOfHeaders() + i * ImageWriter::kFileAlignment;
    return dll;
}

} // namespace jiujiu::test
