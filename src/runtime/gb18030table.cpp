#include "runtime/gb18030table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string_view>

namespace jiujiu {
namespace {

struct IconvCloser
{
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

IconvHandle Open(const char *to, const char *from)
{
    iconv_t cd = iconv_open(to, from);
    return IconvHandle(cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd);
}

// Converts units of a fixed input width one call each, so each unit's output is known exactly,
// and hands it to the sink in order (empty when the converter refuses the unit).
template <class Sink>
void ConvertUnitByUnit(iconv_t cd, const char *units, std::size_t width, std::size_t count,
                       Sink &&sink)
{
    for (std::size_t k = 0; k < count; ++k) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *in = const_cast<char *>(units + width * k);
        std::size_t inLeft = width;
        char out[16];
        char *outPtr = out;
        std::size_t outLeft = sizeof out;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
            sink(k, std::string_view());
        else
            sink(k, std::string_view(out, static_cast<std::size_t>(outPtr - out)));
    }
}

// Length of the GB18030 character at the start of converter output.
std::size_t GbCharLength(const unsigned char *s, std::size_t n)
{
    if (s[0] < 0x80)
        return 1;
    if (n >= 2 && s[1] >= 0x30 && s[1] <= 0x39)
        return 4;
    return 2;
}

} // namespace

Gb18030Table::Gb18030Table() = default;

const Gb18030Table &Gb18030Table::instance()
{
    static const Gb18030Table table;
    return table;
}

const Gb18030Table::Row &Gb18030Table::row(int leadIndex) const
{
    if (const Row *built =
            m_rows[static_cast<std::size_t>(leadIndex)].load(std::memory_order_acquire))
        return *built;
    std::lock_guard lock(m_mutex);
    if (const Row *built =
            m_rows[static_cast<std::size_t>(leadIndex)].load(std::memory_order_relaxed))
        return *built;
    auto made = std::make_unique<Row>();
    made->fill(kNone);
    // Every code of the lead byte in one call to UTF-32; a refused code is skipped whole, and
    // anything else than one code point per code leaves the row to the slow way.
    char codes[2 * kTrails];
    for (int t = 0; t < kTrails; ++t) {
        codes[2 * t] = static_cast<char>(0x81 + leadIndex);
        codes[2 * t + 1] = static_cast<char>(0x40 + t);
    }
    const IconvHandle cd = Open("UTF-32LE", "GB18030");
    bool whole = cd != nullptr;
    int done = 0;
    while (whole && done < kTrails) {
        std::uint32_t points[kTrails];
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        char *in = codes + 2 * done;
        std::size_t inLeft = 2 * static_cast<std::size_t>(kTrails - done);
        char *out = reinterpret_cast<char *>(points);
        std::size_t outLeft = sizeof points;
        const std::size_t rc = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        const std::size_t consumed = 2 * static_cast<std::size_t>(kTrails - done) - inLeft;
        const std::size_t produced = (sizeof points - outLeft) / 4;
        if (consumed % 2 != 0 || produced != consumed / 2) {
            whole = false;
            break;
        }
        for (std::size_t k = 0; k < produced; ++k)
            (*made)[static_cast<std::size_t>(done) + k] = points[k];
        done += static_cast<int>(produced);
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL) {
            whole = false;
            break;
        }
        ++done; // the refused code
    }
    if (!whole) {
        made->fill(kNone);
        if (const IconvHandle one = Open("UTF-32LE", "GB18030")) {
            ConvertUnitByUnit(one.get(), codes, 2, kTrails,
                              [&](std::size_t t, std::string_view out) {
                                  if (out.size() == 4) {
                                      std::uint32_t c = 0;
                                      std::memcpy(&c, out.data(), 4);
                                      (*made)[t] = c;
                                  }
                              });
        }
    }
    // 0x7F is no trail byte; the converter must not have taken it either.
    (*made)[0x7F - 0x40] = kNone;
    m_rowStore[static_cast<std::size_t>(leadIndex)] = std::move(made);
    const Row *built = m_rowStore[static_cast<std::size_t>(leadIndex)].get();
    m_rows[static_cast<std::size_t>(leadIndex)].store(built, std::memory_order_release);
    return *built;
}

const Gb18030Table::Block &Gb18030Table::block(int blockIndex) const
{
    if (const Block *built =
            m_blocks[static_cast<std::size_t>(blockIndex)].load(std::memory_order_acquire))
        return *built;
    std::lock_guard lock(m_mutex);
    if (const Block *built =
            m_blocks[static_cast<std::size_t>(blockIndex)].load(std::memory_order_relaxed))
        return *built;
    auto made = std::make_unique<Block>();
    std::uint32_t points[256];
    for (std::uint32_t k = 0; k < 256; ++k)
        points[k] = static_cast<std::uint32_t>(blockIndex) * 256 + k;
    const auto put = [&made](std::size_t k, std::string_view out) {
        if (out.empty() || out.size() > 4)
            return;
        Code &code = (*made)[k];
        code.length = static_cast<std::uint8_t>(out.size());
        std::memcpy(code.bytes, out.data(), out.size());
    };
    const IconvHandle cd = Open("GB18030", "UTF-32LE");
    bool whole = cd != nullptr;
    // The whole block in as few calls as the converter allows: every code point it takes is
    // one character of the output, a refused one is skipped.
    std::size_t done = 0;
    while (whole && done < 256) {
        char out[256 * 4];
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        char *in = reinterpret_cast<char *>(points + done);
        std::size_t inLeft = 4 * (256 - done);
        char *outPtr = out;
        std::size_t outLeft = sizeof out;
        const std::size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        const std::size_t consumed = 4 * (256 - done) - inLeft;
        const auto *bytes = reinterpret_cast<const unsigned char *>(out);
        const std::size_t produced = static_cast<std::size_t>(outPtr - out);
        std::size_t at = 0, chars = 0;
        while (at < produced) {
            const std::size_t length = GbCharLength(bytes + at, produced - at);
            put(done + chars, std::string_view(out + at, std::min(length, produced - at)));
            at += length;
            ++chars;
        }
        if (consumed % 4 != 0 || at != produced || chars != consumed / 4) {
            whole = false;
            break;
        }
        done += chars;
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL) {
            whole = false;
            break;
        }
        ++done; // the refused code point
    }
    if (!whole) {
        made->fill(Code{});
        if (const IconvHandle one = Open("GB18030", "UTF-32LE"))
            ConvertUnitByUnit(one.get(), reinterpret_cast<const char *>(points), 4, 256, put);
    }
    m_blockStore[static_cast<std::size_t>(blockIndex)] = std::move(made);
    const Block *built = m_blockStore[static_cast<std::size_t>(blockIndex)].get();
    m_blocks[static_cast<std::size_t>(blockIndex)].store(built, std::memory_order_release);
    return *built;
}

} // namespace jiujiu
