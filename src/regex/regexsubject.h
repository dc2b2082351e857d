#pragma once

#include "runtime/value.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

// A GB18030 subject in the engine's form: UTF-8, with the way back to the subject's own bytes.
// Bytes that are no GB18030 character become U+FFFD one by one, exactly as ConvertCodePage
// does, so the UTF-8 is always valid and the engine may skip its own check.
class RegexSubject final
{
public:
    // Larger subjects are not converted and match nothing: far beyond any result page, and
    // it bounds the memory one execution can take (offsets stay 32-bit).
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;

    explicit RegexSubject(std::string_view text);
    // A subject that is UTF-8 already (valid, as AnswerUtf8 makes it): matched as it is, with
    // no text of its own; offsets are its own and groups become text when they are read.
    static std::shared_ptr<const RegexSubject> FromUtf8(std::string utf8);

    // Empty when tooLarge() or made from UTF-8.
    const Text &text() const { return m_text; }
    // The runtime text of a stretch given in TextOffset()s.
    Text Slice(std::size_t start, std::size_t end) const;
    const std::string &utf8() const { return m_utf8; }
    bool tooLarge() const { return m_tooLarge; }

    // Byte offset in text() of a character boundary given as a byte offset in utf8().
    std::size_t TextOffset(std::size_t utf8Offset) const;

private:
    // Where the two byte streams stand after a character that is not ASCII; between two
    // checkpoints every character is one byte on both sides.
    struct Checkpoint
    {
        std::uint32_t utf8;
        std::uint32_t text;
    };

    // Index of the first checkpoint at or past each 256-byte block of utf8(), so an offset
    // is looked up among the few checkpoints of its block.
    static constexpr unsigned kBlockShift = 8;

    RegexSubject() = default;

    Text m_text;
    std::string m_utf8;
    std::vector<Checkpoint> m_checkpoints;
    std::vector<std::uint32_t> m_blockStarts;
    bool m_tooLarge = false;
    bool m_isUtf8 = false;
};

} // namespace jiujiu
