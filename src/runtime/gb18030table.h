#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace jiujiu {

// GB18030 two-byte codes and the code points below U+10000, taken from the system converter
// a lead byte or a block of 256 code points at a time, the first time one is asked for: the
// fast conversions give exactly the converter's answers without calling it per character.
class Gb18030Table final
{
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;

    struct Code
    {
        std::uint8_t length = 0; // 0: the converter has no code for it
        char bytes[4] = {};
    };

    static const Gb18030Table &instance();

    // Code point of a two-byte code (lead 0x81-0xFE, trail 0x40-0xFE), kNone when the
    // converter refuses it.
    std::uint32_t twoByte(unsigned char lead, unsigned char trail) const
    {
        const Row *built = m_rows[lead - 0x81u].load(std::memory_order_acquire);
        return (built ? *built : row(lead - 0x81))[trail - 0x40u];
    }
    // The GB18030 code of a code point below U+10000.
    const Code &encode(std::uint32_t codePoint) const
    {
        const Block *built = m_blocks[codePoint >> 8].load(std::memory_order_acquire);
        return (built ? *built : block(static_cast<int>(codePoint >> 8)))[codePoint & 0xFF];
    }

    Gb18030Table(const Gb18030Table &) = delete;
    Gb18030Table &operator=(const Gb18030Table &) = delete;

private:
    static constexpr int kLeads = 0xFE - 0x81 + 1;
    static constexpr int kTrails = 0xFE - 0x40 + 1;
    static constexpr int kBlocks = 256;

    using Row = std::array<std::uint32_t, kTrails>;
    using Block = std::array<Code, 256>;

    Gb18030Table();
    // Build on first use.
    const Row &row(int leadIndex) const;
    const Block &block(int blockIndex) const;

    mutable std::mutex m_mutex;
    mutable std::array<std::atomic<const Row *>, kLeads> m_rows{};
    mutable std::array<std::atomic<const Block *>, kBlocks> m_blocks{};
    mutable std::array<std::unique_ptr<Row>, kLeads> m_rowStore;
    mutable std::array<std::unique_ptr<Block>, kBlocks> m_blockStore;
};

} // namespace jiujiu
